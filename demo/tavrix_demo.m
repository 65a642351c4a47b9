%TAVRIX_DEMO The main job: a map of the 1984 House votes, trained and evaluated.
%   tavrix_demo(ROOT) reads ROOT/data/vote.arff, holds out a fifth of the
%   members (seeded), hides a fifth of the observed votes of each held-out
%   member, trains a 6 x 6 map on the others and reports
%     - the average negative log-likelihood of training and held-out members
%       (TavrixScore, on the members without a missing vote);
%     - the held-out vote score (TavrixHoles) beside an independent-variables
%       baseline (a 1 x 1 map without edges) and a one-tree model (1 x 1 map);
%     - the filled-in hidden votes (TavrixImpute): share correct and the
%       proper held-out score log P(hidden votes | visible votes);
%     - how well the best units separate the two parties;
%   and writes its pictures into ROOT/out/.
%
%   The party is held aside: it is not a model variable, so the map never
%   sees it and the purity of its units measures what it found by itself.
%   A "?" in the data (neither yea nor nay) is a missing entry: it is left
%   out of every score, and training fills it with the variable's most
%   frequent vote (TavrixInit).
%
%   R = tavrix_demo(ROOT, 'Iterations', T, 'Epochs', E, 'Rows', R, 'Cols', C, 'Quiet', Q,
%   'Out', DIR) changes the run; R is a struct of the numbers reported.
function result = tavrix_demo(root, varargin)
  if nargin < 1
    root = fileparts(fileparts(mfilename('fullpath')));
  end
  opts = struct('Iterations', 12000, 'Epochs', 30, 'Rows', 6, 'Cols', 6, 'Quiet', false, ...
                'Out', fullfile(root, 'out'), 'Seed', 7);
  for a = 1:2:numel(varargin)
    opts.(varargin{a}) = varargin{a + 1};
  end
  say = @(varargin) opts.Quiet || fprintf(varargin{:});
  started = tic;

  % Data: 16 votes and the party of 435 members.
  [codes, info, mask] = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  classColumn = find(strcmp(info.Names, 'Class'));
  party = codes(classColumn, :);
  votes = setdiff(1:numel(info.Names), classColumn);
  codes = codes(votes, :);
  mask = mask(votes, :);
  names = info.Names(votes);
  labels = info.Labels(votes);
  ranges = info.Ranges(votes);
  [d, n] = size(codes);
  say('Tavrix demo: %d members of the House, %d votes each (%d missing), party held aside.\n', ...
      n, d, sum(mask(:) == 0));

  % Held out: a fifth of the members; of each, a fifth of its observed votes
  % is hidden and the rest is the evidence.
  saved = rand('state');
  rand('state', opts.Seed);
  order = randperm(n);
  test = sort(order(1:round(n / 5)));
  train = sort(order(round(n / 5) + 1:end));
  hidden = false(d, numel(test));
  for j = 1:numel(test)
    seen = find(mask(:, test(j)));
    pick = seen(randperm(numel(seen)));
    hidden(pick(1:max(1, round(numel(seen) / 5))), j) = true;
  end
  rand('state', saved);
  say('Held out: %d members (%d hidden votes); training on %d members.\n', ...
      numel(test), nnz(hidden), numel(train));

  % Training.
  model = TavrixInit(codes(:, train), opts.Rows, opts.Cols, 'Seed', opts.Seed, 'Ranges', ranges);
  baseline = TavrixInit(codes(:, train), 1, 1, 'Method', 'random', 'Spread', 0, 'Ranges', ranges);
  oneTree = baseline;
  baseline.Graph{1} = zeros(d);       % independent variables
  say('Training a %d x %d map, %d iterations:\n', opts.Rows, opts.Cols, opts.Iterations);
  first = model;
  fitStarted = tic;
  model = TavrixFit(model, opts.Iterations, 'Seed', opts.Seed, 'Verbose', ~opts.Quiet);
  result.fitSeconds = toc(fitStarted);
  say('Training the same first map in batch, %d epochs (missing votes summed out):\n', opts.Epochs);
  trainStarted = tic;
  batch = TavrixTrain(first, codes(:, train), opts.Epochs, 'Verbose', ~opts.Quiet);
  result.trainSeconds = toc(trainStarted);
  say('TavrixFit took %.1f s, TavrixTrain %.2f s.\n', result.fitSeconds, result.trainSeconds);
  say('TavrixMake: map sizes tried on the same members, the best by held-out members of the training set:\n');
  makeStarted = tic;
  [made, report] = TavrixMake(codes(:, train), 'Seed', opts.Seed, 'Ranges', ranges, 'Epochs', opts.Epochs, ...
                              'Verbose', ~opts.Quiet);
  result.makeSeconds = toc(makeStarted);
  result.makeReport = report;
  result.model = model;
  result.batch = batch;
  result.made = made;

  models = {model, batch, oneTree, baseline, made};
  modelNames = {'TavrixFit', 'TavrixTrain', 'one tree', 'independent', 'TavrixMake'};

  % Average negative log-likelihood of complete members.
  completeTrain = train(all(mask(:, train), 1));
  completeTest = test(all(mask(:, test), 1));
  say('\nAverage negative log-likelihood (nats per member; TavrixScore on members without a missing vote):\n');
  say('  %-14s %12s %14s\n', '', sprintf('train (%d)', numel(completeTrain)), sprintf('held out (%d)', numel(completeTest)));
  for m = 1:numel(models)
    result.trainNll(m) = TavrixScore(models{m}, codes(:, completeTrain));
    result.testNll(m) = TavrixScore(models{m}, codes(:, completeTest));
    say('  %-14s %12.3f %14.3f\n', modelNames{m}, result.trainNll(m), result.testNll(m));
  end

  % Held-out votes, TavrixHoles: members of the test set without a missing vote.
  noMissing = all(mask(:, test), 1);
  for m = 1:numel(models)
    result.holes(m) = TavrixHoles(models{m}, codes(:, test(noMissing)), ~hidden(:, noMissing));
  end

  % The same votes filled in by exact inference (every held-out member).
  data = codes(:, test);
  data(~mask(:, test)) = 0;             % never read: missing in both masks
  visible = mask(:, test) & ~hidden;
  truth = codes(:, test);
  for m = 1:numel(models)
    [filled, ~, logVisible] = TavrixImpute(models{m}, data, visible);
    [~, ~, logBoth] = TavrixImpute(models{m}, data, mask(:, test));
    result.accuracy(m) = mean(filled(hidden) == truth(hidden));
    result.proper(m) = -mean(logBoth - logVisible);
  end
  say('\nHidden votes of held-out members, -log P(hidden | visible) per member (lower is better):\n');
  say('  %-48s %12s %12s %10s %12s %12s\n', '', modelNames{:});
  say('  %-48s %12.3f %12.3f %10.3f %12.3f %12.3f\n', ...
      sprintf('TavrixHoles (%d members without a missing vote)', nnz(noMissing)), result.holes);
  say('  %-48s %12.3f %12.3f %10.3f %12.3f %12.3f\n', sprintf('TavrixImpute, exact (all %d members)', numel(test)), ...
      result.proper);
  say('  %-48s %11.1f%% %11.1f%% %9.1f%% %11.1f%% %11.1f%%\n', 'hidden votes filled in correctly (TavrixImpute)', ...
      100 * result.accuracy);

  % Parties, on the batch-trained map: every member goes to its best unit,
  % missing votes filled in first.
  allFilled = TavrixImpute(batch, fill_missing(codes, mask), mask);
  best = TavrixBest(batch, allFilled);
  units = opts.Rows * opts.Cols;
  counts = accumarray([best(:) party(:) + 1], 1, [units 2]);
  result.purity = sum(max(counts, [], 2)) / n;
  trainCounts = accumarray([best(train) party(train)' + 1], 1, [units 2]);
  [~, majority] = max(trainCounts, [], 2);
  result.partyFromUnit = mean(majority(best(test)) - 1 == party(test)');
  say('\nParties (never shown to the map): the best units are %.1f%% pure;\n', 100 * result.purity);
  say('  a held-out member''s party taken as the majority of its unit''s training members: %.1f%% right.\n', ...
      100 * result.partyFromUnit);

  % Pictures.
  if ~exist(opts.Out, 'dir')
    mkdir(opts.Out);
  end
  voteInfo = struct('Names', {names}, 'Labels', {labels});
  pictures = {fullfile(opts.Out, 'vote_parties.png'), fullfile(opts.Out, 'vote_training_hits.png'), ...
              fullfile(opts.Out, 'vote_umatrix.png'), fullfile(opts.Out, 'vote_physician-fee-freeze.png'), ...
              fullfile(opts.Out, 'vote_education-spending.png')};
  TavrixPlotHits(batch, allFilled, 'Classes', party, 'ClassNames', info.Labels{classColumn}, ...
                 'Title', 'Members per best unit, party shares', 'File', pictures{1});
  TavrixPlotHits(batch, 'Title', 'Training members per unit (NumVictories)', 'File', pictures{2});
  TavrixPlotUMatrix(batch, 'File', pictures{3});
  TavrixPlotComponent(batch, 'physician-fee-freeze', 'y', 'Info', voteInfo, 'File', pictures{4});
  TavrixPlotComponent(batch, 'education-spending', 'y', 'Info', voteInfo, 'File', pictures{5});
  result.pictures = pictures;
  say('\nPictures in %s:\n', opts.Out);
  for p = 1:numel(pictures)
    [~, leaf, ext] = fileparts(pictures{p});
    say('  %s%s\n', leaf, ext);
  end
  result.seconds = toc(started);
  say('Done in %.1f s.\n', result.seconds);
end

% Missing entries hold code 0 so the codes are valid; the mask hides them.
function codes = fill_missing(codes, mask)
  codes(mask == 0) = 0;
end
