function test_train_hooks()
% TavrixTrain's OutputFcn and checkpoints: the function sees every epoch's
% report (and the model only when it takes two arguments) and stops the run
% where it says; a run resumed from any checkpoint, by TavrixTrain with or
% without UseParallel, gives the uninterrupted run's model bit for bit (a
% constant radius, whose epochs may keep units, and a falling one); a
% damaged or foreign checkpoint is refused naming the file; no temporary
% file is left.
  rand('state', 11);
  data = floor(rand(6, 900) .* [2 3 4 2 3 2]');
  data(rand(size(data)) < 0.1) = NaN;
  model = TavrixInit(data, 3, 3, 'Seed', 4, 'Ranges', [2 3 4 2 3 2]');
  folder = tempname();
  mkdir(folder);
  cleanup = onCleanup(@() confirm_recursive_rmdir(false, 'local') + rmdir(folder, 's'));
  file = fullfile(folder, 'run.mat');

  % The OutputFcn stops the run after the epoch it asks for; the model is the one so far, chosen as usual.
  seen = [];
  function stop = record(report)
    seen(end + 1) = report.Epoch;
    assert(report.Epochs == 5 && isfield(report, 'HeldOutLogLikelihood') && report.Radius > 0);
    stop = report.Epoch == 3;
  end
  [stopped, info] = TavrixTrain(model, data, 5, 'OutputFcn', @record);
  assert(isequal(seen, 1:3), 'the OutputFcn saw epochs %s', mat2str(seen));
  assert(numel(info.Radius) == 3 && info.ChosenEpoch <= 3);
  [three, info3] = TavrixTrain(model, data, 5, 'OutputFcn', @(r) r.Epoch >= 3);
  assert(isequaln(stopped, three) && isequaln(info, info3));
  units = [];
  function stop = with_model(report, m)
    units(end + 1) = numel(m.Pi);
    stop = false;
  end
  TavrixTrain(model, data, 2, 'OutputFcn', @with_model);
  assert(isequal(units, [9 9]), 'the OutputFcn with two arguments was not given the model');

  for radius = {[2 2], [2 0.5]}
    options = {'Radius', radius{1}, 'Threads', 2};
    full = TavrixTrain(model, data, 5, options{:});
    for stop = 1:4
      delete_if_there(file);
      TavrixTrain(model, data, 5, options{:}, 'Checkpoint', file, 'CheckpointEvery', 2, ...
                  'OutputFcn', @(r) r.Epoch == stop);
      saved = load(file);
      assert(saved.checkpoint.EpochsDone == stop, 'the checkpoint holds epoch %d, not %d', ...
             saved.checkpoint.EpochsDone, stop);
      assert(isequaln(TavrixTrain(model, data, 5, options{:}, 'Resume', file), full), ...
             'resumed after epoch %d: another model (radius %s)', stop, mat2str(radius{1}));
      assert(isequaln(TavrixTrain(model, data, 5, options{:}, 'Resume', file, 'UseParallel', true), full), ...
             'resumed with UseParallel after epoch %d: another model', stop);
    end
  end
  listing = dir(folder);
  assert(numel(listing) == 3, 'files left beside the checkpoint: %s', strjoin({listing.name}, ' '));

  % What is refused, naming the file.
  options = {'Radius', [2 0.5], 'Threads', 2};
  expect_refused(@() TavrixTrain(model, data(:, 1:800), 5, options{:}, 'Resume', file), file, 'other data');
  other = TavrixInit(data, 3, 3, 'Seed', 5, 'Ranges', [2 3 4 2 3 2]', 'Method', 'random');
  expect_refused(@() TavrixTrain(other, data, 5, options{:}, 'Resume', file), file, 'another first model');
  expect_refused(@() TavrixTrain(model, data, 6, options{:}, 'Resume', file), file, 'Epochs 5');
  expect_refused(@() TavrixTrain(model, data, 5, 'Radius', [3 0.5], 'Resume', file), file, 'RadiusStart');
  expect_refused(@() TavrixTrain(model, data, 5, options{:}, 'Assignment', 'soft', 'Resume', file), file, 'Assignment');
  expect_refused(@() TavrixTrain(model, data, 5, options{:}, 'Lattice', 'hexagonal', 'Resume', file), file, 'Lattice');
  damaged = load(file);
  damaged.checkpoint = rmfield(damaged.checkpoint, 'BestPairs');
  bad = fullfile(folder, 'damaged.mat');
  save('-v7', bad, '-struct', 'damaged');
  expect_refused(@() TavrixTrain(model, data, 5, options{:}, 'Resume', bad), bad, 'BestPairs');
  fid = fopen(bad, 'w'); fwrite(fid, uint8(1:200)); fclose(fid);
  expect_refused(@() TavrixTrain(model, data, 5, options{:}, 'Resume', bad), bad, 'cannot be read');
  expect_refused(@() TavrixTrain(model, data, 5, options{:}, 'Resume', fullfile(folder, 'none.mat')), 'none.mat', ...
                 'no such file');

  % Bad option values, and an OutputFcn that fails or answers nothing usable.
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 2, 'OutputFcn', 'stop'));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 2, 'Checkpoint', 3));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 2, 'CheckpointEvery', 0));
  tavrix_expect_error('Tavrix:TavrixTrain:outputFcn', @() TavrixTrain(model, data, 2, 'OutputFcn', @(r) error('no')));
  tavrix_expect_error('Tavrix:TavrixTrain:outputFcn', @() TavrixTrain(model, data, 2, 'OutputFcn', @(r) [1 2]));
  tavrix_expect_error('Tavrix:TavrixTrain:checkpoint', ...
                      @() TavrixTrain(model, data, 2, 'Checkpoint', fullfile(folder, 'no', 'such.mat')));
end

function expect_refused(call, file, text)
  try
    call();
  catch err
    assert(strcmp(err.identifier, 'Tavrix:TavrixTrain:checkpoint'), 'got %s: %s', err.identifier, err.message);
    assert(~isempty(strfind(err.message, file)) && ~isempty(strfind(err.message, text)), ...
           'the message does not name %s and say %s: %s', file, text, err.message);
    return;
  end
  error('test:noError', 'a checkpoint that should be refused (%s) was taken', text);
end

function delete_if_there(file)
  if exist(file, 'file')
    delete(file);
  end
end
