function test_fit()
% TavrixFit in Octave against an independent .m transcription of training,
% bit for bit: with one sample column every draw is column 0. Also the seed,
% the thread count, the caller's untouched arrays and the errors.
  for trial = 1:10
    root = mod(trial, 3) * (trial > 4);   % undirected and rooted forms
    model = tavrix_random_model(100 + trial, 2, 3, 4, 3, root, 5);
    model.Samples = model.Samples(:, 1);
    for t = 0:5
      expected = reference_fit(model, t);
      snapshot = deep_copy(model);
      [trained, info] = TavrixFit(model, t, 'Threads', 1 + mod(t, 3));
      assert(isequal(snapshot, deep_copy(model)), 'the caller''s model changed');
      assert(info.Iterations == t);
      assert(isequal(fieldnames(trained), fieldnames(model)));
      for f = {'Marginal', 'Intersect', 'Mutual', 'Graph'}
        for k = 1:numel(model.(f{1}))
          tavrix_same_bits(expected.(f{1}){k}, trained.(f{1}){k}, sprintf('%s{%d} (trial %d, T %d)', f{1}, k, trial, t));
        end
      end
      tavrix_same_bits(expected.Pi, trained.Pi, 'Pi');
      tavrix_same_bits(expected.NumVictories, trained.NumVictories, 'NumVictories');
      tavrix_same_bits(model.Samples, trained.Samples, 'Samples');
    end
  end

  % The same seed gives the same model, twice and for one or two threads.
  model = tavrix_random_model(7, 3, 3, 5, 3, 2, 40);
  [a, info] = TavrixFit(model, 30, 'Seed', 12345, 'Threads', 1);
  b = TavrixFit(model, 30, 'seed', 12345, 'Threads', 2);
  c = TavrixFit(model, 30, 'Seed', 12345);
  assert(info.Seed == 12345 && info.Iterations == 30);
  assert(isequaln(a, b) && isequaln(a, c));
  tavrix_same_bits(a.Intersect{5}, b.Intersect{5}, 'Intersect across thread counts');
  assert(sum(a.NumVictories(:)) == 30);
  assert(abs(sum(a.Pi(:)) - 1) < 1e-12);

  % Quiet by default; a progress line on request.
  assert(isempty(evalc('TavrixFit(model, 5, ''Seed'', 1);')));
  shown = evalc('TavrixFit(model, 5, ''Seed'', 1, ''Verbose'', true);');
  assert(~isempty(strfind(shown, '5 of 5 iterations')), shown);

  % Errors.
  tavrix_expect_error('Tavrix:TavrixFit:argumentCount', @() TavrixFit(model));
  tavrix_expect_error('Tavrix:TavrixFit:dataClass', @() TavrixFit(model, NaN));
  tavrix_expect_error('Tavrix:TavrixFit:dataClass', @() TavrixFit(model, 'ten'));
  tavrix_expect_error('Tavrix:TavrixFit:missingField', @() TavrixFit(rmfield(model, 'Samples'), 1));
  tavrix_expect_error('Tavrix:TavrixFit:missingField', @() TavrixFit(rmfield(model, 'Mutual'), 1));
  bad = model; bad.Samples = zeros(5, 0);
  tavrix_expect_error('Tavrix:TavrixFit:fieldSize', @() TavrixFit(bad, 1));
  TavrixFit(bad, 0);   % nothing to draw: valid
  bad = model; bad.Samples(2, 3) = 99;
  tavrix_expect_error('Tavrix:TavrixFit:codeRange', @() TavrixFit(bad, 1));
  bad = model; bad.RootNode = 6;
  tavrix_expect_error('Tavrix:TavrixFit:fieldValue', @() TavrixFit(bad, 1));
  bad = model; bad.NumVictories = zeros(2, 2);
  tavrix_expect_error('Tavrix:TavrixFit:fieldSize', @() TavrixFit(bad, 1));
  tavrix_expect_error('Tavrix:TavrixFit:option', @() TavrixFit(model, 1, 'Seed', -1));
end

function c = deep_copy(model)
% Every double as its bit pattern, in arrays of their own.
  c = struct();
  for f = fieldnames(model)'
    v = model.(f{1});
    if iscell(v)
      c.(f{1}) = cellfun(@(x) typecast(x(:), 'uint64'), v, 'UniformOutput', false);
    else
      c.(f{1}) = typecast(double(v(:)), 'uint64');
    end
  end
end

