#!/usr/bin/env bash
# The quality benchmark (./run bench-quality): the density protocol on every
# <name>.train/.valid/.test.data of DIR, then the held-out values protocol on
# each ARFF file given, "?" a value of its own after --kept, missing after
# --values. The table goes to build/bench/quality.md.
#   bench/quality/bench-quality.sh DIR [--kept FILE.arff] [--values FILE.arff] ...
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
usage="usage: bench-quality.sh DIR|- [--kept FILE.arff] [--values FILE.arff] ..."
[ $# -ge 1 ] || { echo "$usage" >&2; exit 2; }
dir=$1; shift
[ "$dir" = - ] && dir=''
if [ -n "$dir" ] && ! ls "$dir"/*.train.data >/dev/null 2>&1; then
  echo "bench-quality: $dir holds no <name>.train.data" >&2; exit 2
fi
quote() { printf "'%s'" "${1//\'/\'\'}"; }
values='{'
while [ $# -gt 0 ]; do
  case "$1" in
    --kept) keep=true ;;
    --values) keep=false ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
  [ $# -ge 2 ] && [ -f "$2" ] || { echo "bench-quality: $1 needs an ARFF file" >&2; exit 2; }
  values+="$(quote "$(realpath "$2")"), $keep;"
  shift 2
done
values+='}'
[ "$values" = '{}' ] && values='cell(0, 2)'
mkdir -p "$root/build/bench"
[ -n "$dir" ] && dir=$(realpath "$dir")
octave-cli --no-gui --norc --no-history --eval \
  "addpath('$root/build/octave'); addpath('$root/bench/quality'); addpath('$root/tests/octave'); \
   tavrix_bench_quality($(quote "$dir"), '$root/build/bench/quality.md', $values);"
echo "bench-quality: table in build/bench/quality.md"
