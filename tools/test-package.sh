#!/usr/bin/env bash
# Installs the Octave package into a scratch home, loads it, calls every
# function from it and runs every help example and the guide's code from it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
source tools/manifest.sh
# As Octave cell arrays: the MEX functions, and every function (the toolbox's public .m files too).
octave_cell() { printf "'%s', " "$@" | sed 's/, $//'; }
MEX_NAMES=$(octave_cell $(manifest_names))
ALL_NAMES=$(octave_cell $(manifest_names) $(basename -s .m toolbox/Tavrix*.m))
bash tools/package-octave.sh >/dev/null
VERSION=$(sed -n 's/^project(Tavrix VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
TARBALL=$ROOT/dist/tavrix-$VERSION.tar.gz
SCRATCH=$(mktemp -d)
trap 'rm -rf "$SCRATCH"' EXIT
cd "$SCRATCH"
HOME=$SCRATCH octave-cli --no-gui --norc --no-history --eval "
  pkg install -local '$TARBALL';
  pkg load tavrix;
  for n = {$ALL_NAMES}
    text = help(n{1});
    assert(~isempty(strfind(text, 'Example')), 'no help for %s', n{1});
    assert(~isempty(strfind(which(n{1}), '$SCRATCH')), '%s does not come from the package', n{1});
  end
  for n = {$MEX_NAMES}
    assert(exist(n{1}) == 3, '%s is not a MEX function', n{1});
  end
  [codes, info, mask] = TavrixRead('$ROOT/data/vote.arff');
  votes = codes(1:16, :);
  model = TavrixFit(TavrixInit(votes, 4, 4, 'Seed', 1), 2000, 'Seed', 1);
  complete = all(mask, 1);
  assert(isfinite(TavrixScore(model, votes(:, complete))));
  best = TavrixBest(model, votes(:, complete));
  hidden = ones(16, nnz(complete)); hidden(3, :) = 0;
  assert(isfinite(TavrixHoles(model, votes(:, complete), hidden)));
  [filled, post, logp] = TavrixImpute(model, votes, mask(1:16, :));
  assert(all(isfinite(logp)) && all(isfinite(filled(:))));
  assert(strcmp(TavrixLabels(info, filled(:, 1), 1:16){1}, info.Labels{1}{filled(1, 1) + 1}));
  TavrixTree(model, 1);
  TavrixPlotHits(model, filled, 'File', 'hits.png');
  TavrixPlotComponent(model, 4, 1, 'File', 'component.png');
  TavrixPlotUMatrix(model, 'File', 'umatrix.png');
  assert(exist('hits.png', 'file') && exist('component.png', 'file') && exist('umatrix.png', 'file'));
  assert(exist('tavrix_picture') == 0, 'the private helpers are on the path');
  addpath('$ROOT/tests/octave');
  test_help_examples('$ROOT');
  disp('test-package: the installed package works');
" >"$SCRATCH/log" 2>&1 || status=$?
grep -v -e 'preparing to exit' "$SCRATCH/log" || true
if [ "${status:-0}" -ne 0 ] || ! grep -q 'the installed package works' "$SCRATCH/log"; then
  echo "test-package: FAILED" >&2
  exit 1
fi
