#!/bin/sh
# Compact training on generated wide sparse data: time per epoch and peak
# memory of a fresh Octave per case, whole tables beside compact where they fit.
# Usage: bench/wide.sh [quick]   (quick: the smaller cases only)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
run() { octave-cli --no-gui -q --eval "addpath('$here/../build/octave'); addpath('$here'); bench_wide($1)"; }
echo '| variables | samples | map | epochs | compact | first model s | s / epoch | peak MiB | model MiB | test LL |'
echo '|---|---|---|---|---|---|---|---|---|---|'
run "1058, 1670, 3, 3, 10, false"
run "1058, 1670, 3, 3, 10, true"
run "1058, 1670, 10, 10, 30, true"
run "2000, 20000, 6, 6, 30, true"
[ "${1:-}" = quick ] && exit 0
run "10000, 20000, 6, 6, 30, true"
run "50000, 20000, 6, 6, 2, true"
