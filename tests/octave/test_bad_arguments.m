function test_bad_arguments()
% Bad calls to the toolbox's .m functions, grouped per function: each raises
% Tavrix:<function>:<reason> with a message that names the argument at fault.
  rand('state', 6);
  codes = floor(rand(4, 40) .* repmat([2; 3; 2; 2], 1, 40));
  model = TavrixFit(TavrixInit(codes, 2, 3, 'Seed', 1), 100, 'Seed', 1);
  info = struct('Names', {{'a', 'b', 'c', 'd'}}, 'Labels', {{{'x', 'y'}, {'p', 'q', 'r'}, {'x', 'y'}, {'x', 'y'}}});
  notModel = struct('Names', {{'a'}});
  broken = model;
  broken.Marginal{4} = 'abc';

  bad('TavrixInit:argumentCount', 'CODES', @() TavrixInit());
  bad('TavrixInit:dataSize', 'ROWS', @() TavrixInit(codes, {2}, 2));
  bad('TavrixInit:option', 'Colour', @() TavrixInit(codes, 2, 2, 'Colour', 1));
  bad('TavrixInit:dataSize', 'Ranges', @() TavrixInit(codes, 2, 2, 'Ranges', Inf(4, 1)));

  bad('TavrixLabels:argumentCount', 'TavrixLabels(INFO, CODES', @() TavrixLabels(info, 0, 1, 2));
  bad('TavrixLabels:missingField', 'INFO has no field ''Labels''', @() TavrixLabels(notModel, 0));
  bad('TavrixLabels:notInfo', 'INFO', @() TavrixLabels(5, 0));
  bad('TavrixLabels:dataClass', 'CODES', @() TavrixLabels(info, {0}, 1));
  bad('TavrixLabels:codeRange', 'VARIABLES', @() TavrixLabels(info, 0, 9));
  bad('TavrixLabels:codeRange', '''zz''', @() TavrixLabels(info, 0, 'zz'));

  bad('TavrixLabelUnits:argumentCount', 'CLASSES', @() TavrixLabelUnits(model, codes));
  bad('TavrixLabelUnits:notModel', 'MODEL', @() TavrixLabelUnits({}, codes, codes(1, :)));
  bad('TavrixLabelUnits:option', 'Colour', @() TavrixLabelUnits(model, codes, codes(1, :), 'Colour', 1));
  bad('TavrixLabelUnits:dataClass', 'CLASSES', @() TavrixLabelUnits(model, codes, 'abc'));

  bad('TavrixQuality:argumentCount', 'TavrixQuality(MODEL, DATA)', @() TavrixQuality(model));
  bad('TavrixQuality:option', 'Mask', @() TavrixQuality(model, codes, 1));
  bad('TavrixQuality:missingField', 'MODEL', @() TavrixQuality(notModel, codes));
  bad('TavrixQuality:dataClass', 'DATA', @() TavrixQuality(model, {codes}));

  bad('TavrixTree:argumentCount', 'TavrixTree(MODEL, K)', @() TavrixTree(model));
  bad('TavrixTree:argumentCount', 'found 3', @() TavrixTree(model, 1, 2));
  bad('TavrixTree:missingField', 'MODEL', @() TavrixTree(notModel, 1));
  bad('TavrixTree:argumentValue', 'K', @() TavrixTree(model, 7));
  bad('TavrixTree:fieldClass', '''Marginal'' cell 4', @() TavrixTree(broken, 4));
  bad('TavrixTree:dataSize', 'MUTUAL', @() TavrixTree(ones(2, 3), 1));
  bad('TavrixTree:argumentValue', 'ROOTNODE', @() TavrixTree(ones(3), 4));

  bad('tavrix_block_statistics:argumentCount', 'THREADS', @() tavrix_block_statistics(model, codes));
  [~, ~, ~, message] = tavrix_block_statistics(model, codes, [], 0);
  assert(~isempty(strfind(message, 'THREADS')), 'the pass reports bad arguments as its message: %s', message);
  bad('tavrix_build_matlab:argumentCount', 'NAMES', @() tavrix_build_matlab(1, 2, 3, 4));
  bad('tavrix_build_matlab:sources', 'ROOT', @() tavrix_build_matlab(tempdir()));

  check_pictures(model, codes, info, notModel, broken);
  check_common_slips(model, codes);
end

% Calls new users get wrong: an option where a positional argument is due,
% epoch counts that are not whole, 1-based or unnamed classes, names without
% Info, too many outputs; numbers written as integers.
function check_common_slips(model, codes)
  bad('TavrixTrain:argumentCount', 'argument 3 (the number of epochs)', @() TavrixTrain(model, codes, 'Epochs', 10));
  bad('TavrixTrain:argumentCount', 'argument 2 (the data)', @() TavrixTrain(model, 'Epochs', 10, 'Threads', 1));
  bad('TavrixImpute:dataClass', 'argument 2', @() TavrixImpute(model, 'codes', ones(size(codes))));
  bad('TavrixBest:argumentCount', 'argument 2 (the samples)', @() TavrixBest(model, 'Threads', 1));
  bad('TavrixTrain:dataSize', 'found -10.', @() TavrixTrain(model, codes, -10));
  bad('TavrixTrain:dataSize', 'found 10.5.', @() TavrixTrain(model, codes, 10.5));
  bad('TavrixTrain:dataSize', 'found Inf.', @() TavrixTrain(model, codes, Inf));
  bad('TavrixTrain:dataSize', 'found NaN.', @() TavrixTrain(model, codes, NaN));
  assert(isequal(TavrixTrain(model, codes, 0), model));
  bad('TavrixTrain:option', 'found -10.', @() TavrixTrain(model, codes, 1, 'Threads', -10));
  bad('TavrixFit:option', 'found 0.5.', @() TavrixFit(model, 1, 'Seed', 0.5));
  TavrixFit(model, 10.5, 'Seed', 1);   % the online trainer keeps truncating its step count

  oneBased = codes(1, :) + 1;
  bad('TavrixLabelUnits:codeRange', 'CLASSES - 1', @() TavrixLabelUnits(model, codes, oneBased));
  [~, shares] = TavrixLabelUnits(model, codes, oneBased, 'NumClasses', 3);   % class 0 absent, said so
  assert(all(shares(:, 1) == 0));
  bad('TavrixLabelUnits:codeRange', '''NumClasses'' must cover every class, codes 0..1', ...
      @() TavrixLabelUnits(model, codes, codes(1, :), 'NumClasses', 1));
  bad('TavrixPlotHits:codeRange', 'CLASSES - 1', ...
      @() TavrixPlotHits(model, codes, 'Classes', oneBased, 'ClassNames', {'a', 'b'}));
  bad('TavrixPlotHits:codeRange', '''ClassNames'' must cover every class, codes 0..2', ...
      @() TavrixPlotHits(model, codes, 'Classes', 2 * codes(1, :), 'ClassNames', {'a', 'b'}));
  bad('TavrixPlotHits:codeRange', 'CLASSES - 1', @() TavrixPlotHits(model, codes, 'Classes', oneBased));
  bad('TavrixPlotComponent:option', '''Info''', @() TavrixPlotComponent(model, 'Cell.size', '1'));
  bad('TavrixPlotComponent:option', '''Info''', @() TavrixPlotComponent(model, 1, 'y'));

  bad('TavrixQuality:outputCount', 'at most 5', @() six_outputs(@TavrixQuality, model, codes));
  bad('TavrixPlotUMatrix:outputCount', 'at most 2', @() three_outputs(@TavrixPlotUMatrix, model));
  bad('TavrixPlotHits:outputCount', 'at most 3', @() four_outputs(@TavrixPlotHits, model));
  bad('TavrixLabelUnits:outputCount', 'at most 3', @() four_outputs(@TavrixLabelUnits, model, codes, codes(1, :)));
  bad('TavrixTree:outputCount', 'at most 2', @() three_outputs(@TavrixTree, model, 1));
end

function six_outputs(f, varargin)
  [~, ~, ~, ~, ~, ~] = f(varargin{:});
end

function four_outputs(f, varargin)
  [~, ~, ~, ~] = f(varargin{:});
end

function three_outputs(f, varargin)
  [~, ~, ~] = f(varargin{:});
end

function check_pictures(model, codes, info, notModel, broken)
  folder = tempname();
  mkdir(folder);
  cleanup = onCleanup(@() remove_dir(folder));
  good = fullfile(folder, 'u.png');
  missing = fullfile(folder, 'none', 'u.png');
  bad('TavrixPlotUMatrix:missingField', 'MODEL', @() TavrixPlotUMatrix(notModel, 'File', good));
  bad('TavrixPlotUMatrix:fieldClass', '''Marginal'' cell 4', @() TavrixPlotUMatrix(broken, 'File', good));
  bad('TavrixPlotUMatrix:cannotWrite', missing, @() TavrixPlotUMatrix(model, 'File', missing));
  bad('TavrixPlotUMatrix:cannotWrite', '.png', @() TavrixPlotUMatrix(model, 'File', fullfile(folder, 'u.jpg')));
  mkdir(fullfile(folder, 'dir.png'));
  bad('TavrixPlotUMatrix:cannotWrite', 'dir.png', @() TavrixPlotUMatrix(model, 'File', fullfile(folder, 'dir.png')));
  bad('TavrixPlotUMatrix:option', 'Title', @() TavrixPlotUMatrix(model, 'Title', 3, 'File', good));
  bad('TavrixPlotHits:argumentCount', 'MODEL', @() TavrixPlotHits());
  bad('TavrixPlotHits:notModel', 'MODEL', @() TavrixPlotHits(3, 'File', good));
  bad('TavrixPlotHits:option', 'Colour', @() TavrixPlotHits(model, 'Colour', 1));
  bad('TavrixPlotHits:dataClass', 'SAMPLES', @() TavrixPlotHits(model, {codes}, 'File', good));
  bad('TavrixPlotHits:option', 'ClassNames', @() TavrixPlotHits(model, codes, 'Classes', codes(1, :), 'ClassNames', 3));
  bad('TavrixPlotHits:cannotWrite', missing, @() TavrixPlotHits(model, codes, 'File', missing));
  bad('TavrixPlotComponent:argumentCount', 'VALUE', @() TavrixPlotComponent(model, 1));
  bad('TavrixPlotComponent:missingField', 'Info', @() TavrixPlotComponent(model, 1, 0, 'Info', notModel));
  bad('TavrixPlotComponent:codeRange', 'VARIABLE', @() TavrixPlotComponent(model, {1}, 0, 'File', good));
  bad('TavrixPlotComponent:cannotWrite', missing, ...
      @() TavrixPlotComponent(model, 2, 'r', 'Info', info, 'File', missing));
  unwritable = fullfile(folder, 'locked');
  mkdir(unwritable);
  system(sprintf('chmod a-w "%s"', unwritable));
  [fid, ~] = fopen(fullfile(unwritable, 'probe'), 'w');
  if fid < 0   % root may write anywhere
    bad('TavrixPlotUMatrix:cannotWrite', 'permissions', ...
        @() TavrixPlotUMatrix(model, 'File', fullfile(unwritable, 'u.png')));
  else
    fclose(fid);
    delete(fullfile(unwritable, 'probe'));
  end
  system(sprintf('chmod u+w "%s"', unwritable));
  listing = dir(folder);
  assert(~any(~[listing.isdir]), 'a refused picture left a file behind');
  check_failed_writer(model, folder);
  TavrixPlotUMatrix(model, 'File', good);
  listing = dir(folder);
  assert(isequal(sort({listing(~[listing.isdir]).name}), {'u.png'}), 'a picture left a temporary file behind');
end

% A writer that fails after writing part of the file: the error names the
% path, and neither the picture nor a temporary file stays.
function check_failed_writer(model, folder)
  writers = tempname();
  mkdir(writers);
  for name = {'print', 'imwrite'}
    fid = fopen(fullfile(writers, [name{1} '.m']), 'w');
    fprintf(fid, ['function %s(varargin)\n  fid = fopen(varargin{2 - strcmp(''%s'', ''print'')}, ''w'');\n' ...
                  '  fprintf(fid, ''partial'');\n  fclose(fid);\n  error(''disk full'');\nend\n'], name{1}, name{1});
    fclose(fid);
  end
  quiet = warning('off', 'Octave:shadowed-function');
  addpath(writers);
  target = fullfile(folder, 'failed.png');
  try
    bad('TavrixPlotUMatrix:cannotWrite', target, @() TavrixPlotUMatrix(model, 'File', target));
  catch err
    rmpath(writers);
    rethrow(err);
  end
  rmpath(writers);
  warning(quiet);
  remove_dir(writers);
  listing = dir(folder);
  assert(~any(~[listing.isdir]), 'a failed picture left %s behind', strjoin({listing(~[listing.isdir]).name}, ', '));
end

function bad(id, fragment, fn)
  try
    fn();
  catch err
    assert(strcmp(err.identifier, ['Tavrix:' id]), 'expected Tavrix:%s, got %s: %s', id, err.identifier, err.message);
    assert(~isempty(strfind(err.message, fragment)), 'the message of %s lacks "%s": %s', id, fragment, err.message);
    return;
  end
  error('test:noError', 'expected Tavrix:%s, got no error', id);
end

function remove_dir(folder)
  confirm_recursive_rmdir(false);
  rmdir(folder, 's');
end
