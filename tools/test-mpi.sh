#!/usr/bin/env bash
# tavrix-train against TavrixTrain: the same model, bit for bit, from 1, 2 and
# 3 ranks (v6 and compressed v7 data files) and from 'UseParallel', with the
# default held-out selection, other shares, none, and validation samples, under
# hard and soft assignment; and the
# faults: an unreadable or truncated data file, an empty block, a model that
# does not match the data, bad arguments. A failed run must exit non-zero,
# name the rank and the file, and leave the output as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
TRAIN=${TAVRIX_TRAIN:-$ROOT/build/tavrix-train}  # TAVRIX_TRAIN: another build of it
[ -x "$TRAIN" ] || { echo "test-mpi: $TRAIN was not built (needs Open MPI and matio)" >&2; exit 1; }
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
octave() { octave-cli --no-gui --norc --no-history --eval "addpath('$ROOT/build/octave'); $1"; }

octave "
  rand('state', 13);
  d = 7; n = 20000; ranges = [2 3 4 2 3 5 2]';
  data = floor(rand(d, n) .* ranges);
  data(rand(d, n) < 0.08) = NaN;
  model = TavrixInit(data, 3, 4, 'Seed', 5, 'Ranges', ranges);
  save('-v6', 'data.mat', 'data'); save('-v7', 'dataz.mat', 'data'); save('-v6', 'first.mat', 'model');
  expected = TavrixTrain(model, data, 4, 'Radius', [2 1], 'Threads', 2);
  parallel = TavrixTrain(model, data, 4, 'Radius', [2 1], 'UseParallel', true);
  assert(isequaln(expected, parallel), 'UseParallel gives another model');
  save('-v6', 'expected.mat', 'expected');
  quarter = TavrixTrain(model, data, 4, 'Radius', [2 0.2], 'HeldOut', 0.25);
  none = TavrixTrain(model, data, 4, 'Radius', [2 0.2], 'HeldOut', 0);
  validation = data(:, 1:500);
  byValidation = TavrixTrain(model, data, 4, 'Radius', [2 0.2], 'Validation', validation);
  assert(~isequaln(quarter, none) && ~isequaln(byValidation, none));
  save('-v6', 'validation.mat', 'validation');
  save('-v6', 'selected.mat', 'quarter', 'none', 'byValidation');
  soft = TavrixTrain(model, data, 4, 'Radius', [2 1], 'Assignment', 'soft', 'Threads', 2);
  assert(isequaln(soft, TavrixTrain(model, data, 4, 'Radius', [2 1], 'Assignment', 'soft', 'UseParallel', true)));
  schedule = TavrixTrain(model, data, 4, 'Radius', [2 1], 'Assignment', 'hard-then-soft');
  save('-v6', 'soft.mat', 'soft', 'schedule');
  hexagonal = TavrixTrain(model, data, 4, 'Radius', [2 1], 'Lattice', 'hexagonal');
  save('-v6', 'hexagonal.mat', 'hexagonal');
  model.Lattice = 'hexagonal'; save('-v6', 'firsthex.mat', 'model');
  small = data(:, 1:2); save('-v6', 'small.mat', 'small');
  other = TavrixInit(data(1:6, :), 3, 4, 'Seed', 5, 'Ranges', ranges(1:6)); save('-v6', 'other.mat', 'other');"

for file in data.mat dataz.mat; do
  for ranks in 1 2 3; do
    mpirun -n $ranks "$TRAIN" --data $file --model first.mat --epochs 4 --radius 2 1 --threads 1 \
      --out "out-$ranks-$file" > /dev/null
  done
done
for ranks in 1 2 3; do
  common=(--data data.mat --model first.mat --epochs 4 --radius 2 0.2 --threads 2)
  mpirun -n $ranks "$TRAIN" "${common[@]}" --held-out 0.25 --out "quarter-$ranks.mat" > /dev/null
  mpirun -n $ranks "$TRAIN" "${common[@]}" --held-out 0 --out "none-$ranks.mat" > /dev/null
  mpirun -n $ranks "$TRAIN" "${common[@]}" --validation validation.mat --verbose --out "validation-$ranks.mat" \
    > "validation-$ranks.log"
  grep -q "of the first model; chose" "validation-$ranks.log"
done
octave "
  e = load('selected.mat');
  for ranks = 1:3
    for f = {'quarter', 'none', 'validation'}
      s = load(sprintf('%s-%d.mat', f{1}, ranks));
      wanted = e.(strrep(f{1}, 'validation', 'byValidation'));
      assert(isequaln(s.model, wanted), '%s at %d ranks differs from TavrixTrain', f{1}, ranks);
    end
  end"
for ranks in 1 2 3; do
  mpirun -n $ranks "$TRAIN" --data data.mat --model first.mat --epochs 4 --radius 2 1 --assignment soft \
    --out "soft-$ranks.mat" > /dev/null
