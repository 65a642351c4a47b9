function test_init()
% TavrixInit makes valid, proper, reproducible models that every gateway
% accepts, by both methods; TavrixTree follows the training tree rule.
  rand('state', 11);
  ranges = [2; 3; 1; 4; 2];
  codes = floor(rand(5, 60) .* repmat(ranges, 1, 60));
  for root = [0 1 4]
    for method = {'linear', 'random'}
      model = TavrixInit(codes, 3, 2, 'Seed', 5, 'RootNode', root, 'Method', method{1});
      check_model(model, codes, root);
      call_every_gateway(model, codes);
    end
  end

  % Random: reproducible with a seed, different between seeds and between units.
  a = TavrixInit(codes, 2, 2, 'Seed', 3, 'Method', 'random');
  assert(isequal(a, TavrixInit(codes, 2, 2, 'Seed', 3, 'Method', 'random')));
  assert(~isequal(a.Marginal, TavrixInit(codes, 2, 2, 'Seed', 4, 'Method', 'random').Marginal));
  assert(~isequal(a.Marginal{1}, a.Marginal{2}));
  % The seed leaves the caller's random state as it was; without one the
  % host's random state gives it.
  rand('state', 1); before = rand(); rand('state', 1);
  TavrixInit(codes, 2, 2, 'Seed', 9, 'Method', 'random');
  assert(rand() == before);
  rand('state', 2); b = TavrixInit(codes, 2, 2, 'Method', 'random');
  rand('state', 2); assert(isequal(b, TavrixInit(codes, 2, 2, 'Method', 'random')));
  % Linear: no randomness, units differ.
  lin = TavrixInit(codes, 2, 2, 'Seed', 3);
  assert(isequal(lin, TavrixInit(codes, 2, 2, 'Seed', 4)) && ~isequal(lin.Marginal{1}, lin.Marginal{4}));

  % Spread 0: every unit holds the data's frequencies (with the 1% floor).
  flat = TavrixInit(codes, 2, 1, 'Spread', 0, 'Method', 'random');
  assert(isequal(flat.Marginal{1}, flat.Marginal{2}));
  expected = 0.99 * mean(codes(2, :) == 1) + 0.01 / 3;
  assert(abs(flat.Marginal{1}(flat.Translate(2, 2)) - expected) < 1e-14);

  % Missing entries (NaN or mask 0) are left out of the frequencies and
  % filled with the variable's most frequent value in Samples.
  holes = [0 1 1 NaN 1; 2 0 0 0 1];
  m = TavrixInit(holes, 1, 1, 'Spread', 0, 'Mask', [1 1 1 1 1; 1 1 1 0 1], 'Method', 'random');
  assert(isequal(m.Samples, [0 1 1 1 1; 2 0 0 0 1]));
  assert(abs(m.Marginal{1}(2) - (0.99 * 0.75 + 0.005)) < 1e-14);
  assert(isequal(m.Ranges, [2; 3]));
  check_model(m, m.Samples, 0);

  % Ranges from the caller: values never seen still get a place.
  wide = TavrixInit(codes, 1, 2, 'Ranges', ranges + 1);
  assert(isequal(wide.Ranges, ranges + 1) && wide.NumValues == sum(ranges + 1));
  check_model(wide, codes, 0);
  one = TavrixInit([0 1 1 0], 1, 1);
  assert(isequal(one.Graph{1}, 0) && isequal(one.Mutual{1}, 0));

  tavrix_expect_error('Tavrix:TavrixInit:argumentCount', @() TavrixInit(codes, 2));
  tavrix_expect_error('Tavrix:TavrixInit:argumentCount', @() TavrixInit());
  tavrix_expect_error('Tavrix:TavrixInit:dataClass', @() TavrixInit({1}, 2, 2));
  tavrix_expect_error('Tavrix:TavrixInit:codeRange', @() TavrixInit([0 -1], 2, 2));
  tavrix_expect_error('Tavrix:TavrixInit:codeRange', @() TavrixInit([0 1.5], 2, 2));
  tavrix_expect_error('Tavrix:TavrixInit:codeRange', @() TavrixInit(codes, 2, 2, 'Ranges', ones(5, 1)));
  tavrix_expect_error('Tavrix:TavrixInit:dataSize', @() TavrixInit(codes, 0, 2));
  tavrix_expect_error('Tavrix:TavrixInit:dataSize', @() TavrixInit(NaN(2, 3), 2, 2));
  tavrix_expect_error('Tavrix:TavrixInit:dataSize', @() TavrixInit(codes, 2, 2, 'Mask', ones(2)));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'RootNode', 6));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Spread', 2));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Colour', 1));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Method', 'pca'));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Lattice', 3));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Threads', 0));
  tavrix_expect_error('Tavrix:TavrixInit:option', @() TavrixInit(codes, 2, 2, 'Seed', -1));
  tavrix_expect_error('Tavrix:TavrixInit:dataSize', @() TavrixInit(codes, 2, 2, 'Ranges', [2 3]));

  check_threads_and_lattice(codes);
  check_linear_order();

  check_messages(codes, ranges);
  check_warnings(codes);
  check_default_size(codes);
  check_tree_rule();
