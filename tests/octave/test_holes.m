function test_holes()
% TavrixHoles in Octave against an independent .m transcription, bit for bit,
% for masks of 0.0, -0.0, NaN and other values and for logical and integer
% masks; finite results with hundreds of variables; errors for malformed
% input; the caller's arrays stay untouched.
  for trial = 1:8
    root = mod(trial, 3) * (trial > 2);   % 0 (undirected) and rooted forms
    [model, data] = tavrix_random_model(200 + trial, 2, 3, 5, 3, root, 8);
    mask = random_mask(size(data), 0.4);
    if trial == 1
      mask(:) = 0;        % every entry hidden
    elseif trial == 2
      mask(:, 1:3) = 1;   % samples with nothing hidden
    end
    [meanRef, logsRef] = reference_holes(model, data, mask);
    before = model;
    dataBefore = data;
    maskBefore = mask;
    meanOnly = TavrixHoles(model, data, mask);
    [mean2, logs] = TavrixHoles(model, data, mask, 'Threads', 3);
    tavrix_same_bits(meanRef, meanOnly, 'mean');
    tavrix_same_bits(meanRef, mean2, 'mean with two results');
    tavrix_same_bits(logsRef, logs, 'per-sample log-probabilities');
    assert(isequaln(before, model));
    assert(isequaln(dataBefore, data));
    assert(isequaln(maskBefore, mask));
    % The same hidden entries as a logical or integer mask.
    observed = mask ~= 0;
    [~, logsLogical] = TavrixHoles(model, data, observed);
    [~, logsInt] = TavrixHoles(model, data, int16(observed) * 7);
    [~, logsSingle] = TavrixHoles(model, data, single(observed));
    [~, logsDouble] = TavrixHoles(model, data, double(observed));
    tavrix_same_bits(logsDouble, logsLogical, 'logical mask');
    tavrix_same_bits(logsDouble, logsInt, 'int16 mask');
    tavrix_same_bits(logsDouble, logsSingle, 'single mask');
  end

  [model, data] = tavrix_random_model(9, 2, 2, 3, 2, 0, 4);
  mask = ones(3, 4);
  mask(2, :) = 0;
  assert(isnan(TavrixHoles(model, zeros(3, 0), zeros(3, 0))));
  tavrix_expect_error('Tavrix:TavrixHoles:argumentCount', @() TavrixHoles(model, data));
  tavrix_expect_error('Tavrix:TavrixHoles:notModel', @() TavrixHoles(data, data, mask));
  tavrix_expect_error('Tavrix:TavrixHoles:missingField', @() TavrixHoles(rmfield(model, 'RootNode'), data, mask));
  tavrix_expect_error('Tavrix:TavrixHoles:dataSize', @() TavrixHoles(model, data, mask(:, 1:3)));
  tavrix_expect_error('Tavrix:TavrixHoles:dataSize', @() TavrixHoles(model, data, mask(:)));
  tavrix_expect_error('Tavrix:TavrixHoles:dataClass', @() TavrixHoles(model, data, num2cell(mask)));
  tavrix_expect_error('Tavrix:TavrixHoles:dataClass', @() TavrixHoles(model, data, complex(mask, 1)));
  bad = data; bad(2, 1) = NaN;   % a hidden position: still scored, so checked
  tavrix_expect_error('Tavrix:TavrixHoles:codeRange', @() TavrixHoles(model, bad, mask));
  bad = data; bad(2, 3) = 9;
  tavrix_expect_error('Tavrix:TavrixHoles:codeRange', @() TavrixHoles(model, bad, mask));
  tavrix_expect_error('Tavrix:TavrixHoles:option', @() TavrixHoles(model, data, mask, 'Threads', -1));
  tavrix_expect_error('Tavrix:TavrixHoles:outputCount', @() call_three(model, data, mask));
  wide = tavrix_random_model(10, 1, 1, 40, 2, 0, 1);
  wide.Ranges(:) = 2;
  wide.Translate = reshape(1:80, 2, 40);
  wide.NumValues = 80;
  wide.Marginal{1} = 0.5 * ones(80, 1);
  wide.Intersect{1} = 0.25 * ones(80);
  tavrix_expect_error('Tavrix:TavrixHoles:tooManyCompletions', @() TavrixHoles(wide, ones(40, 1), zeros(40, 1)));

  % Hundreds of variables: every likelihood underflows, the result stays finite.
  [model, data] = tavrix_random_model(11, 1, 2, 150, 3, 0, 2);
  for k = 1:2
    model.Marginal{k}(model.Marginal{k} == 0) = 0.5;
    model.Intersect{k} = 1e-4 * (model.Intersect{k} + 0.5);
  end
  model.Pi(:) = [0.6 0.4];
  mask = ones(size(data));
  mask([3 70], 1) = 0;
  mask([5 6 140], 2) = -0;
  mask(model.Ranges == 1, 2) = 0;   % single-valued: more hidden factors, no more completions
  [~, logs] = TavrixHoles(model, data, mask);
  for j = 1:2
    expected = log_domain_holes(model, data(:, j), mask(:, j));
    assert(isfinite(logs(j)) && abs(logs(j) - expected) <= 1e-12 * max(1, abs(expected)));
  end
