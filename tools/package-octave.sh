#!/usr/bin/env bash
# Makes dist/tavrix-<version>.tar.gz, an Octave package: `pkg install` builds
# the MEX functions from the C++ sources with mkoctfile and puts the toolbox
# on the path with `pkg load tavrix`.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
VERSION=$(sed -n 's/^project(Tavrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
PKG=$STAGE/tavrix
mkdir -p "$PKG/inst" "$PKG/src" "$PKG/help" dist

# Each function: its folder and the folders whose code it also uses.
GATEWAYS="TavrixBest:winner TavrixFit:train TavrixScore:score TavrixHoles:holes TavrixImpute:impute"
SOURCE_DIRS="core host winner train score holes impute"

cat > "$PKG/DESCRIPTION" <<DESC
Name: tavrix
Version: $VERSION
Date: $(date -u +%Y-%m-%d)
Author: The Tavrix developers
Maintainer: The Tavrix developers
Title: Probabilistic self-organising maps for categorical data
Description: A map of units, each a tree-structured distribution over
 categorical variables: training, best units, mixture likelihoods, held-out
 value scores and exact imputation of missing values, as MEX functions, with
 readers for ARFF and CSV files, a first model from data and pictures.
Depends: octave (>= 7.0.0)
License: MIT
DESC

cp LICENSE "$PKG/COPYING"

{
  echo "tavrix >> Tavrix"
  echo "Maps"
  echo " TavrixInit TavrixFit TavrixBest TavrixTree"
  echo "Scores and missing values"
  echo " TavrixScore TavrixHoles TavrixImpute"
  echo "Data"
  echo " TavrixRead TavrixLabels"
  echo "Pictures"
  echo " TavrixPlotHits TavrixPlotComponent TavrixPlotUMatrix"
} > "$PKG/INDEX"

# The toolbox's .m files and the help files of the MEX functions.
for f in toolbox/*.m; do
  [ "$(basename "$f")" = tavrix_build_matlab.m ] && continue
  cp "$f" "$PKG/inst/"
done
# Octave reads a MEX function's help from the .m file beside it, and pkg puts
# the MEX files into their own folder: post_install.m puts the help there.
for g in $GATEWAYS; do
  name=${g%%:*}; dir=${g#*:}; dir=${dir%%,*}
  cp "$dir/$name.m" "$PKG/help/"
done
cat > "$PKG/post_install.m" <<'POST'
function post_install(desc)
  arch = [__octave_config_info__('canonical_host_type') '-' __octave_config_info__('api_version')];
  target = fullfile(desc.archprefix, arch);
  files = dir(fullfile(pwd(), 'help', '*.m'));
  for f = 1:numel(files)
    copyfile(fullfile(pwd(), 'help', files(f).name), target);
  end
end
POST

for d in $SOURCE_DIRS; do
  mkdir -p "$PKG/src/$d"
  cp "$d"/*.cpp "$d"/*.hpp "$PKG/src/$d/" 2>/dev/null || true
done

# The Makefile compiles every source once and links each function from its objects.
{
  echo "# Built by pkg install; MKOCTFILE is set by Octave."
  echo "MKOCTFILE ?= mkoctfile"
  echo "export CXXFLAGS = -O2 -fPIC -std=c++17 -ffp-contract=off -pthread"
  echo "export LDFLAGS = -pthread"
  echo "SHARED := \$(patsubst %.cpp,%.o,\$(wildcard core/*.cpp host/*.cpp))"
  all=""
  for g in $GATEWAYS; do all="$all ${g%%:*}.mex"; done
  echo "all:$all"
  echo "%.o: %.cpp"
  echo "	\$(MKOCTFILE) -c \$< -o \$@"
  for g in $GATEWAYS; do
    name=${g%%:*}; dirs=${g#*:}
    objs=""
    for d in ${dirs//,/ }; do
      if [ "$d" = "${dirs%%,*}" ]; then
        objs="$objs \$(patsubst %.cpp,%.o,\$(wildcard $d/*.cpp))"
      else  # another function's folder: its code, not its gateway
        objs="$objs \$(patsubst %.cpp,%.o,\$(filter-out $d/Tavrix%.cpp,\$(wildcard $d/*.cpp)))"
      fi
    done
    echo "$name.mex:$objs \$(SHARED)"
    echo "	\$(MKOCTFILE) --mex -o \$@ \$^ -pthread"
  done
  echo "clean:"
  echo "	rm -f *.mex */*.o"
  echo ".PHONY: all clean"
} > "$PKG/src/Makefile"

TARBALL=dist/tavrix-$VERSION.tar.gz
tar -C "$STAGE" -czf "$TARBALL" tavrix
echo "package-octave: $ROOT/$TARBALL"
