function test_make()
% TavrixMake: errors that name the argument, a valid model and a report of
% the stated shape, the same result for the same seed, the candidate kept
% the one with the best held-out score, and missing entries.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  [codes, info] = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  votes = codes(1:16, :);
  ranges = info.Ranges(1:16);
  check_errors(votes);

  % Choosing on validation samples of our own: the model returned is the
  % chosen candidate's, and its held-out score is the report's.
  train = votes(:, 1:300);
  valid = votes(:, 301:end);
  sizes = [1 1; 2 2; 3 3; 4 4];
  quick = {'Epochs', 6, 'SoftEpochs', 4, 'Seed', 3, 'Ranges', ranges};
  [model, report] = TavrixMake(train, 'Validation', valid, 'Sizes', sizes, quick{:});
  check_report(report, sizes, 6);
  k = report.Chosen;
  assert(model.NumRowsMap == report.Rows(k) && model.NumColsMap == report.Cols(k));
  assert(report.HeldOutLogLikelihood(k) == max(report.HeldOutLogLikelihood), 'not the best candidate');
  [~, ~, loglik] = TavrixStats(model, valid);
  assert(abs(mean(loglik) - report.SoftHeldOutLogLikelihood) < 1e-12, 'the model returned is not the one scored');
  assert(report.SoftHeldOutLogLikelihood >= report.HeldOutLogLikelihood(k));
  assert(report.SoftChosenEpoch > 0 || report.SoftHeldOutLogLikelihood == report.HeldOutLogLikelihood(k));
  TavrixScore(model, votes(:, all(~isnan(votes), 1)));       % a valid model for every function
  assert(report.RetrainSeconds == 0, 'retrained although the validation samples were given');

  % The same seed gives the same model and the same report but its seconds.
  [again, second] = TavrixMake(train, 'Validation', valid, 'Sizes', sizes, quick{:}, 'Threads', 1);
  assert(isequal(again, model), 'the same seed (and another thread count) gave another model');
  for c = {'Rows', 'Cols', 'Epochs', 'ChosenEpoch', 'HeldOutLogLikelihood', 'StartLogLikelihood', ...
           'TopographicError', 'Chosen', 'SoftChosenEpoch', 'SoftHeldOutLogLikelihood'}
    assert(isequal(second.(c{1}), report.(c{1})), 'report column %s differs for the same seed', c{1});
  end

  % Held back from the data, with missing entries: the chosen size is
  % trained again on every sample unless 'Retrain' is false.
  quick = {'Sizes', [2 2; 3 3], 'Epochs', 5, 'SoftEpochs', 3, 'Seed', 1, 'Ranges', ranges};
  [kept, keptReport] = TavrixMake(votes, quick{:}, 'Retrain', false);
  [model, report] = TavrixMake(votes, quick{:});
  assert(any(isnan(votes(:))) && all(isfinite(report.TopographicError)));
  seconds = {'InitSeconds', 'TrainSeconds', 'ScoreSeconds', 'Seconds', 'SoftSeconds', 'RetrainSeconds', ...
             'TotalSeconds'};
  assert(isequal(rmfield(keptReport, seconds), rmfield(report, seconds)));
  k = report.Chosen;
  assert(isequal([model.NumRowsMap model.NumColsMap], [report.Rows(k) report.Cols(k)]));
  assert(report.ChosenEpoch(k) == 0 || ~isequal(model.Marginal, kept.Marginal), 'not trained again');
  assert(report.ChosenEpoch(k) == 0 || (report.RetrainSeconds > 0 && keptReport.RetrainSeconds == 0));

  % The default ladder stops at the first size that scores no better.
  [~, report] = TavrixMake(votes, 'Epochs', 4, 'SoftEpochs', 2, 'Seed', 1, 'Ranges', ranges);
  scores = report.HeldOutLogLikelihood;
  assert(report.Rows(1) == 1 && isequal(report.Rows, report.Cols));
  assert(all(diff(scores(1:end - 1)) > 0), 'the ladder went on after a size that did not improve');
  assert(report.Chosen == numel(scores) - 1 || report.Chosen == numel(scores));
  assert(strcmp(report.Stop, 'score') == (report.Chosen < numel(scores)));

  % Out of time after the first candidate: it is the one returned.
  [model, report] = TavrixMake(votes, 'Epochs', 2, 'SoftEpochs', 0, 'Seed', 1, 'Ranges', ranges, ...
                               'MaxSeconds', 1e-9);
  assert(strcmp(report.Stop, 'time') && numel(report.Rows) == 1 && report.Chosen == 1);
  assert(model.NumRowsMap == 1 && model.NumColsMap == 1);
