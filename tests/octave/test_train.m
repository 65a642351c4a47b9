function test_train()
% TavrixTrain, TavrixStats and TavrixUpdate in Octave: one epoch against a
% plain .m transcription (missing entries summed out by enumeration and drawn
% from the unit's posterior at a fraction fixed by the sample), the
% same model for every thread count and for statistics added over parts,
% the caller's model untouched, and the errors.
  rand('state', 3);
  for trial = 1:6
    d = 4; n = 60;
    ranges = 2 + mod((1:d)' + trial, 2);
    data = floor(rand(d, n) .* ranges);
    data(rand(d, n) < 0.15) = NaN;
    % Random first units: the linear method's can tie, which rounding may break either way.
    model = TavrixInit(data, 2, 2, 'Seed', trial, 'Ranges', ranges, 'RootNode', mod(trial, 2) * 2, ...
                       'Method', 'random');
    if trial > 4
      model.Lattice = 'hexagonal';
    end
    radius = 0.5 + trial / 2;
    [stats, best, loglik] = TavrixStats(model, data, 'Threads', 2);
    expected = reference_epoch(model, data, radius, 3);
    assert(isequal(stats.Count, expected.count) && isequal(stats.Values, expected.values) && ...
           isequal(stats.Pairs, expected.pairs), 'counts differ (trial %d)', trial);
    assert(isequal(best, expected.best));
    assert(max(abs(loglik - expected.loglik)) < 1e-12);
    snapshot = model;
    updated = TavrixUpdate(model, stats, radius, 'Prior', 3);
    assert(isequaln(snapshot, model), 'the caller''s model changed');
    for k = 1:4
      assert(max(abs(updated.Marginal{k} - expected.model.Marginal{k})) < 1e-12);
      assert(max(max(abs(updated.Intersect{k} - expected.model.Intersect{k}))) < 1e-12);
      assert(max(max(abs(updated.Mutual{k} - expected.model.Mutual{k}))) < 1e-12);
      assert(is_max_spanning_tree(updated.Graph{k}, updated.Mutual{k}), 'Graph{%d} is not a maximum spanning tree', k);
    end
    assert(max(abs(updated.Pi(:) - expected.model.Pi(:))) < 1e-12);
    assert(isequal(updated.NumVictories(:), expected.count(:)));
  end

  % TavrixTrain without selection ('HeldOut', 0) is its two halves in a
  % loop; one model for every thread count, and for statistics added over parts.
  data = floor(rand(5, 300) * 3);
  data(rand(size(data)) < 0.1) = NaN;
  model = TavrixInit(data, 3, 2, 'Seed', 1, 'Ranges', 3 * ones(5, 1));
  plain = {'Radius', [2 0.5], 'HeldOut', 0};
  [trained, info] = TavrixTrain(model, data, 3, plain{:}, 'Threads', 1);
  assert(isequal(size(info.Radius), [3 1]) && info.Radius(1) == 2 && info.Radius(3) == 0.5);
  assert(info.Changed(1) == 1 && all(isfinite(info.LogLikelihood)));
  assert(all(isnan(info.HeldOutLogLikelihood)) && isnan(info.StartHeldOutLogLikelihood) && info.ChosenEpoch == 3);
  for threads = 2:3
    assert(isequaln(trained, TavrixTrain(model, data, 3, plain{:}, 'Threads', threads)));
  end
  stepped = model;
  for e = 1:3
    whole = TavrixStats(stepped, data);
    a = TavrixStats(stepped, data(:, 1:111), 'Threads', 3);
    b = TavrixStats(stepped, data(:, 112:end), 'Threads', 2);
    for f = {'Count', 'Values', 'Pairs'}
      tavrix_same_bits(whole.(f{1}), a.(f{1}) + b.(f{1}), f{1});
    end
    stepped = TavrixUpdate(stepped, whole, info.Radius(e));
  end
  assert(isequaln(trained, stepped), 'TavrixTrain differs from TavrixStats and TavrixUpdate');
  mask = double(~isnan(data));
  zeroed = data; zeroed(isnan(zeroed)) = 0;
  assert(isequaln(trained, TavrixTrain(model, zeroed, 3, plain{:}, 'Mask', mask)));
  % 'UseParallel': blocks counted in a (here serial) parfor loop, the same model and info.
  [inBlocks, blockInfo] = TavrixTrain(model, zeroed, 3, plain{:}, 'Mask', mask, 'UseParallel', true);
  assert(isequaln(trained, inBlocks) && isequaln(info, blockInfo), 'UseParallel changes the result');

  check_held_out(model, data, zeroed, mask);
  % The lattice: the model's own, or the option's, which the result keeps.
  hex = TavrixTrain(model, data, 3, plain{:}, 'Lattice', 'hexagonal');
  assert(strcmp(hex.Lattice, 'hexagonal') && ~isfield(model, 'Lattice'));
  given = model; given.Lattice = 'hexagonal';
  assert(isequaln(hex, TavrixTrain(given, data, 3, plain{:})));
  stepped = given;
  for e = 1:3
    a = TavrixStats(stepped, data(:, 1:150), 'Threads', 2);
    b = TavrixStats(stepped, data(:, 151:end));
    stepped = TavrixUpdate(stepped, struct('Count', a.Count + b.Count, 'Values', a.Values + b.Values, ...
                                           'Pairs', a.Pairs + b.Pairs), info.Radius(e));
  end
  assert(isequaln(hex, stepped), 'hexagonal statistics of parts do not add up to TavrixTrain''s');
  assert(~isequaln(rmfield(hex, 'Lattice'), trained), 'the lattice does not reach the smoothing');
  back = TavrixTrain(given, data, 3, plain{:}, 'Lattice', 'Rectangular');
  assert(strcmp(back.Lattice, 'rectangular') && isequaln(rmfield(back, 'Lattice'), trained));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'Lattice', 'square'));
  tavrix_expect_error('Tavrix:TavrixTrain:fieldValue', @() TavrixTrain(setfield(model, 'Lattice', 'hex'), data, 3));
  tavrix_expect_error('Tavrix:TavrixFit:lattice', @() TavrixFit(given, 10));

  shown = evalc('TavrixTrain(model, data, 2, ''Verbose'', true);');
  assert(~isempty(strfind(shown, 'epoch 2 of 2')) && isempty(evalc('TavrixTrain(model, data, 2);')));

  % Errors.
  tavrix_expect_error('Tavrix:TavrixTrain:argumentCount', @() TavrixTrain(model, data));
  tavrix_expect_error('Tavrix:TavrixTrain:dataSize', @() TavrixTrain(model, data', 3));
  tavrix_expect_error('Tavrix:TavrixTrain:codeRange', @() TavrixTrain(model, data + 5, 3));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'Prior', 0));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'Radius', [1 2 3]));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'HeldOut', 1));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'HeldOut', 0.2, 'Validation', data));
  tavrix_expect_error('Tavrix:TavrixTrain:codeRange', @() TavrixTrain(model, data, 3, 'Validation', data + 5));
  tavrix_expect_error('Tavrix:TavrixStats:option', @() TavrixStats(model, data, 'FirstColumn', 0));
  tavrix_expect_error('Tavrix:TavrixTrain:dataSize', @() TavrixTrain(model, data, 3, 'Mask', mask(:, 1:5)));
  tavrix_expect_error('Tavrix:TavrixTrain:missingField', @() TavrixTrain(rmfield(model, 'Mutual'), data, 3));
  tavrix_expect_error('Tavrix:TavrixUpdate:dataSize', @() TavrixUpdate(model, setfield(whole, 'Pairs', 1), 1));
  tavrix_expect_error('Tavrix:TavrixUpdate:fieldValue', @() TavrixUpdate(model, setfield(whole, 'Count', -whole.Count), 1));
  tavrix_expect_error('Tavrix:TavrixUpdate:dataClass', @() TavrixUpdate(model, whole, 0));
  tavrix_expect_error('Tavrix:TavrixStats:outputCount', @() four_results(model, data));
  shared = model; shared.Translate(1, 2) = shared.Translate(1, 1);
  tavrix_expect_error('Tavrix:TavrixStats:fieldValue', @() TavrixStats(shared, data));
