#!/usr/bin/env bash
# dist/tavrix-windows-<version>.zip: the MEX files for 32-bit and 64-bit MATLAB
# on Windows beside the toolbox's .m files, in one folder to put on the path.
set -euo pipefail
source "$(dirname "$0")/../tests/windows/build.sh"

packages_require windows cmake make mingw-w64 zip
for arch in x86_64 i686; do
  echo "windows: building $arch"
  windows_build "$arch"
done

version=$(sed -n 's/^project(Tavrix VERSION \([0-9.]*\).*/\1/p' "$TAVRIX_ROOT/CMakeLists.txt")
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/tavrix"
shopt -s nullglob
mex=("$WINDOWS_BUILD"/x86_64/*.mexw64 "$WINDOWS_BUILD"/i686/*.mexw32)
help=("$TAVRIX_ROOT"/build/octave/*.m)
if [ ${#help[@]} -eq 0 ]; then
  echo "windows: no .m files in build/octave; run ./run build first" >&2
  exit 1
fi
cp "${mex[@]}" "${help[@]}" "$stage/tavrix/"
cp -r "$TAVRIX_ROOT/build/octave/private" "$stage/tavrix/"  # the toolbox's own helpers
mkdir -p "$TAVRIX_ROOT/dist"
zip_file=$TAVRIX_ROOT/dist/tavrix-windows-$version.zip
rm -f "$zip_file"
(cd "$stage" && zip -q -X -r "$zip_file" tavrix)
echo "windows: $zip_file (${#mex[@]} MEX files, ${#help[@]} .m files)"
