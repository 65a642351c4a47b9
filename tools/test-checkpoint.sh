#!/usr/bin/env bash
# tavrix-train's checkpoints and signals: a run killed (kill -9 of a random
# rank at a random point) and resumed, on 1, 2 and 3 ranks and on another
# rank count, gives the uninterrupted run's model bit for bit; SIGTERM to
# mpirun or to one rank stops the run within 5 s with one line saying which
# epoch the checkpoint holds (status 75 from a rank), and the checkpoint
# resumes; a damaged or foreign checkpoint is refused, naming the file; no
# temporary file is left behind.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
TRAIN=${TAVRIX_TRAIN:-$ROOT/build/tavrix-train}
[ -x "$TRAIN" ] || { echo "test-checkpoint: $TRAIN was not built (needs Open MPI and matio)" >&2; exit 1; }
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1 OMPI_MCA_rmaps_base_oversubscribe=1
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"
octave() { octave-cli --no-gui --norc --no-history --eval "addpath('$ROOT/build/octave'); $1"; }
fail() { echo "test-checkpoint: $1" >&2; [ -e log ] && cat log >&2; exit 1; }

octave "
  rand('state', 3);
  d = 9; n = 60000; ranges = [2 3 4 2 3 5 2 4 3]';
  data = floor(rand(d, n) .* ranges);
  data(rand(d, n) < 0.05) = NaN;
  model = TavrixInit(data, 4, 5, 'Seed', 2, 'Ranges', ranges);
  save('-v6', 'data.mat', 'data'); save('-v6', 'first.mat', 'model');
  model = TavrixInit(data, 4, 5, 'Seed', 3, 'Ranges', ranges, 'Method', 'random'); save('-v6', 'other.mat', 'model');"
ARGS=(--data data.mat --model first.mat --epochs 6 --radius 3 1 --held-out 0.1)
mpirun -n 2 "$TRAIN" "${ARGS[@]}" --out full.mat > /dev/null

# same_model <uninterrupted run> <file...>: each holds its model, bit for bit.
same_model() {
  local full=$1 files; shift
  files=$(printf "'%s', " "$@")
  octave "e = load('$full'); for f = {${files%, }}
            s = load(f{1}); assert(isequaln(s.model, e.model), '%s differs from the uninterrupted run', f{1});
          end"
}
no_temporaries() {
  local left=(.ck.mat.*)
  [ ! -e "${left[0]}" ] || fail "temporary files left: ${left[*]}"
}
epoch_held() { octave "s = load('$1'); printf('%d', s.checkpoint.EpochsDone);"; }

# Starts a checkpointed run in the background once $1 exists: MPIRUN holds its pid.
start_run() {  # <ranks> <checkpoint> [tavrix-train arguments...]
  local ranks=$1 file=$2; shift 2
  rm -f "$file"
  mpirun -n "$ranks" "$TRAIN" "${ARGS[@]}" --checkpoint "$file" "$@" > log 2>&1 &
  MPIRUN=$!
  for _ in $(seq 300); do [ -e "$file" ] && return 0; sleep 0.05; done
  fail "no checkpoint $file appeared"
}