end

function call_three(model, data, mask)
  [a, b, c] = TavrixHoles(model, data, mask); %#ok<ASGLU>
end

function mask = random_mask(shape, hiddenShare)
  values = [1, NaN, 2.5, -3, Inf];
  mask = values(floor(rand(shape) * numel(values)) + 1);
  hidden = rand(shape) < hiddenShare;
  mask(hidden) = 0;
  negative = hidden & rand(shape) < 0.5;
  mask(negative) = -0;
end

function [result, logs] = reference_holes(m, x, mask)
  units = m.NumRowsMap * m.NumColsMap;
  n = size(x, 2);
  logs = zeros(n, 1);
  result = 0;
  for j = 1:n
    ev = hidden_evidence(m, x(:, j), mask(:, j));
    S = 0;
    for k = 1:units
      S = S + m.Pi(k) * ev(k);
    end
    for k = 1:units
      ev(k) = (m.Pi(k) * ev(k)) / S;
    end
    total = 0;
    for k = 1:units
      t = masked_log_likelihood(m, k, x(:, j), mask(:, j));
      if t - t == 0
        total = total + exp(t) * ev(k);
      end
    end
    logs(j) = log(total);
    result = result - log(total);
  end
  result = result / n;
end

function ev = hidden_evidence(m, x, mask)
  units = m.NumRowsMap * m.NumColsMap;
  ev = zeros(units, 1);
  ranges = fix(m.Ranges);
  hidden = find(mask == 0)';
  q = prod(ranges(hidden));
  work = x;
  for completion = 0:q - 1
    u = completion;
    for h = hidden
      work(h) = mod(u, ranges(h));
      u = floor(u / ranges(h));
    end
    for k = 1:units
      s = unit_log_likelihood(m, k, work, true(size(x)));
      if s - s == 0
        ev(k) = ev(k) + exp(s);
      end
    end
  end
end

function t = masked_log_likelihood(m, k, x, mask)
  t = unit_log_likelihood(m, k, x, mask == 0);
end

% The unit's log-likelihood sum, each term added only when it belongs to the
% hidden variables `in` (all true: the full sum).
function s = unit_log_likelihood(m, k, x, in)
  M = m.Marginal{k}; I = m.Intersect{k}; G = m.Graph{k};
  D = m.Dimension;
  a = zeros(D, 1);
  for i = 1:D
    a(i) = fix(m.Translate(fix(x(i)) + 1, i) - 1) + 1;
  end
  s = 0;
  for i = 1:D
    if (m.RootNode == 0 || i == m.RootNode) && in(i)
      s = s + log(M(a(i)));
    end
    for j = i + 1:D
      if m.RootNode == 0
        if (G(i, j) ~= 0 || G(j, i) ~= 0) && in(i) && in(j)
          s = s + ((log(I(a(i), a(j))) - log(M(a(i)))) - log(M(a(j))));
        end
      else
        if G(i, j) ~= 0 && in(j)
          s = s + (log(I(a(i), a(j))) - log(M(a(i))));
        end
        if G(j, i) ~= 0 && in(i)
          s = s + (log(I(a(i), a(j))) - log(M(a(j))));
        end
      end
    end
  end
end

function value = log_sum_exp(terms)
  terms = terms(isfinite(terms));
  top = max(terms);
  value = top + log(sum(exp(terms - top)));
end

% The held-out log-probability with every sum taken in the log domain.
function value = log_domain_holes(m, x, mask)
  units = m.NumRowsMap * m.NumColsMap;
  ranges = fix(m.Ranges);
  hidden = find(mask == 0)';
  q = prod(ranges(hidden));
  logPrior = zeros(units, 1);
  for k = 1:units
    s = zeros(q, 1);
    work = x;
    for completion = 0:q - 1
      u = completion;
      for h = hidden
        work(h) = mod(u, ranges(h));
        u = floor(u / ranges(h));
      end
      s(completion + 1) = unit_log_likelihood(m, k, work, true(size(x)));
    end
    logPrior(k) = log(m.Pi(k)) + log_sum_exp(s);
  end
  logPost = logPrior - log_sum_exp(logPrior);
  terms = zeros(units, 1);
  for k = 1:units
    terms(k) = masked_log_likelihood(m, k, x, mask) + logPost(k);
  end
  value = log_sum_exp(terms);
end
