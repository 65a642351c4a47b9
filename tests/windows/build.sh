# shellcheck shell=bash
# Shared by tools/test-windows.sh and tools/package-windows.sh (sourced, not run):
# whether the 32-bit files can run here, and the build of one word size.
# TAVRIX_WINDOWS_BUILD overrides where the builds go (default build/windows).

TAVRIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINDOWS_BUILD=${TAVRIX_WINDOWS_BUILD:-$TAVRIX_ROOT/build/windows}

source "$TAVRIX_ROOT/tools/packages.sh"

# Why the 32-bit Windows files cannot be run here, or nothing where they can:
# wine32 was skipped, or the kernel, built without IA32 emulation, refuses
# 32-bit programs with ENOEXEC ("Exec format error" from bash).
windows_ia32_blocker() {  # <the 32-bit program whose start decides>
  local message
  if packages_skipped wine32:i386; then
    echo "wine32:i386 could not be installed"
    return 0
  fi
  message=$("$1" --version 2>&1 >/dev/null) && return 0
  grep -q "Exec format error" <<<"$message" && echo "this kernel cannot run 32-bit x86 programs (Exec format error)"
  return 0
}

# windows_build <i686|x86_64|native>: builds into $WINDOWS_BUILD/<arch> the MEX
# files and the test host for one Windows word size (the root project with
# cmake/toolchain-<arch>-w64-mingw32.cmake), or the Linux runner and comparer.
windows_build() {
  local arch=$1 dir=$WINDOWS_BUILD/$1 options=() targets=()
  if [ "$arch" = native ]; then
    options+=(-DTAVRIX_OCTAVE=OFF -DTAVRIX_BENCH=OFF)
    targets+=(--target tavrix_runner tavrix_compare)
  else
    options+=("-DCMAKE_TOOLCHAIN_FILE=$TAVRIX_ROOT/cmake/toolchain-$arch-w64-mingw32.cmake")
  fi
  cmake -S "$TAVRIX_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release "${options[@]}" >/dev/null
  cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >"$dir/build.log" 2>&1 || { cat "$dir/build.log" >&2; return 1; }
}