for ranks in 1 2 3; do
  start_run "$ranks" ck.mat --out killed.mat
  sleep "0.$((RANDOM % 10))"
  mapfile -t pids < <(pgrep -P "$MPIRUN" -x tavrix-train || true)
  if [ ${#pids[@]} -gt 0 ]; then kill -9 "${pids[$((RANDOM % ${#pids[@]}))]}" 2>/dev/null || true; fi
  wait "$MPIRUN" || true
  held=$(epoch_held ck.mat)
  cp ck.mat "killed-$ranks.mat"
  other=$((ranks % 3 + 1))
  mpirun -n "$other" "$TRAIN" "${ARGS[@]}" --checkpoint ck.mat --resume ck.mat --out resumed-$ranks.mat > log 2>&1 ||
    fail "resuming epoch $held of a $ranks-rank run on $other ranks"
  echo "test-checkpoint: killed on $ranks ranks with epoch $held saved, resumed on $other"
  no_temporaries
done
same_model full.mat resumed-1.mat resumed-2.mat resumed-3.mat

# TavrixTrain and tavrix-train carry on each other's checkpoints: TavrixTrain,
# stopped by its OutputFcn after epoch 2, saves one that tavrix-train resumes,
# and resumes those of the killed runs.
octave "
  load('data.mat'); load('first.mat'); e = load('full.mat');
  options = {'Radius', [3 1], 'HeldOut', 0.1, 'Threads', 2};
  [~, info] = TavrixTrain(model, data, 6, options{:}, 'OutputFcn', @(r) r.Epoch >= 2, 'Checkpoint', 'tt.mat');
  assert(numel(info.Radius) == 2, 'the OutputFcn did not stop the run after epoch 2');
  for f = {'killed-1.mat', 'killed-2.mat', 'killed-3.mat'}
    resumed = TavrixTrain(model, data, 6, options{:}, 'Resume', f{1});
    assert(isequaln(resumed, e.model), 'TavrixTrain resuming %s differs from the uninterrupted run', f{1});
  end"
mpirun -n 2 "$TRAIN" "${ARGS[@]}" --resume tt.mat --out resumed-tt.mat > log 2>&1 || fail "resuming TavrixTrain's checkpoint"
same_model full.mat resumed-tt.mat

# SIGTERM to mpirun, then to one rank: the run stops within 5 s and says what it saved.
# Runs of 200 epochs, so that the signal comes well before the end.
ARGS=(--data data.mat --model first.mat --epochs 200 --radius 3 1 --held-out 0.1)
mpirun -n 2 "$TRAIN" "${ARGS[@]}" --out full200.mat > /dev/null
for target in mpirun rank; do
  start_run 3 ck.mat --every 2 --out stopped.mat
  [ "$target" = mpirun ] && victim=$MPIRUN || victim=$(pgrep -P "$MPIRUN" -x tavrix-train | tail -n 1)
  kill -TERM "$victim"
  began=$SECONDS
  status=0
  wait "$MPIRUN" || status=$?
  [ $((SECONDS - began)) -le 5 ] || fail "SIGTERM to $target took $((SECONDS - began)) s"
  # Open MPI's mpirun, itself signalled, ends with its own status 1; a rank's own status is ours.
  [ "$target" = rank ] && [ "$status" -ne 75 ] && fail "SIGTERM to a rank: exit status $status (wanted 75)"
  [ "$status" -ne 0 ] || fail "SIGTERM to $target: exit status 0"
  [ ! -e stopped.mat ] || fail "a stopped run wrote its output"
  held=$(epoch_held ck.mat)
  grep -q "^tavrix-train: stopped by SIGTERM after epoch $held of 200; ck.mat holds epoch $held; carry on with --resume ck.mat$" log ||
    fail "SIGTERM to $target: no line saying ck.mat holds epoch $held"
  no_temporaries
  mpirun -n 2 "$TRAIN" "${ARGS[@]}" --resume ck.mat --out resumed-$target.mat > log 2>&1 || fail "resuming after SIGTERM"
  echo "test-checkpoint: SIGTERM to $target stopped with epoch $held saved (status $status)"
done
same_model full200.mat resumed-mpirun.mat resumed-rank.mat
ARGS=(--data data.mat --model first.mat --epochs 6 --radius 3 1 --held-out 0.1)

# expect_refused <text> <checkpoint>: exit status 1, a message naming the file, no output.
expect_refused() {
  local status=0
  mpirun -n 2 "$TRAIN" "${ARGS[@]}" --resume "$2" --out refused.mat > log 2>&1 || status=$?
  [ "$status" -eq 1 ] && grep -qE -- "rank 0: $2: $1" log && [ ! -e refused.mat ] ||
    fail "--resume $2 exited $status (wanted 1, a message '$2: $1', no output)"
}
head -c 3000 /dev/urandom > garbage.mat
head -c "$(( $(stat -c %s ck.mat) / 2 ))" ck.mat > truncated.mat
mpirun -n 1 "$TRAIN" --data data.mat --model other.mat --epochs 6 --radius 3 1 --held-out 0.1 --checkpoint foreign.mat \
  --out other-out.mat > /dev/null
mpirun -n 1 "$TRAIN" "${ARGS[@]}" --epochs 5 --checkpoint five.mat --out five-out.mat > /dev/null
expect_refused "cannot open" garbage.mat
expect_refused "(cannot|is damaged)" truncated.mat
expect_refused "holds a run trained from another first model" foreign.mat
expect_refused "holds a run with Epochs 5, this run's is 6" five.mat
expect_refused "cannot read variable 'checkpoint'" first.mat
echo "test-checkpoint: passed"
