function test_toolbox_build()
% tavrix_build_matlab under Octave's mex builds every function, and the
% functions it builds give the same doubles as the CMake build.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  addpath(fullfile(root, 'toolbox'));
  rand('state', 21);
  codes = floor(rand(5, 40) .* repmat([2; 3; 2; 4; 2], 1, 40));
  model = TavrixInit(codes, 2, 3, 'Seed', 1);
  mask = double(rand(size(codes)) > 0.3);
  cmake = results(model, codes, mask);
  cmakeDir = fileparts(which('TavrixBest'));

  out = tempname();
  cleanup = onCleanup(@() remove_dir(out, cmakeDir));
  built = tavrix_build_matlab(root, out);
  assert(all(cellfun(@(f) exist(f, 'file') ~= 0, built)));
  names = cellfun(@function_name, built, 'UniformOutput', false);
  assert(all(ismember({'TavrixBest', 'TavrixFit', 'TavrixScore', 'TavrixHoles', 'TavrixImpute'}, names)));
  clear(names{:});
  addpath(out);
  assert(strcmp(fileparts(which('TavrixImpute')), out));
  own = results(model, codes, mask);
  names = fieldnames(cmake);
  for f = 1:numel(names)
    tavrix_same_bits(cmake.(names{f}), own.(names{f}), names{f});
  end
  assert(~isempty(strfind(help(fullfile(out, 'TavrixFit.m')), 'TavrixFit(MODEL, T)')));
end

function r = results(model, codes, mask)
  [r.best, r.scores] = TavrixBest(model, codes);
  [r.nll, r.perSample] = TavrixScore(model, codes);
  [r.holes, r.holesPerSample] = TavrixHoles(model, codes, mask);
  [r.filled, r.post, r.logp] = TavrixImpute(model, codes, mask);
  trained = TavrixFit(model, 50, 'Seed', 3);
  r.marginal = [trained.Marginal{:}];
  r.graph = [trained.Graph{:}];
end

function remove_dir(out, cmakeDir)
  rmpath(out);
  addpath(cmakeDir);
  built = dir(fullfile(out, ['*.' mexext()]));
  names = cellfun(@function_name, {built.name}, 'UniformOutput', false);
  clear(names{:});
  confirm_recursive_rmdir(false);
  rmdir(out, 's');
end

function name = function_name(file)
  [~, name] = fileparts(file);
end