end

% Held-out selection: the held-back samples are the same whatever the
% split, and the model returned is that of the epoch scoring best on them.
function check_held_out(model, data, zeroed, mask)
  share = 0.25;
  n = size(data, 2);
  held = false(n, 1);
  for j = 1:n
    held(j) = held_back(j - 1, share);
  end
  % TavrixStats of blocks, each told its first column, count what the whole counts.
  [whole, best, loglik] = TavrixStats(model, data, 'HeldOut', share);
  counted = TavrixStats(model, data(:, ~held));
  tavrix_same_bits(whole.Pairs, counted.Pairs, 'held-back samples counted');
  a = TavrixStats(model, data(:, 1:97), 'HeldOut', share, 'Threads', 2);
  [b, bestB, loglikB] = TavrixStats(model, data(:, 98:end), 'HeldOut', share, 'FirstColumn', 98);
  for f = {'Count', 'Values', 'Pairs'}
    tavrix_same_bits(whole.(f{1}), a.(f{1}) + b.(f{1}), f{1});
  end
  assert(isequal(bestB, best(98:end)) && isequal(loglikB, loglik(98:end)));

  % Held-back samples: the first model, built from them, is no candidate. The
  % radius falls far enough that a middle epoch scores best; the model is that
  % epoch's, as TavrixStats and TavrixUpdate step to it on the counted samples,
  % then one epoch on every sample at its radius.
  epochs = 8;
  [model, data] = clustered_data(n);
  zeroed = data; zeroed(isnan(zeroed)) = 0;
  mask = double(~isnan(data));
  settings = {'HeldOut', share, 'Radius', [3 0.05], 'Prior', 0.2, 'Assignment', 'hard'};
  [trained, info] = TavrixTrain(model, data, epochs, settings{:});
  [top, chosen] = max(info.HeldOutLogLikelihood);
  assert(info.ChosenEpoch == chosen && chosen > 1 && chosen < epochs, 'chose epoch %d of %d', info.ChosenEpoch, epochs);
  assert(isfinite(info.StartHeldOutLogLikelihood));
  stepped = model;
  for e = 1:chosen
    stepped = TavrixUpdate(stepped, TavrixStats(stepped, data(:, ~held)), info.Radius(e), 'Prior', 0.2);
  end
  % The scores are TavrixStats's log-likelihoods of the held-back samples, summed in order.
  [~, ~, l] = TavrixStats(stepped, data(:, held));
  assert(sum(l) / numel(l) == top, 'the score is not that of the held-back samples');
  chosenModel = stepped;
  stepped = TavrixUpdate(stepped, TavrixStats(stepped, data), info.Radius(chosen), 'Prior', 0.2);
  assert(isequaln(trained, stepped), 'the model is not the chosen epoch''s with a last epoch on every sample');
  % Every split and thread count trains the same model and scores the same doubles.
  for threads = 1:3
    [again, again_info] = TavrixTrain(model, zeroed, epochs, settings{:}, 'Mask', mask, ...
                                      'UseParallel', threads == 3, 'Threads', threads);
    assert(isequaln(trained, again) && isequaln(info, again_info), 'threads %d change the result', threads);
  end
  % Validation: every sample counted, the validation samples scored, the first model a candidate.
  [byValidation, vInfo] = TavrixTrain(model, data(:, ~held), epochs, 'Validation', data(:, held), ...
                                      settings{3:end});
  assert(isequaln(vInfo.HeldOutLogLikelihood, info.HeldOutLogLikelihood));
  assert(vInfo.StartHeldOutLogLikelihood == info.StartHeldOutLogLikelihood);
  if vInfo.StartHeldOutLogLikelihood >= top
    assert(vInfo.ChosenEpoch == 0 && isequaln(byValidation, model));
  else
    assert(vInfo.ChosenEpoch == chosen && isequaln(byValidation, chosenModel));
  end
  % A first model that scores best is returned as it was.
  [kept, keptInfo] = TavrixTrain(model, data(:, ~held), 2, 'Validation', data(:, held), 'Radius', 0.01, 'Prior', 0.01);
  if keptInfo.StartHeldOutLogLikelihood >= max(keptInfo.HeldOutLogLikelihood)
    assert(keptInfo.ChosenEpoch == 0 && isequaln(kept, model), 'the first model was not returned');
  end
