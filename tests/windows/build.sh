# Shared by tools/test-windows.sh and tools/package-windows.sh (sourced, not run):
# the packages the Windows build needs, and the build of one word size.
# TAVRIX_WINDOWS_BUILD overrides where the builds go (default build/windows).

TAVRIX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINDOWS_BUILD=${TAVRIX_WINDOWS_BUILD:-$TAVRIX_ROOT/build/windows}

# Installs the Debian packages given that are missing, saying which.
windows_ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "windows: installing ${missing[*]}"
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "windows: dpkg --add-architecture i386"
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
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