function m = reference_fit(m, iterations)
  R = fix(m.NumRowsMap); C = fix(m.NumColsMap); D = fix(m.Dimension);
  NV = fix(m.NumValues); U = R * C;
  T = fix(iterations);
  vit = value_index_table(m);
  weights = zeros(U, 1);
  r0 = (C + R) * 0.25;
  for v = 0:T - 1
    x = m.Samples(:, 1);                 % one column: every draw is column 0
    radius = (1 - v / T) * (r0 * 0.25) + r0 * 0.75;
    [row, col, found, w] = winner_search(m, vit, x, radius);
    if found
      weights = w;
    end
    m.NumVictories(col * R + row + 1) = m.NumVictories(col * R + row + 1) + 1;
    g = zeros(D, 1);
    for a = 1:D
      g(a) = vit(a, fix(x(a)) + 1);
    end
    VI = zeros(NV, 1); PI = zeros(NV);
    for a = 1:D
      VI(g(a)) = 1;
      for b = a + 1:D
        PI(g(b), g(a)) = 1; PI(g(a), g(b)) = 1;
      end
    end
    rate = 1 / (v * 0.001 + 100);
    for u = 1:U
      pOld = m.Pi(u);
      pNew = rate * weights(u) + (1 - rate) * pOld;
      m.Pi(u) = pNew;
      A = ((1 - rate) * pOld) / pNew;
      B = (rate * weights(u)) / pNew;
      if ~(A - A == 0) || ~(B - B == 0)
        A = 1; B = 0;
      end
      m.Marginal{u} = B * VI + A * m.Marginal{u};
      m.Intersect{u} = B * PI + A * m.Intersect{u};
      m.Mutual{u} = mutual_information(m, vit, m.Marginal{u}, m.Intersect{u});
      m.Graph{u} = dependency_tree(m.Mutual{u}, D, fix(m.RootNode));
    end
  end
  S = 0;
  for u = 1:U
    S = S + m.Pi(u);
  end
  m.Pi = m.Pi / S;
end

function vit = value_index_table(m)
  D = fix(m.Dimension);
  vit = zeros(D, fix(m.MaxRange));
  for i = 1:D
    for v = 0:fix(m.Ranges(i)) - 1
      vit(i, v + 1) = fix(m.Translate(v + 1, i) - 1) + 1;
    end
  end
end

function y = natural_log(x)
% C's log: NaN for negative arguments, where Octave's log would turn complex.
  if x < 0
    y = NaN;
  else
    y = log(x);
  end
end

function Mu = mutual_information(m, vit, M, I)
  D = fix(m.Dimension);
  Mu = zeros(D);
  for i = 1:D
    for a = 1:fix(m.Ranges(i))
      for j = i + 1:D
        for b = 1:fix(m.Ranges(j))
          gi = vit(i, a); gj = vit(j, b);
          S = I(gj, gi);
          u = natural_log(S / (M(gj) * M(gi))) * 1.442695040888963;
          if u - u == 0
            Mu(i, j) = Mu(i, j) + u * S;
            Mu(j, i) = Mu(i, j);
          end
        end
      end
    end
  end
end

function G = dependency_tree(Mu, D, root)
  inside = false(D, 1);
  if root == 0
    inside(1) = true;
  else
    inside(root) = true;
  end
  G = zeros(D);
  w = []; first = []; second = [];
  for i = 1:D
    for j = i + 1:D
      w(end + 1) = Mu(i, j); first(end + 1) = i; second(end + 1) = j; %#ok<AGROW>
    end
  end
  % Heaviest first, equal weights in list order, NaN weights last.
  numbers = find(~isnan(w));
  sorted = sortrows([-w(numbers)', numbers']);
  order = [sorted(:, 2)', find(isnan(w))];
  for pass = 1:D - 1
    for e = order
      f = first(e); s = second(e);
      if inside(f) ~= inside(s)
        if ~inside(f)
          inside(f) = true; G(s, f) = 1;
        else
          inside(s) = true; G(f, s) = 1;
        end
        break;
      end
    end
  end
end

function [row, col, found, weights] = winner_search(m, vit, x, radius)
  R = fix(m.NumRowsMap); C = fix(m.NumColsMap); U = R * C;
  l = zeros(U, 1); L = zeros(U, 1);
  for u = 1:U
    l(u) = unit_log_likelihood(m, vit, u, x);
    if l(u) - l(u) == 0
      L(u) = exp(l(u));
    end
  end
  finite = (l - l == 0);
  if ~any(L >= 2.2250738585072014e-308) && any(finite)
    L(finite) = exp(l(finite) - max(l(finite)));
  end
  best = -realmax; row = 0; col = 0; found = false; weights = [];
  [rr, cc] = ndgrid(0:R - 1, 0:C - 1);
  for j = 0:C - 1
    for k = 0:R - 1
      d = abs(rr(:) - k) + abs(cc(:) - j);
      raw = exp(((d .* d) / (radius * radius)) * (-0.5));
      S = 0; T = 0;
      for u = 1:U
        S = S + raw(u);
        T = T + raw(u) * L(u);
      end
      score = log(T / S);
      if score > best
        best = score; row = k; col = j; found = true;
        weights = raw / S;
      end
    end
  end
end

function s = unit_log_likelihood(m, vit, k, x)
  M = m.Marginal{k}; I = m.Intersect{k}; G = m.Graph{k};
  D = fix(m.Dimension);
  a = zeros(D, 1);
  for i = 1:D
    a(i) = vit(i, fix(x(i)) + 1);
  end
  s = 0;
  for i = 1:D
    if m.RootNode == 0 || i == m.RootNode
      s = s + natural_log(M(a(i)));
    end
    for j = i + 1:D
      if m.RootNode == 0
        if G(i, j) ~= 0 || G(j, i) ~= 0
          s = s + ((natural_log(I(a(i), a(j))) - natural_log(M(a(i)))) - natural_log(M(a(j))));
        end
      else
        if G(i, j) ~= 0
          s = s + (natural_log(I(a(i), a(j))) - natural_log(M(a(i))));
        end
        if G(j, i) ~= 0
          s = s + (natural_log(I(a(i), a(j))) - natural_log(M(a(j))));
        end
      end
    end
  end
end
