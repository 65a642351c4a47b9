#!/usr/bin/env bash
# Makes dist/tavrix-<version>.tar.gz, an Octave package: `pkg install` builds
# the MEX functions from the C++ sources with mkoctfile and puts the toolbox
# on the path with `pkg load tavrix`.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
source tools/manifest.sh
VERSION=$(sed -n 's/^project(Tavrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
STAGE=$(mktemp -d)
trap 'rm -rf "$STAGE"' EXIT
PKG=$STAGE/tavrix
mkdir -p "$PKG/inst/private" "$PKG/src" "$PKG/help" dist
# Every folder of C++ code the functions are built from.
SOURCE_DIRS=$(echo core host $(manifest_lines | cut -d' ' -f2-) | tr ' ' '\n' | awk '!seen[$0]++' | tr '\n' ' ')

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

# The functions by topic. The public functions are the MEX functions and the
# toolbox's Tavrix*.m files (its tavrix_*.m files are internal); a name below
# that is not one of them is left out, and a public function not placed here
# goes under "More functions".
PUBLIC_NAMES=" $(echo $(manifest_names) $(basename -s .m toolbox/Tavrix*.m)) "
INDEX_TOPICS=(
  "Maps|TavrixInit TavrixTrain TavrixFit TavrixBest TavrixTree TavrixCompact TavrixFull"
  "Batch training in parts|TavrixStats TavrixUpdate"
  "Scores and missing values|TavrixScore TavrixHoles TavrixImpute"
  "Map quality and class labels|TavrixQuality TavrixLabelUnits"
  "Data|TavrixRead TavrixLabels"
  "Pictures|TavrixPlotHits TavrixPlotComponent TavrixPlotUMatrix"
)
{
  echo "tavrix >> Tavrix"
  placed=" "
  for topic in "${INDEX_TOPICS[@]}"; do
    present=$(for name in ${topic#*|}; do
      [[ "$PUBLIC_NAMES" == *" $name "* ]] || continue
      echo -n " $name"
    done)
    [ -z "$present" ] || printf '%s\n%s\n' "${topic%%|*}" "$present"
    placed="$placed${topic#*|} "
  done
  unplaced=$(for name in $PUBLIC_NAMES; do
    [[ "$placed" == *" $name "* ]] || echo -n " $name"
  done)
  [ -z "$unplaced" ] || printf 'More functions\n%s\n' "$unplaced"
} > "$PKG/INDEX"

# The toolbox's .m files (its private helpers in inst/private) and the help
# files of the MEX functions.
for f in toolbox/*.m; do
  [ "$(basename "$f")" = tavrix_build_matlab.m ] && continue
  cp "$f" "$PKG/inst/"
done
cp toolbox/private/*.m "$PKG/inst/private/"
# Octave reads a MEX function's help from the .m file beside it, and pkg puts
# the MEX files into their own folder: post_install.m puts the help there.
manifest_lines | while read -r name dir _; do
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

# The Makefile compiles every source once and links each function from its
# gateway, the code of its folders (their gateways left out) and the core and host.
{
  echo "# Built by pkg install; MKOCTFILE is set by Octave."
  echo "MKOCTFILE ?= mkoctfile"
  echo "FP_FLAGS := $(fp_flags all)"
  echo "# 32-bit x86: SSE2 arithmetic, as every other build has."
  echo "ifneq (\$(filter i386 i486 i586 i686,\$(firstword \$(subst -, ,\$(shell \$(shell \$(MKOCTFILE) -p CXX) -dumpmachine)))),)"
  echo "FP_FLAGS += $(fp_flags x86-32)"
  echo "endif"
  echo "export CXXFLAGS = -O2 -fPIC -std=c++17 \$(FP_FLAGS) -pthread"
  echo "export LDFLAGS = -pthread"
  echo "objects = \$(patsubst %.cpp,%.o,\$(filter-out \$(2),\$(wildcard \$(1)/*.cpp)))"
  echo "SHARED := \$(call objects,core) \$(call objects,host)"
  gateway_files=$(manifest_lines | while read -r name dir _; do echo -n " $dir/$name.cpp"; done)
  echo "GATEWAYS :=$gateway_files"
  echo "all: $(manifest_names | sed 's/$/.mex/' | paste -sd' ')"
  echo "%.o: %.cpp"
  echo "	\$(MKOCTFILE) -c \$< -o \$@"
  manifest_lines | while read -r name dir uses; do
    objs="$dir/$name.o"
    for d in $dir $uses; do objs="$objs \$(call objects,$d,\$(GATEWAYS))"; done
    echo "$name.mex: $objs \$(SHARED)"
    echo "	\$(MKOCTFILE) --mex -o \$@ \$^ -pthread"
  done
  echo "clean:"
  echo "	rm -f *.mex */*.o"
  echo ".PHONY: all clean"
} > "$PKG/src/Makefile"

TARBALL=dist/tavrix-$VERSION.tar.gz
tar -C "$STAGE" -czf "$TARBALL" tavrix
echo "package-octave: $ROOT/$TARBALL"
