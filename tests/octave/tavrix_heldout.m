%TAVRIX_HELDOUT Held-out score of a trainer on one data set.
%   R = tavrix_heldout(CODES, MASK, RANGES, TRAIN, 'Seed', S, 'Hide', H,
%   'Rows', R, 'Cols', C, 'Init', {...}) splits the samples 80/20 (seeded), hides H
%   observed entries of every held-out sample (3 by default), builds a
%   first model with TavrixInit(train, R, C, 'Seed', 1, 'Ranges', RANGES, ...)
%   (the options of 'Init' last)
%   and trains it with MODEL = TRAIN(MODEL, TRAINCODES, TRAINMASK). R holds
%     nll       -mean log P(hidden | visible), exact (TavrixImpute)
%     accuracy  share of hidden entries TavrixImpute fills in correctly
%     topo      topographic error on complete training samples: the share
%               whose best and second-best units are not grid neighbours
%     seconds   training time
function r = tavrix_heldout(codes, mask, ranges, train, varargin)
  opts = struct('Seed', 1, 'Hide', 3, 'Rows', 5, 'Cols', 5, 'Init', {{}});
  for a = 1:2:numel(varargin)
    opts.(varargin{a}) = varargin{a + 1};
  end
  [d, n] = size(codes);
  saved = rand('state');
  rand('state', opts.Seed);
  order = randperm(n);
  test = sort(order(1:round(n / 5)));
  learn = sort(order(round(n / 5) + 1:end));
  hidden = false(d, numel(test));
  for j = 1:numel(test)
    seen = find(mask(:, test(j)));
    pick = seen(randperm(numel(seen)));
    hidden(pick(1:min(opts.Hide, numel(seen))), j) = true;
  end
  rand('state', saved);

  trainCodes = codes(:, learn);
  trainCodes(mask(:, learn) == 0) = NaN;
  model = TavrixInit(trainCodes, opts.Rows, opts.Cols, 'Seed', 1, 'Ranges', ranges, opts.Init{:});
  started = tic;
  model = train(model, trainCodes, mask(:, learn));
  r.seconds = toc(started);
  r.model = model;

  data = codes(:, test);
  data(mask(:, test) == 0) = 0;
  visible = mask(:, test) & ~hidden;
  truth = codes(:, test);
  [filled, ~, logVisible] = TavrixImpute(model, data, visible);
  [~, ~, logBoth] = TavrixImpute(model, data, mask(:, test));
  r.nll = -mean(logBoth - logVisible);
  r.accuracy = mean(filled(hidden) == truth(hidden));

  r.topo = NaN;
  if model.NumRowsMap * model.NumColsMap < 2
    return;
  end
  complete = learn(all(mask(:, learn), 1));
  [~, scores] = TavrixBest(model, codes(:, complete));
  [~, rank] = sort(scores, 1, 'descend');
  rows = model.NumRowsMap;
  first = rank(1, :) - 1;
  second = rank(2, :) - 1;
  distance = abs(mod(first, rows) - mod(second, rows)) + abs(floor(first / rows) - floor(second / rows));
  r.topo = mean(distance > 1);
end