end

% Every thread count gives the same model; a hexagonal map says so.
function check_threads_and_lattice(codes)
  for method = {'linear', 'random'}
    one = TavrixInit(codes, 3, 4, 'Seed', 2, 'Method', method{1}, 'Threads', 1);
    for threads = [2 3]
      assert(isequal(one, TavrixInit(codes, 3, 4, 'Seed', 2, 'Method', method{1}, 'Threads', threads)));
    end
  end
  hex = TavrixInit(codes, 3, 4, 'Lattice', 'hexagonal');
  assert(strcmp(hex.Lattice, 'hexagonal') && isequal(size(hex.Lattice), [1 9]));
  check_model(rmfield(hex, 'Lattice'), codes, 0);
  assert(~isfield(TavrixInit(codes, 3, 4, 'Lattice', 'Rectangular'), 'Lattice'));
end

% The linear map is ordered before training: neighbouring units hold
% neighbouring samples, so its topographic error is below the random map's.
function check_linear_order()
  codes = TavrixRead(fullfile(fileparts(mfilename('fullpath')), '..', '..', 'data', 'vote.arff'));
  linear = TavrixInit(codes, 6, 6);
  random = TavrixInit(codes, 6, 6, 'Method', 'random', 'Seed', 1);
  [~, linearError] = TavrixQuality(linear, linear.Samples);
  [~, randomError] = TavrixQuality(random, linear.Samples);
  assert(linearError < randomError, 'topographic error: linear %g, random %g', linearError, randomError);
end

% Errors name the function and the first bad entry as (variable, sample),
% and say what to do where the cause is likely.
function check_messages(codes, ranges)
  expect_message('codeRange', {'TavrixInit: ', 'entry (2, 3)', 'found -1'}, @() TavrixInit([0 1 0; 1 0 -1], 2, 2));
  expect_message('codeRange', {'entry (1, 2)', 'found 1.5'}, @() TavrixInit([0 1.5; 0 0], 2, 2));
  % NaN is missing, not a bad code; a masked bad code is never looked at.
  expect_message('codeRange', {'entry (2, 1)', 'found Inf'}, @() TavrixInit([NaN 0; Inf 1], 1, 1));
  TavrixInit([0 1; -5 1], 1, 1, 'Mask', [1 1; 0 1]);
  % A code equal to its variable's Ranges entry is most likely 1-based.
  bad = codes;
  bad(4, 7) = ranges(4);
  expect_message('codeRange', {'entry (4, 7)', 'within 0..3', '0-based: subtract 1'}, ...
                 @() TavrixInit(bad, 2, 2, 'Ranges', ranges));
  bad(4, 7) = ranges(4) + 1;
  message = expect_message('codeRange', {'entry (4, 7)'}, @() TavrixInit(bad, 2, 2, 'Ranges', ranges));
  assert(isempty(strfind(message, '0-based')));
  expect_message('dataClass', {'TavrixInit: ', 'TavrixRead'}, @() TavrixInit('vote.arff'));
  expect_message('dataClass', {'TavrixRead'}, @() TavrixInit({'y', 'n'}, 2, 2));
  expect_message('argumentCount', {'COLS'}, @() TavrixInit(codes, 2));
  expect_message('dataSize', {'TavrixInit: ', 'ROWS'}, @() TavrixInit(codes, 0, 2));
  expect_message('dataSize', {'COLS'}, @() TavrixInit(codes, 1, 'Seed'));
  expect_message('option', {'argument 4'}, @() TavrixInit(codes, 'Seed', 1, 5, 1));
  expect_message('option', {'argument 4'}, @() TavrixInit(codes, 2, 2, 1, 'Seed'));
