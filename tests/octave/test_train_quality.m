function test_train_quality()
% TavrixTrain with its defaults on the vote data, 5 x 5, 30 epochs: it beats
% a single tree on held-out votes, fills them in well
% and orders the grid; with a fifth of the training entries removed it stays
% close.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  [codes, info, mask] = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  votes = 1:16;
  codes = codes(votes, :); mask = mask(votes, :); ranges = info.Ranges(votes);
  gap = zeros(1, 3); gain = zeros(1, 3);
  for seed = 1:3
    oneTree = @(m, c, k) TavrixInit(c, 1, 1, 'Method', 'random', 'Spread', 0, 'Ranges', ranges);
    tree = tavrix_heldout(codes, mask, ranges, oneTree, ...
                          'Seed', seed, 'Rows', 1, 'Cols', 1);
    trained = tavrix_heldout(codes, mask, ranges, @(m, c, k) TavrixTrain(m, c, 30), 'Seed', seed);
    gain(seed) = tree.nll - trained.nll;
    assert(gain(seed) > 0.05, 'seed %d: NLL %.3f, one tree %.3f', seed, trained.nll, tree.nll);
    assert(trained.accuracy >= 0.72 && trained.topo <= 0.15, 'seed %d: accuracy %.3f, topographic error %.2f', ...
           seed, trained.accuracy, trained.topo);
    rand('state', seed);
    sparse = tavrix_heldout(codes, mask, ranges, @(m, c, k) TavrixTrain(m, remove_fifth(c), 30), 'Seed', seed);
    gap(seed) = sparse.nll - trained.nll;
  end
  assert(mean(gain) > 0.1, 'the map gains %.3f nats over one tree', mean(gain));
  assert(mean(gap) < 0.1, 'a fifth of the entries removed costs %.3f nats', mean(gap));
end

function c = remove_fifth(c)
  c(rand(size(c)) < 0.2) = NaN;
end
