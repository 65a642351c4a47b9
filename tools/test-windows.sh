#!/usr/bin/env bash
# The MEX files for 32-bit and 64-bit Windows, built with mingw-w64 and run
# under wine by a small runner, against the same runner built for Linux:
#  - both Windows word sizes must give identical reports, bit for bit;
#  - against Linux, every line must match except real doubles, which may differ
#    by a few units in the last place (glibc's log and exp round differently
#    from mingw-w64's in about one call in a thousand), counted in the value or
#    in the largest entry of its array (see tests/windows/compare.cpp);
#  - each MEX file exports mexFunction only and imports nothing beyond
#    libmx.dll, libmex.dll and the system's KERNEL32.dll and msvcrt.dll.
# Where the kernel cannot run 32-bit x86 programs, or wine32 cannot be installed,
# the 32-bit files are built and checked but not run. TAVRIX_IA32_PROBE names
# the 32-bit program whose start decides that (default: wine's 32-bit loader).
set -euo pipefail
source "$(dirname "$0")/../tests/windows/build.sh"
source "$(dirname "$0")/manifest.sh"
# Measured on the shared cases: 4; on other training seeds up to 13.
ULPS=16

packages_require windows cmake make g++ mingw-w64 wine64
packages_want windows "to run the 32-bit Windows files" wine32:i386

for arch in native x86_64 i686; do
  echo "windows: building $arch"
  windows_build "$arch"
done

check_binaries() {  # <dir> <suffix> <objdump> <machine type>
  local dir=$1 suffix=$2 objdump=$3 machine=$4 file dlls exports status=0
  for name in $(manifest_names); do
    file=$dir/$name$suffix
    if [ ! -e "$file" ]; then
      echo "windows: $file was not built" >&2
      status=1
      continue
    fi
    if ! "$objdump" -f "$file" | grep -q "file format $machine\$"; then
      echo "windows: $file is not $machine" >&2
      status=1
    fi
    dlls=$("$objdump" -p "$file" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')
    if [ "$dlls" != "KERNEL32.dll libmex.dll libmx.dll msvcrt.dll " ]; then
      echo "windows: $file imports from: $dlls" >&2
      status=1
    fi
    exports=$("$objdump" -p "$file" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^\s*\[ *[0-9]*\] //p' | tr '\n' ' ')
    if [ "$exports" != "mexFunction " ]; then
      echo "windows: $file exports: $exports" >&2
      status=1
    fi
  done
  return $status
}
check_binaries "$WINDOWS_BUILD/x86_64" .mexw64 x86_64-w64-mingw32-objdump pei-x86-64
check_binaries "$WINDOWS_BUILD/i686" .mexw32 i686-w64-mingw32-objdump pei-i386

# wine64 for the 64-bit prefix, the 32-bit loader with WINEARCH=win32 for the other.
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINE32=/usr/lib/wine/wine
[ -x "$WINE32" ] || WINE32=$(command -v wine || true)
[ -x "$WINE64" ] || { echo "windows: wine64 is missing" >&2; exit 1; }
WINESERVER=/usr/lib/wine/wineserver
[ -x "$WINESERVER" ] || WINESERVER=$(command -v wineserver)
export WINEDEBUG=-all

run_under_wine() {  # <loader> <prefix> <winearch> <build dir>
  local loader=$1 prefix=$2 winearch=$3 dir=$4
  if [ ! -f "$prefix/system.reg" ]; then
    echo "windows: creating the $winearch prefix $prefix"
    rm -rf "$prefix"
    # No Mono or Gecko: nothing here needs them, and their installers would be fetched.
    WINEPREFIX=$prefix WINEARCH=$winearch WINEDLLOVERRIDES="mscoree=;mshtml=" "$loader" wineboot -i >/dev/null 2>&1 || { echo "windows: wineboot failed in $prefix" >&2; return 1; }
  fi
  (cd "$dir" && WINEPREFIX=$prefix WINEARCH=$winearch "$loader" tavrix_runner.exe . report.txt)
  WINEPREFIX=$prefix "$WINESERVER" -w 2>/dev/null || true
}

native=$WINDOWS_BUILD/native/tests/windows
"$native/tavrix_runner" "$WINDOWS_BUILD/native" "$native/report.txt"
run_under_wine "$WINE64" /tmp/tavrix-wine-win64 win64 "$WINDOWS_BUILD/x86_64"
compare=$native/tavrix_compare
ia32_blocker=$(windows_ia32_blocker "${TAVRIX_IA32_PROBE:-${WINE32:-/usr/lib/wine/wine}}")
if [ -z "$ia32_blocker" ]; then
  [ -x "$WINE32" ] || { echo "windows: the 32-bit wine loader is missing" >&2; exit 1; }
  run_under_wine "$WINE32" /tmp/tavrix-wine-win32 win32 "$WINDOWS_BUILD/i686"
  "$compare" "$WINDOWS_BUILD/x86_64/report.txt" "$WINDOWS_BUILD/i686/report.txt" 0
  cmp "$WINDOWS_BUILD/x86_64/report.txt" "$WINDOWS_BUILD/i686/report.txt"
  both="both word sizes agree bit for bit, and with Linux"
else
  echo "windows: $ia32_blocker: the .mexw32 files are built and checked, not run"
  both="64-bit Windows agrees with Linux; 32-bit not run"
fi
"$compare" "$native/report.txt" "$WINDOWS_BUILD/x86_64/report.txt" "$ULPS"
# The comparer must see a changed unit number, and a double in [1, 2) moved by 2^20 ulp.
altered=$native/altered.txt
for change in '0,/^i [0-9]*$/s/^i \([0-9]*\)$/i 1\1/' \
              '0,/^d 0x[3b]ff[0-9a-f]\{7\}[0-7][0-9a-f]\{5\}$/s/^d \(0x[3b]ff[0-9a-f]\{7\}\)[0-7]/d \18/'; do
  sed "$change" "$WINDOWS_BUILD/x86_64/report.txt" >"$altered"
  if cmp -s "$altered" "$WINDOWS_BUILD/x86_64/report.txt" ||
     "$compare" "$WINDOWS_BUILD/x86_64/report.txt" "$altered" "$ULPS" >/dev/null 2>&1; then
    echo "windows: the comparer missed a change ($change)" >&2
    exit 1
  fi
done
echo "windows: $both"