end

function check_report(report, sizes, epochs)
  k = numel(report.Rows);
  assert(k >= 1 && k <= size(sizes, 1));
  assert(isequal([report.Rows report.Cols], sizes(1:k, :)));
  for c = {'Epochs', 'ChosenEpoch', 'HeldOutLogLikelihood', 'StartLogLikelihood', 'TopographicError', ...
           'InitSeconds', 'TrainSeconds', 'ScoreSeconds', 'Seconds'}
    assert(isequal(size(report.(c{1})), [k 1]), 'report column %s is not %d x 1', c{1}, k);
  end
  assert(all(report.Epochs == epochs) && all(report.ChosenEpoch >= 0 & report.ChosenEpoch <= epochs));
  assert(all(report.HeldOutLogLikelihood >= report.StartLogLikelihood));
  assert(all(report.TopographicError >= 0 & report.TopographicError <= 1));
  assert(abs(sum(report.Seconds) - sum(report.InitSeconds + report.TrainSeconds + report.ScoreSeconds)) < 1e-9);
  assert(report.TotalSeconds >= sum(report.Seconds));
end

% Every reason, and the message names the argument at fault.
function check_errors(votes)
  id = @(reason) ['Tavrix:TavrixMake:' reason];
  expect = @(reason, named, fn) expect_naming(id(reason), named, fn);
  expect('argumentCount', 'DATA', @() TavrixMake());
  expect('dataClass', 'DATA', @() TavrixMake('vote.arff'));
  expect('dataClass', 'DATA', @() TavrixMake({votes}));
  expect('dataClass', 'Validation', @() TavrixMake(votes, 'Validation', 'valid'));
  expect('codeRange', 'DATA', @() TavrixMake([votes, -ones(16, 1)]));
  expect('codeRange', 'DATA', @() TavrixMake([votes, 0.5 * ones(16, 1)]));
  expect('codeRange', 'Validation', @() TavrixMake(votes, 'Validation', 2 * ones(16, 1), 'Ranges', 2 * ones(16, 1)));
  expect('dataSize', 'Mask', @() TavrixMake(votes, 'Mask', true(16, 3)));
  expect('dataSize', 'Validation', @() TavrixMake(votes, 'Validation', zeros(15, 4)));
  expect('dataSize', 'HeldOut', @() TavrixMake(votes(:, 1:2)));
  expect('dataSize', 'DATA', @() TavrixMake(zeros(0, 5)));
  expect('option', 'Sizes', @() TavrixMake(votes, 'Sizes', [4 4 4]));
  expect('option', 'Sizes', @() TavrixMake(votes, 'Sizes', [0 4]));
  expect('option', 'Ranges', @() TavrixMake(votes, 'Ranges', [2 2]));
  expect('option', 'Epochs', @() TavrixMake(votes, 'Epochs', 0));
  expect('option', 'SoftEpochs', @() TavrixMake(votes, 'SoftEpochs', -1));
  expect('option', 'Seed', @() TavrixMake(votes, 'Seed', -1));
  expect('option', 'Threads', @() TavrixMake(votes, 'Threads', 2000));
  expect('option', 'HeldOut', @() TavrixMake(votes, 'HeldOut', 1));
  expect('option', 'Verbose', @() TavrixMake(votes, 'Verbose', 'yes'));
  expect('option', 'Retrain', @() TavrixMake(votes, 'Retrain', 2));
  expect('option', 'MaxSeconds', @() TavrixMake(votes, 'MaxSeconds', 0));
  expect('option', 'Radius', @() TavrixMake(votes, 'Radius', 1));
  expect('option', 'name-value pairs', @() TavrixMake(votes, 'Seed'));
end

function expect_naming(id, named, fn)
  try
    fn();
  catch err
    assert(strcmp(err.identifier, id), 'expected %s, got %s: %s', id, err.identifier, err.message);
    assert(~isempty(strfind(err.message, named)), 'the message of %s does not name %s: %s', id, named, err.message);
    return;
  end
  error('test:noError', 'expected error %s, got none', id);
end