done
mpirun -n 2 "$TRAIN" --data dataz.mat --model first.mat --epochs 4 --radius 2 1 --assignment hard-then-soft \
  --threads 2 --out schedule-2.mat > /dev/null
octave "
  e = load('soft.mat');
  for f = {'soft-1.mat', 'soft-2.mat', 'soft-3.mat'}
    s = load(f{1});
    assert(isequaln(s.model, e.soft), '%s differs from soft TavrixTrain', f{1});
  end
  s = load('schedule-2.mat');
  assert(isequaln(s.model, e.schedule), 'hard-then-soft over 2 ranks differs from TavrixTrain');
  assert(~isequaln(e.soft, e.schedule));"
# The lattice from the model file, or from --lattice.
mpirun -n 2 "$TRAIN" --data data.mat --model firsthex.mat --epochs 4 --radius 2 1 --out out-hex-file.mat > /dev/null
mpirun -n 3 "$TRAIN" --data data.mat --model first.mat --epochs 4 --radius 2 1 --lattice hexagonal \
  --out out-hex-option.mat > /dev/null
octave "
  h = load('hexagonal.mat');
  for f = {'out-hex-file.mat', 'out-hex-option.mat'}
    s = load(f{1});
    assert(isequaln(s.model, h.hexagonal), '%s differs from TavrixTrain', f{1});
  end"
octave "
  e = load('expected.mat');
  for f = {'out-1-data.mat', 'out-2-data.mat', 'out-3-data.mat', 'out-1-dataz.mat', 'out-2-dataz.mat', 'out-3-dataz.mat'}
    s = load(f{1});
    assert(isequaln(s.model, e.expected), '%s differs from TavrixTrain', f{1});
  end
  TavrixBest(s.model, e.expected.Samples);"

# expect_fault <exit status> <text the message must hold> <tavrix-train arguments...>
expect_fault() {
  local status=$1 text=$2; shift 2
  echo previous > out.mat
  set +e
  mpirun -n "${RANKS:-2}" "$TRAIN" "$@" > log 2>&1
  local got=$?
  set -e
  if [ "$got" -ne "$status" ] || ! grep -q -- "$text" log || [ "$(cat out.mat)" != previous ] || ls .out.mat.* >/dev/null 2>&1; then
    echo "test-mpi: tavrix-train $* exited $got (wanted $status, a message with '$text', out.mat untouched):" >&2
    cat log >&2
    exit 1
  fi
}
head -c 1000 /dev/urandom > garbage.mat
head -c "$(( $(stat -c %s data.mat) / 2 ))" data.mat > truncated.mat
head -c "$(( $(stat -c %s dataz.mat) / 2 ))" dataz.mat > truncatedz.mat
expect_fault 1 "rank 1: garbage.mat: cannot open" --data garbage.mat --model first.mat --epochs 2 --out out.mat
expect_fault 1 "rank 1: truncated.mat: cannot read columns" --data truncated.mat --model first.mat --epochs 2 --out out.mat
expect_fault 1 "rank 0: truncatedz.mat: cannot read columns" --data truncatedz.mat --model first.mat --epochs 2 --out out.mat
expect_fault 1 "rank 0: missing.mat" --data data.mat --model missing.mat --epochs 2 --out out.mat
RANKS=3 expect_fault 1 "rank 0: small.mat: variable 'small' has 2 samples, fewer than the 3 ranks" \
  --data small.mat --model first.mat --epochs 2 --out out.mat
expect_fault 1 "rank 1: data.mat: variable 'data' (columns 10001..20000) must be a matrix with Dimension = 6 rows" \
  --data data.mat --model other.mat --epochs 2 --out out.mat
expect_fault 2 "usage: mpirun" --data data.mat --model first.mat --out out.mat
expect_fault 2 "--lattice must be rectangular or hexagonal" \
  --data data.mat --model first.mat --epochs 2 --lattice hex --out out.mat
expect_fault 2 "--radius must be positive" --data data.mat --model first.mat --epochs 2 --radius 0 --out out.mat
expect_fault 2 "--held-out must be within" --data data.mat --model first.mat --epochs 2 --held-out 1 --out out.mat
expect_fault 2 "give one" --data data.mat --model first.mat --epochs 2 --held-out 0.2 --validation data.mat \
  --out out.mat
expect_fault 1 "rank 0: missing.mat" --data data.mat --model first.mat --epochs 2 --validation missing.mat --out out.mat
expect_fault 2 "--assignment must be hard, soft or hard-then-soft" --data data.mat --model first.mat --epochs 2 \
  --assignment fuzzy --out out.mat
expect_fault 1 "cannot create files in its folder" --data data.mat --model first.mat --epochs 2 --out no/such/out.mat
echo "test-mpi: passed"