end

% Samples of four prototypes, a quarter of the entries noise and a tenth
% missing, on which held-out selection picks a middle epoch when the radius
% falls too far.
function [model, data] = clustered_data(n)
  saved = rand('state');
  rand('state', 7);
  d = 6;
  proto = floor(rand(d, 4) * 3);
  data = proto(:, ceil(rand(1, n) * 4));
  noise = rand(d, n) < 0.25;
  r = floor(rand(d, n) * 3);
  data(noise) = r(noise);
  data(rand(d, n) < 0.1) = NaN;
  rand('state', saved);
  model = TavrixInit(data, 3, 2, 'Seed', 1, 'Ranges', 3 * ones(d, 1));
end

% Whether 0-based column j is held back: splitmix64(j) < floor(share * 2^64), in exact integers.
function tf = held_back(j, share)
  x = add64(uint64(j), 0x9E3779B97F4A7C15);
  x = mul64(bitxor(x, bitshift(x, -30)), uint64(0xBF58476D1CE4E5B9));
  x = mul64(bitxor(x, bitshift(x, -27)), uint64(0x94D049BB133111EB));
  x = bitxor(x, bitshift(x, -31));
  tf = x < uint64(share * 2^64);
end

% a * b modulo 2^64, in 16-bit pieces (uint64 arithmetic saturates).
function p = mul64(a, b)
  pa = double(bitand(bitshift(a, -[0 16 32 48]), uint64(65535)));
  pb = double(bitand(bitshift(b, -[0 16 32 48]), uint64(65535)));
  p = uint64(0);
  for i = 0:3
    for k = 0:3 - i
      t = uint64(pa(i + 1) * pb(k + 1));
      p = add64(p, bitshift(t, 16 * (i + k)));
    end
  end
