function [model, samples] = tavrix_random_model(seed, rows, cols, dimension, maxRange, rootNode, n)
% A random valid MapModel (unnormalised tables, zeros, tree graphs) and N samples
% with fractional codes, for the host tests. Deterministic for a given seed.
  rand('seed', seed);
  ranges = 1 + floor(rand(dimension, 1) * maxRange);
  numValues = sum(ranges);
  translate = zeros(maxRange, dimension);
  order = randperm(numValues);
  next = 1;
  for i = 1:dimension
    for v = 1:ranges(i)
      translate(v, i) = order(next) + (rand() < 0.3) * 0.5;
      next = next + 1;
    end
  end
  units = rows * cols;
  model.Marginal = cell(rows, cols);
  model.Intersect = cell(rows, cols);
  model.Graph = cell(rows, cols);
  model.Mutual = cell(rows, cols);
  for k = 1:units
    m = 0.05 + rand(numValues, 1);
    m(rand(numValues, 1) < 0.1) = 0;
    j = 0.01 + rand(numValues);
    j(rand(numValues) < 0.1) = 0;
    j = triu(j) + triu(j, 1)';
    g = zeros(dimension);
    for c = 2:dimension
      g(floor(rand() * (c - 1)) + 1, c) = 1;
    end
    if rand() < 0.3 && dimension > 1
      g(dimension, 1) = NaN;   % NaN counts as an edge
    end
    model.Marginal{k} = m;
    model.Intersect{k} = j;
    model.Graph{k} = g;
    model.Mutual{k} = zeros(dimension);
  end
  model.Pi = rand(rows, cols);
  model.Pi(1) = 0;
  model.NumVictories = zeros(rows, cols);
  model.Translate = translate;
  model.Ranges = ranges;
  model.NumRowsMap = rows;
  model.NumColsMap = cols;
  model.Dimension = dimension;
  model.MaxRange = maxRange;
  model.NumValues = numValues;
  model.RootNode = rootNode;
  samples = floor(rand(dimension, n) .* repmat(ranges, 1, n)) + 0.99 * rand(dimension, n);
  model.Samples = floor(samples);
end