end

% More variables than samples, and codes that never use 0, warn.
function check_warnings(codes)
  lastwarn('');
  TavrixInit(codes, 2, 2);
  assert(isempty(lastwarn()));
  expect_warning('Tavrix:TavrixInit:transposed', 'CODES''', @() TavrixInit(codes', 2, 2));
  expect_warning('Tavrix:TavrixInit:oneBased', 'CODES - 1', @() TavrixInit(codes + 1, 2, 2));
  % One variable using 0 is enough.
  shifted = codes + 1;
  shifted(3, :) = 0;
  lastwarn('');
  TavrixInit(shifted, 2, 2);
  assert(isempty(lastwarn()));
end

% Without ROWS and COLS: about 5 sqrt(N) units, sides in the ratio of the
% data's two largest principal spreads; the same model as with that size.
function check_default_size(codes)
  model = TavrixInit(codes, 'Seed', 4, 'RootNode', 2);
  assert(isequal(model, TavrixInit(codes, model.NumRowsMap, model.NumColsMap, 'Seed', 4, 'RootNode', 2)));
  units = model.NumRowsMap * model.NumColsMap;
  assert(abs(units - 5 * sqrt(60)) <= model.NumRowsMap && model.NumRowsMap >= 2);
  % Three tied variables and one that varies little: a long map.
  rand('state', 5);
  a = double(rand(1, 400) < 0.5);
  tied = [a; a; a; double(rand(1, 400) < 0.1)];
  long = TavrixInit(tied, 'Seed', 1);
  assert(long.NumColsMap > 2 * long.NumRowsMap);
  % Data along one direction only, and constant data: the ends of the rule.
  line = TavrixInit([a; 1 - a]);
  assert(line.NumRowsMap == 2 && line.NumColsMap == 50);
  flat = TavrixInit(zeros(3, 100));
  assert(flat.NumRowsMap == 7 && flat.NumColsMap == 7);
  tiny = TavrixInit([0 1]);
  assert(tiny.NumRowsMap == 2 && tiny.NumColsMap == 4);
end

function message = expect_message(reason, fragments, fn)
  message = '';
  try
    fn();
  catch err
    message = err.message;
    assert(strcmp(err.identifier, ['Tavrix:TavrixInit:' reason]), '%s: %s', err.identifier, message);
  end
  assert(~isempty(message), 'expected an error %s', reason);
  for f = fragments
    assert(~isempty(strfind(message, f{1})), 'message lacks "%s": %s', f{1}, message);
  end
end

% The warning, raised as an error for this check only, so that it leaves
% no output.
function expect_warning(id, fragment, fn)
  state = warning('query', id);
  restore = onCleanup(@() warning(state.state, id));
  warning('error', id);
  message = '';
  try
    fn();
  catch err
    message = err.message;
    assert(strcmp(err.identifier, id), '%s: %s', err.identifier, message);
  end
  assert(~isempty(strfind(message, fragment)), 'expected warning %s with "%s", got: %s', id, fragment, message);
end

function check_model(model, codes, root)
  fields = {'Marginal', 'Intersect', 'Graph', 'Mutual', 'Pi', 'NumVictories', 'Translate', 'Ranges', ...
            'NumRowsMap', 'NumColsMap', 'Dimension', 'MaxRange', 'NumValues', 'RootNode', 'Samples'};
  assert(isequal(fieldnames(model)', fields));
  d = model.Dimension;
  units = model.NumRowsMap * model.NumColsMap;
  assert(isequal(model.Samples, codes) && model.RootNode == root);
  assert(abs(sum(model.Pi(:)) - 1) < 1e-12 && all(model.NumVictories(:) == 0));
  assert(isequal(size(model.Translate), [model.MaxRange d]));
  owner = [];
  index = [];
  for i = 1:d
    index = [index; model.Translate(1:model.Ranges(i), i)]; %#ok<AGROW>
    owner = [owner; repmat(i, model.Ranges(i), 1)]; %#ok<AGROW>
  end
  assert(isequal(sort(index)', 1:model.NumValues));
  for k = 1:units
    m = model.Marginal{k};
    j = model.Intersect{k};
    assert(all(m > 0) && isequal(j, j'));
    for a = 1:d
      assert(abs(sum(m(index(owner == a))) - 1) < 1e-12);
      for b = 1:d
        block = j(index(owner == a), index(owner == b));
        if a == b
          assert(isequal(block, diag(m(index(owner == a)))));
        else
          assert(abs(sum(block(:)) - 1) < 1e-12);
          assert(max(abs(sum(block, 2) - m(index(owner == a)))) < 1e-12);
        end
      end
    end
    g = model.Graph{k};
    start = max(root, 1);
    assert(all(g(:, start) == 0));
    others = setdiff(1:d, start);
    assert(all(sum(g(:, others) == 1, 1) == 1) && all(g(:) == 0 | g(:) == 1));
    mu = model.Mutual{k};
    assert(isequal(mu, mu') && all(diag(mu) == 0) && all(mu(:) >= -1e-12));
  end
end

function call_every_gateway(model, codes)
  best = TavrixBest(model, codes);
  assert(all(best >= 1));
  trained = TavrixFit(model, 20, 'Seed', 1);
  assert(sum(trained.NumVictories(:)) == 20);
  nll = TavrixScore(model, codes);
  assert(isfinite(nll));
  mask = ones(size(codes));
  mask(1, :) = 0;
  assert(isfinite(TavrixHoles(model, codes, mask)));
  [filled, ~, logp] = TavrixImpute(model, codes, mask);
  assert(isequal(filled(2:end, :), codes(2:end, :)) && all(isfinite(logp)));
end

function check_tree_rule()
  w = [0 0.5 0.1; 0 0 0.9; 0 0 0];
  assert(isequal(TavrixTree(w, 1), [0 1 0; 0 0 1; 0 0 0]));
  assert(isequal(TavrixTree(w, 0), TavrixTree(w, 1)));
  assert(isequal(TavrixTree(w, 3), [0 0 0; 1 0 0; 0 1 0]));
  % Equal weights keep their list order: every variable hangs from the start.
  assert(isequal(TavrixTree(zeros(4), 1), [0 1 1 1; zeros(3, 4)]));
  % NaN weights come after all others.
  assert(isequal(TavrixTree([0 NaN 0.1; 0 0 0.2; 0 0 0], 1), [0 0 1; 0 0 0; 0 1 0]));
  % Mutual information in bits with the written factor: 0.9999999999999997.
  m.Marginal = {[0.5; 0.5; 0.5; 0.5]};
  m.Intersect = {[0.5 0 0.5 0; 0 0.5 0 0.5; 0.5 0 0.5 0; 0 0.5 0 0.5]};
  m.Translate = [1 3; 2 4];
  m.Ranges = [2; 2];
  m.Dimension = 2;
  m.RootNode = 0;
  [m.NumRowsMap, m.NumColsMap, m.MaxRange, m.NumValues] = deal(1, 1, 2, 4);
  [g, mu] = TavrixTree(m, 1);
  assert(isequal(g, [0 1; 0 0]) && mu(1, 2) == 0.9999999999999997 && mu(2, 1) == mu(1, 2));
  % Training builds the same trees from its tables.
  rand('state', 3);
  codes = double(rand(6, 80) < 0.5) + (rand(6, 80) < 0.3);
  trained = TavrixFit(TavrixInit(codes, 2, 2, 'Seed', 1, 'RootNode', 2), 200, 'Seed', 1);
  for k = 1:4
    [g, mu] = TavrixTree(trained, k);
    assert(isequal(g, trained.Graph{k}) && max(abs(mu(:) - trained.Mutual{k}(:))) < 1e-12);
  end
end