end

function s = add64(a, b)
  lo = bitand(a, uint64(2^32 - 1)) + bitand(b, uint64(2^32 - 1));
  hi = mod(double(bitshift(a, -32)) + double(bitshift(b, -32)) + double(bitshift(lo, -32)), 2^32);
  s = bitor(bitshift(uint64(hi), 32), bitand(lo, uint64(2^32 - 1)));
end

function four_results(model, data)
  [a, b, c, d] = TavrixStats(model, data); %#ok<ASGLU>
end

% One epoch, literally: enumeration over the completions of missing entries.
function e = reference_epoch(m, data, radius, prior)
  [d, n] = size(data);
  units = m.NumRowsMap * m.NumColsMap;
  r = m.Ranges(:);
  starts = [0; cumsum(r)];
  pairStart = zeros(d);
  next = 0;
  for i = 1:d
    for j = i + 1:d
      pairStart(i, j) = next;
      next = next + r(i) * r(j);
    end
  end
  e.count = zeros(1, units); e.values = zeros(starts(end), units); e.pairs = zeros(next, units);
  e.best = zeros(n, 1); e.loglik = zeros(n, 1);
  for s = 1:n
    x = data(:, s);
    missing = find(isnan(x));
    completions = all_codes(r(missing));
    p = zeros(size(completions, 1), units);
    for c = 1:size(completions, 1)
      y = x; y(missing) = completions(c, :);
      for k = 1:units
        p(c, k) = exp(tavrix_reference_loglik(m, k, y));
      end
    end
    evidence = sum(p, 1);
    [~, k] = max(log(m.Pi(:)') + log(evidence));
    e.best(s) = k;
    e.loglik(s) = log(sum(m.Pi(:)' .* evidence));
    y = x;
    for v = 1:numel(missing)
      posterior = accumarray(completions(:, v) + 1, p(:, k), [r(missing(v)) 1]);
      y(missing(v)) = find(sample_fraction(x, missing(v)) * sum(posterior) < cumsum(posterior), 1) - 1;
    end
    e.count(k) = e.count(k) + 1;
    for i = 1:d
      e.values(starts(i) + y(i) + 1, k) += 1;
      for j = i + 1:d
        idx = pairStart(i, j) + y(i) + y(j) * r(i) + 1;
        e.pairs(idx, k) += 1;
      end
    end
  end
  q = 1 ./ repelem(r, r);
  [row, col] = ind2sub([m.NumRowsMap m.NumColsMap], 1:units);
  if isfield(m, 'Lattice') && strcmp(m.Lattice, 'hexagonal')
    % Cube coordinates of offset rows, odd (0-based) rows shifted right.
    x = (col - 1) - (row - 1 - mod(row - 1, 2)) / 2; z = row - 1; y = -x - z;
    grid = max(max(abs(x' - x), abs(y' - y)), abs(z' - z));
  else
    grid = abs(row' - row) + abs(col' - col);
  end
  w = exp(-grid .^ 2 / (2 * radius ^ 2));
  S = e.values * w'; SP = e.pairs * w'; Sn = e.count * w';
  e.model = m;
  for k = 1:units
    M = (S(:, k) + prior * q) / (Sn(k) + prior);
    I = diag(M);
    for i = 1:d
      for j = i + 1:d
        block = reshape(SP(pairStart(i, j) + (1:r(i) * r(j)), k), r(i), r(j));
        P = (block + prior / (r(i) * r(j))) / (Sn(k) + prior);
        I(starts(i) + (1:r(i)), starts(j) + (1:r(j))) = P;
        I(starts(j) + (1:r(j)), starts(i) + (1:r(i))) = P';
      end
    end
    e.model.Marginal{k} = M;
    e.model.Intersect{k} = I;
    MI = zeros(d);
    for i = 1:d
      for j = i + 1:d
        P = I(starts(i) + (1:r(i)), starts(j) + (1:r(j)));
        MI(i, j) = sum(sum(P .* log2(P ./ (M(starts(i) + (1:r(i))) * M(starts(j) + (1:r(j)))'))));
        MI(j, i) = MI(i, j);
      end
    end
    e.model.Mutual{k} = MI;
  end
  e.model.Pi = reshape((Sn + prior) / sum(Sn + prior), size(m.Pi));
end

% The fraction of the posterior mass at which a missing value is drawn:
% Lehmer's generator modulo 2^31 - 1 over the sample's codes (missing: -1).
function u = sample_fraction(x, variable)
  m = 2147483647;
  h = variable;
  codes = x; codes(isnan(codes)) = -1;
  for i = 1:numel(codes)
    h = mod(h * 48271 + codes(i) + 2, m);
  end
  for round = 1:3
    h = mod(h * 48271, m);
  end
  u = h / m;
end

function c = all_codes(r)
  c = zeros(1, 0);
  for v = 1:numel(r)
    c = [repmat(c, r(v), 1), repelem((0:r(v) - 1)', size(c, 1), 1)];
  end
end

% A spanning tree whose weight no other spanning tree exceeds (Prim).
function ok = is_max_spanning_tree(G, MI)
  d = size(G, 1);
  edges = (G ~= 0) | (G ~= 0)';
  inside = 1; best = 0;
  while numel(inside) < d
    outside = setdiff(1:d, inside);
    [w, at] = max(reshape(MI(inside, outside), [], 1));
    [~, o] = ind2sub([numel(inside) numel(outside)], at);
    best += w;
    inside(end + 1) = outside(o);
  end
  ok = nnz(G) == d - 1 && abs(sum(MI(triu(edges))) - best) < 1e-12 && connected(edges);
end

function ok = connected(edges)
  reach = false(size(edges, 1), 1); reach(1) = true;
  for step = 1:size(edges, 1)
    reach = reach | any(edges(:, reach), 2);
  end
  ok = all(reach);
end
