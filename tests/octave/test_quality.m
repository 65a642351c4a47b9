function test_quality()
% TavrixQuality and TavrixLabelUnits: a map worked out by hand, the
% topographic error against its definition on a trained map, class shares,
% and the argument errors.
  % One variable, four values; unit k (column-major on a 2 x 2 grid) gives
  % 0.7 to value k-1 and 0.1 to the others. Pi = 0.1, 0.2, 0.3, 0.4.
  model = TavrixInit([0 1 2 3], 2, 2, 'Seed', 1);
  for k = 1:4
    p = repmat(0.1, 4, 1);
    p(k) = 0.7;
    model.Marginal{k} = p;
    model.Intersect{k} = diag(p);
  end
  model.Pi = [0.1 0.3; 0.2 0.4];
  % Scores Pi(k) * p: for value 0 unit 1 (0.07) wins and unit 4 (0.04) is
  % second, two steps away; values 1, 2, 3 have a neighbour second.
  samples = [0 1 2 3 3];
  [nll, topo, hits, sampleNll, best] = TavrixQuality(model, samples);
  assert(abs(nll + log(0.7)) < 1e-12 && all(abs(sampleNll + log(0.7)) < 1e-12));
  assert(topo == 1 / 5);
  assert(isequal(hits, [1 1; 1 2]) && isequal(best, [1; 2; 3; 4; 4]));
  [nll, topo] = TavrixQuality(model, zeros(1, 0));
  assert(isnan(nll) && isnan(topo));

  % Topographic error of a trained map, from TavrixBest's scores.
  rand('state', 7);
  codes = floor(rand(5, 80) .* repmat([2; 3; 2; 4; 2], 1, 80));
  model = TavrixFit(TavrixInit(codes, 3, 4, 'Seed', 3), 400, 'Seed', 3);
  [~, topo, hits] = TavrixQuality(model, codes);
  [best, scores] = TavrixBest(model, codes);
  apart = 0;
  for j = 1:80
    s = scores(:, j);
    s(best(j)) = -Inf;
    [~, second] = max(s);
    [r1, c1] = ind2sub([3 4], best(j));
    [r2, c2] = ind2sub([3 4], second);
    apart = apart + (abs(r1 - r2) + abs(c1 - c2) ~= 1);
  end
  assert(topo == apart / 80);
  assert(isequal(hits(:), accumarray(best, 1, [12 1])));

  % Class shares: rows sum to 1 over the units that win samples.
  classes = codes(4, :);
  classes(3) = NaN;   % unknown class: not counted
  [majority, shares, counts] = TavrixLabelUnits(model, codes, classes);
  some = sum(counts, 2) > 0;
  assert(all(abs(sum(shares(some, :), 2) - 1) < 1e-12) && all(shares(~some, :)(:) == 0));
  assert(sum(counts(:)) == 79 && isequal(size(shares), [12 4]));
  assert(all(isnan(majority(~some))));
  [~, top] = max(counts(some, :), [], 2);
  assert(isequal(majority(some), top - 1));
  [~, shares] = TavrixLabelUnits(model, codes, codes(4, :), 'NumClasses', 6);
  assert(size(shares, 2) == 6 && all(shares(:, 5) == 0));

  withHole = codes;
  withHole(2, 5) = NaN;
  tavrix_expect_error('Tavrix:TavrixQuality:argumentCount', @() TavrixQuality(model));
  tavrix_expect_error('Tavrix:TavrixQuality:codeRange', @() TavrixQuality(model, withHole));
  tavrix_expect_error('Tavrix:TavrixQuality:codeRange', @() TavrixQuality(model, codes + 4));
  tavrix_expect_error('Tavrix:TavrixQuality:dataSize', @() TavrixQuality(model, codes(1:3, :)));
  tavrix_expect_error('Tavrix:TavrixQuality:dataClass', @() TavrixQuality(model, 'votes'));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:argumentCount', @() TavrixLabelUnits(model, codes));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:codeRange', @() TavrixLabelUnits(model, withHole, classes));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:dataSize', @() TavrixLabelUnits(model, codes, classes(1:5)));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:codeRange', @() TavrixLabelUnits(model, codes, classes - 1));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:option', @() TavrixLabelUnits(model, codes, classes, 'NumClasses', 0));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:option', @() TavrixLabelUnits(model, codes, classes, 'Colour', 1));
end
