%TAVRIXMAKE The best map for the data: map sizes tried, chosen on held-out samples.
%   MODEL = TavrixMake(DATA) makes a trained map of the Dimension x N matrix
%   DATA of 0-based value codes (one sample a column, NaN where missing). It
%   holds back a tenth of the samples and, for each map size of a ladder
%   (1 x 1, 2 x 2, 3 x 3, 4 x 4, 6 x 6, 8 x 8, 11 x 11, 16 x 16, ... up to
%   about 5 sqrt(N) units), makes a first model with TavrixInit on the
%   others and trains it with TavrixTrain for EPOCHS epochs, its radius
%   falling from half the longer side of the grid to 0.3. After every epoch
%   the held-back samples are scored (mean log-likelihood of their observed
%   values under the map as a mixture) and the candidate is its best epoch
%   (or its first model). The ladder stops at the first size that does not
%   score better than the best so far, or before a size that would take the
%   call past MaxSeconds (its time predicted from the size before, in
%   proportion to the units). The best candidate then trains on for
%   SoftEpochs epochs with soft assignment (TavrixTrain's 'Assignment',
%   'soft'), the radius falling from 1 to 0.05, its best epoch kept when
%   it scores better; fewer where they would not fit in MaxSeconds (each
%   predicted at three times the candidate's time per epoch). Last, the chosen size is trained again from its first
%   model on all samples, for the epochs and radii that were chosen, so that
%   no sample is wasted ('Retrain').
%
%   [MODEL, REPORT] = TavrixMake(...) also returns a struct of columns, one
%   row per candidate tried:
%     Rows, Cols              the map size
%     Epochs                  epochs trained
%     ChosenEpoch             the epoch kept (0: the first model)
%     HeldOutLogLikelihood    the kept model's mean log-likelihood of the
%                             held-out samples (nats per sample; higher is
%                             better)
%     StartLogLikelihood      the first model's
%     TopographicError        on the held-out samples (TavrixQuality; their
%                             missing entries filled in by TavrixImpute)
%     InitSeconds, TrainSeconds, ScoreSeconds
%                             where the candidate's time went: the first
%                             model, training with its held-out scores, the
%                             topographic error
%     Seconds                 their sum
%   and, for the whole call:
%     Chosen                  the row of the candidate the model comes from
%     SoftEpochs, SoftChosenEpoch, SoftHeldOutLogLikelihood, SoftSeconds
%                             the soft epochs: run, kept (0: none
%                             scored better), the held-out log-likelihood
%                             of the model returned (before retraining) and
%                             their seconds
%     Stop                    why the ladder stopped: 'score' (a size scored
%                             no better), 'time' (MaxSeconds) or 'sizes'
%                             (every size tried)
%     RetrainSeconds          the final training on all samples (0 when none)
%     TotalSeconds            the whole call
%   TavrixMake(..., 'Verbose', true) prints a line per candidate and the
%   choice.
%
%   Options
%     Validation:: []      held-out samples of your own (Dimension x M, NaN
%                          where missing) to choose by; then every sample of
%                          DATA is trained on and nothing is retrained.
%     HeldOut::    [0.1]   without Validation, the share of DATA held back:
%                          sample j when frac(j * 0.618...) < HeldOut, the
%                          same samples on every call.
%     Sizes::      []      a K x 2 matrix of map sizes [ROWS COLS] to try in
%                          its order instead of the ladder (same stopping rule).
%     Epochs::     [30]    epochs per candidate (1..10000).
%     SoftEpochs:: [30]    soft epochs after the ladder (0..10000; 0: none).
%     MaxSeconds:: [150]   the time the ladder and the soft epochs may take;
%                          Inf tries sizes until one scores no better and
%                          runs every soft epoch, whatever the machine.
%     Retrain::    [true]  without Validation, train the chosen size again on
%                          all samples; false returns the chosen candidate.
%     Mask::       []      Dimension x N, 0 marks a missing entry of DATA.
%     Ranges::     []      the number of values of each variable; by default
%                          the largest code + 1 in DATA and Validation.
%     Seed::       []      a whole number: every TavrixInit call gets it, so
%                          the same seed gives the same model and report.
%     Threads::    [number of cores]  threads for training and scoring.
%     Compact::    []      true or false: every TavrixInit and TavrixTrain
%                          call makes compact models (only the tables of
%                          each unit's tree edges kept, see TavrixCompact)
%                          or full ones; [] lets them choose, compact when
%                          the full model would pass 512 MiB (Units x
%                          NumValues^2 x 8 bytes > 2^29).
%     Verbose::    [false] print the progress.
%
%   Errors (identifiers Tavrix:TavrixMake:<reason>)
%     argumentCount  no DATA
%     dataClass      DATA or Validation is not a real numeric matrix
%     codeRange      an entry that is not a 0-based code, or a code not
%                    below its variable's Ranges entry
%     dataSize       no variables, a Mask or Validation of the wrong size,
%                    or too few samples to hold some back
%     option         an unknown or malformed option
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);                       % the party held aside
%     [model, report] = TavrixMake(votes, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     disp([report.Rows report.Cols report.HeldOutLogLikelihood report.TopographicError])
%
%   See also TavrixInit, TavrixTrain, TavrixQuality, TavrixScore.
function [model, report] = TavrixMake(data, varargin)
  tavrix_check_count('TavrixMake', nargin, 1, Inf, 'TavrixMake(DATA, ''Name'', VALUE, ...)');
  started = tic;
  [data, opts] = tavrix_make_options(data, varargin);
  n = size(data, 2);
  if isempty(opts.Validation)
    heldBack = tavrix_make_split(n, opts.HeldOut);
    fit = data(:, ~heldBack);
    held = data(:, heldBack);
  else
    fit = data;
    held = opts.Validation;
  end
  sizes = opts.Sizes;
  if isempty(sizes)
    sizes = ladder(size(fit, 2));
  end

  columns = {'Rows', 'Cols', 'Epochs', 'ChosenEpoch', 'HeldOutLogLikelihood', 'StartLogLikelihood', ...
             'TopographicError', 'InitSeconds', 'TrainSeconds', 'ScoreSeconds', 'Seconds'};
  for c = columns
    report.(c{1}) = zeros(0, 1);
  end
  report.Chosen = 0;
  report.Stop = 'sizes';
  retrains = isempty(opts.Validation) && opts.Retrain;
  top = -Inf;
  for k = 1:size(sizes, 1)
    if k > 1 && toc(started) + predicted_seconds(report, sizes(k, :), retrains) > opts.MaxSeconds
      report.Stop = 'time';
      break;
    end
    [candidate, row] = try_size(fit, held, sizes(k, :), opts);
    for c = columns
      report.(c{1})(k, 1) = row.(c{1});
    end
    better = row.HeldOutLogLikelihood > top;
    if opts.Verbose
      fprintf('TavrixMake: %3d x %-3d held-out log-likelihood %.4f (first model %.4f, epoch %d of %d), ', ...
              row.Rows, row.Cols, row.HeldOutLogLikelihood, row.StartLogLikelihood, row.ChosenEpoch, row.Epochs);
      fprintf('topographic error %.3f, %.1f s%s\n', row.TopographicError, row.Seconds, ifelse(better, ' *', ''));
    end
    if ~better
      report.Stop = 'score';
      break;
    end
    top = row.HeldOutLogLikelihood;
    report.Chosen = k;
    chosen = candidate;
  end

  % Soft epochs from the chosen model: every sample counted in every unit
  % by its posterior, the radius falling further (docs/batch.md).
  clock = tic;
  report.SoftEpochs = soft_epochs(opts, report, toc(started), retrains);
  report.SoftChosenEpoch = 0;
  report.SoftHeldOutLogLikelihood = top;
  model = chosen.model;
  if report.SoftEpochs > 0
    [softModel, softInfo] = TavrixTrain(model, fit, report.SoftEpochs, 'Radius', kSoftRadius, 'Assignment', ...
                                        'soft', 'Validation', held, opts.ThreadsOption{:}, ...
                                        opts.CompactOption{:});
    report.SoftChosenEpoch = softInfo.ChosenEpoch;
    if softInfo.ChosenEpoch > 0
      model = softModel;
      report.SoftHeldOutLogLikelihood = softInfo.HeldOutLogLikelihood(softInfo.ChosenEpoch);
    end
  end
  report.SoftSeconds = toc(clock);

  % The same epochs again on every sample, from the same first model.
  report.RetrainSeconds = 0;
  if retrains && chosen.info.ChosenEpoch > 0
    clock = tic;
    epochs = chosen.info.ChosenEpoch;
    radius = chosen.info.Radius(unique([1 epochs]));
    model = TavrixTrain(chosen.first, data, epochs, 'Radius', radius, 'Assignment', 'hard', 'HeldOut', 0, ...
                        opts.ThreadsOption{:}, opts.CompactOption{:});
    if report.SoftChosenEpoch > 0
      epochs = report.SoftChosenEpoch;
      radius = softInfo.Radius(unique([1 epochs]));
      model = TavrixTrain(model, data, epochs, 'Radius', radius, 'Assignment', 'soft', 'HeldOut', 0, ...
                          opts.ThreadsOption{:}, opts.CompactOption{:});
    end
    report.RetrainSeconds = toc(clock);
  end
  report.TotalSeconds = toc(started);
  if opts.Verbose
    reasons = struct('score', 'the next size scored no better', 'time', 'the next size would pass MaxSeconds', ...
                     'sizes', 'every size tried');
    fprintf(['TavrixMake: chose %d x %d, epoch %d (%s), then soft epoch %d of %d, held-out log-likelihood ' ...
             '%.4f%s; %.1f s in all.\n'], report.Rows(report.Chosen), report.Cols(report.Chosen), ...
            report.ChosenEpoch(report.Chosen), reasons.(report.Stop), report.SoftChosenEpoch, report.SoftEpochs, ...
            report.SoftHeldOutLogLikelihood, ifelse(report.RetrainSeconds > 0, ', trained again on all samples', ...
            ''), report.TotalSeconds);
  end
end

% One candidate: its first model, its training with held-out selection and
% its topographic error on the held-out samples.
function [candidate, row] = try_size(fit, held, mapSize, opts)
  row.Rows = mapSize(1);
  row.Cols = mapSize(2);
  clock = tic;
  seed = {};
  if ~isempty(opts.Seed)
    seed = {'Seed', opts.Seed};
  end
  candidate.first = TavrixInit(fit, row.Rows, row.Cols, 'Ranges', opts.Ranges, seed{:}, opts.ThreadsOption{:}, ...
                               opts.CompactOption{:});
  row.InitSeconds = toc(clock);

  clock = tic;
  radius = [max(kFinalRadius, max(mapSize) / 2), kFinalRadius];
  [candidate.model, candidate.info] = TavrixTrain(candidate.first, fit, opts.Epochs, 'Radius', radius, ...
                                                  'Assignment', 'hard', 'Validation', held, opts.ThreadsOption{:}, ...
                                                  opts.CompactOption{:});
  row.TrainSeconds = toc(clock);
  row.Epochs = opts.Epochs;
  row.ChosenEpoch = candidate.info.ChosenEpoch;
  row.StartLogLikelihood = candidate.info.StartHeldOutLogLikelihood;
  row.HeldOutLogLikelihood = max([row.StartLogLikelihood; candidate.info.HeldOutLogLikelihood(:)]);

  clock = tic;
  row.TopographicError = topographic_error(candidate.model, held, opts);
  row.ScoreSeconds = toc(clock);
  row.Seconds = row.InitSeconds + row.TrainSeconds + row.ScoreSeconds;
end

% A candidate's time grows with its units; training again on all samples
% takes at most as long again.
function seconds = predicted_seconds(report, mapSize, retrains)
  units = report.Rows .* report.Cols;
  seconds = report.Seconds(end) * prod(mapSize) / units(end) * (1 + retrains);
end

% The soft epochs that fit in what is left of MaxSeconds, at three times
% the chosen candidate's time per epoch (soft epochs took 1 to 3 times a
% hard one on the density sets), after its retraining.
function epochs = soft_epochs(opts, report, elapsed, retrains)
  k = report.Chosen;
  perEpoch = 3 * report.TrainSeconds(k) / report.Epochs(k);
  left = opts.MaxSeconds - elapsed - retrains * report.TrainSeconds(k);
  epochs = min(opts.SoftEpochs, max(0, floor(left / perEpoch)));
end

% Squares of about 1.4 times the units of the one before, up to about
% 5 sqrt(N) units (TavrixInit's own choice for N samples).
function sizes = ladder(n)
  sides = [1 2 3 4 6 8 11 16 23 32 45 64 90 128];
  sides = sides(sides .^ 2 <= max(4, 5 * sqrt(n)));
  sizes = [sides(:) sides(:)];
end

% The radius of the soft epochs, first and last.
function r = kSoftRadius()
  r = [1 0.05];
end

% The last epoch's radius of every candidate: held-out selection keeps the
% epoch before the map over-fits (docs/guide.md, "Making a map").
function r = kFinalRadius()
  r = 0.3;
end

function value = topographic_error(model, held, opts)
  missing = isnan(held);
  if any(missing(:))
    held(missing) = 0;
    held = TavrixImpute(model, held, ~missing, opts.ThreadsOption{:});
  end
  [~, value] = TavrixQuality(model, held);
end

function value = ifelse(condition, yes, no)
  value = no;
  if condition
    value = yes;
  end
end
