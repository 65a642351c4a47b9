function test_quality()
% TavrixQuality and TavrixLabelUnits: a map worked out by hand, the
% topographic error against its definition on a trained map, class shares,
% missing entries against an enumeration of their values, hexagonal
% neighbours against a table made by hand, and the argument errors.
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

  check_missing(model, codes, classes);
  check_hexagonal(model, codes);

  tavrix_expect_error('Tavrix:TavrixQuality:argumentCount', @() TavrixQuality(model));
  tavrix_expect_error('Tavrix:TavrixQuality:option', @() TavrixQuality(model, codes, 'Colour', 1));
  tavrix_expect_error('Tavrix:TavrixQuality:codeRange', @() TavrixQuality(model, codes + 4));
  tavrix_expect_error('Tavrix:TavrixQuality:dataSize', @() TavrixQuality(model, codes(1:3, :)));
  tavrix_expect_error('Tavrix:TavrixQuality:dataClass', @() TavrixQuality(model, 'votes'));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:argumentCount', @() TavrixLabelUnits(model, codes));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:dataSize', @() TavrixLabelUnits(model, codes, classes(1:5)));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:codeRange', @() TavrixLabelUnits(model, codes, classes - 1));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:option', @() TavrixLabelUnits(model, codes, classes, 'NumClasses', 0));
  tavrix_expect_error('Tavrix:TavrixLabelUnits:option', @() TavrixLabelUnits(model, codes, classes, 'Colour', 1));
end

% Missing entries are summed out: a sample's best unit and its NLL are
% those of the enumeration over the values it could take; complete samples
% keep their results bit for bit, and a mask means what NaN means.
function check_missing(model, codes, classes)
  holed = codes(:, 1:20);
  holed(2, 1:2:end) = NaN;                      % ten samples miss variable 2 (3 values)
  holed(4, 1:4:end) = NaN;                      % five of them miss variable 4 too (4 values)
  [nll, ~, hits, sampleNll, best] = TavrixQuality(model, holed);
  logPi = log(model.Pi(:));
  for j = 1:20
    gaps = find(isnan(holed(:, j)));
    ranges = reshape(model.Ranges(gaps), 1, []);
    picks = cell(1, numel(gaps));
    [picks{:}] = ind2sub([ranges 1], 1:prod(ranges));
    completions = repmat(holed(:, j), 1, prod(ranges));
    for g = 1:numel(gaps)
      completions(gaps(g), :) = picks{g} - 1;
    end
    [~, scores] = TavrixBest(model, completions);
    % log of the sum over completions of P(sample | unit), unit by unit
    top = max(scores, [], 2);
    evidence = top + log(sum(exp(scores - top), 2)) - logPi;
    [~, expected] = max(evidence + logPi);
    assert(best(j) == expected);
    assert(abs(sampleNll(j) + evidence(expected)) < 1e-12 * max(1, abs(sampleNll(j))));
  end
  assert(abs(nll - mean(sampleNll)) < 1e-12 && sum(hits(:)) == 20);
  % Complete samples: the same doubles with holes beside them or without.
  complete = all(~isnan(holed), 1);
  [~, ~, ~, alone, aloneBest] = TavrixQuality(model, holed(:, complete));
  assert(isequal(alone, sampleNll(complete)) && isequal(aloneBest, best(complete)));
  % A mask: its 0 entries are missing, whatever the codes there.
  filled = holed;
  filled(isnan(filled)) = 0;
  [~, ~, ~, masked] = TavrixQuality(model, filled, 'Mask', ~isnan(holed));
  assert(isequal(masked, sampleNll));
  [~, ~, counts] = TavrixLabelUnits(model, holed, classes(1:20));
  assert(isequal(sum(counts, 2), accumarray(best(~isnan(classes(1:20))), 1, [12 1])));
  [~, ~, maskedCounts] = TavrixLabelUnits(model, filled, classes(1:20), 'Mask', ~isnan(holed));
  assert(isequal(maskedCounts, counts));
  assert(isequal(TavrixPlotHits(model, holed, 'File', [tempname() '.png'], 'CellText', 'off'), hits));
end

% The neighbours of a hexagonal 3 x 4 map (odd rows shifted right), drawn
% on paper: unit (row, column), 1-based, and the units around it.
function check_hexagonal(model, codes)
  around = {[1 1], [1 2; 2 1];
            [2 1], [1 1; 1 2; 2 2; 3 1; 3 2];
            [3 1], [2 1; 3 2];
            [1 2], [1 1; 1 3; 2 1; 2 2];
            [2 2], [1 2; 1 3; 2 1; 2 3; 3 2; 3 3];
            [3 2], [3 1; 3 3; 2 1; 2 2];
            [1 4], [1 3; 2 3; 2 4];
            [2 4], [1 4; 2 3; 3 4];
            [3 4], [3 3; 2 3; 2 4]};
  pairs = tavrix_grid_neighbours_for_test(3, 4);
  unit = @(rc) (rc(:, 2) - 1) * 3 + rc(:, 1);
  for a = 1:size(around, 1)
    me = unit(around{a, 1});
    mine = sort([pairs(pairs(:, 1) == me, 2); pairs(pairs(:, 2) == me, 1)]);
    assert(isequal(mine, sort(unit(around{a, 2}))), 'neighbours of unit (%d, %d)', around{a, 1});
  end
  assert(size(pairs, 1) == 23);
  % The topographic error counts a step to a diagonal neighbour as a
  % neighbour on a hexagonal map, and not on a rectangular one.
  [best, scores] = TavrixBest(model, codes);
  hex = model;
  hex.Lattice = 'hexagonal';
  [~, topo] = TavrixQuality(hex, codes);
  apart = 0;
  for j = 1:size(codes, 2)
    s = scores(:, j);
    s(best(j)) = -Inf;
    [~, second] = max(s);
    apart = apart + ~any(all(sort([best(j) second]) == pairs, 2));
  end
  assert(topo == apart / size(codes, 2));
  hex.Lattice = 'triangular';
  tavrix_expect_error('Tavrix:TavrixQuality:fieldValue', @() TavrixQuality(hex, codes));
end

% The toolbox's neighbour table, reached through TavrixQuality's private
% folder (tests cannot call private functions by name).
function pairs = tavrix_grid_neighbours_for_test(rows, cols)
  here = pwd();
  back = onCleanup(@() cd(here));
  cd(fullfile(fileparts(which('TavrixQuality')), 'private'));
  pairs = tavrix_grid_neighbours(rows, cols, true);
end
