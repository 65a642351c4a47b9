function test_train_soft()
% Soft assignment in Octave: counts in whole multiples of 2^-16 that sum to
% the sample count, statistics of parts that add up to the whole bit for bit
% in any order and for any thread count, TavrixTrain as TavrixStats and
% TavrixUpdate in a loop and over 'UseParallel' blocks, the same
% log-likelihoods as hard assignment, and the errors.
  rand('state', 7);
  data = floor(rand(6, 400) .* [2; 3; 2; 4; 2; 3]);
  data(rand(size(data)) < 0.1) = NaN;
  data(:, 1:3) = NaN;  % samples with every entry missing, summed out by inference
  model = TavrixInit(data, 3, 3, 'Seed', 2, 'Ranges', [2; 3; 2; 4; 2; 3]);
  [trained, info] = TavrixTrain(model, data, 3, 'Radius', [2 0.5], 'Assignment', 'soft', 'Threads', 1, 'HeldOut', 0);
  for threads = 2:3
    assert(isequaln(trained, TavrixTrain(model, data, 3, 'Radius', [2 0.5], 'Assignment', 'Soft', 'HeldOut', 0, ...
                                         'Threads', threads)), 'soft training depends on the thread count');
  end
  stepped = model;
  for e = 1:3
    [whole, best, loglik] = TavrixStats(stepped, data, 'Assignment', 'soft');
    assert(all(whole.Count * 2^16 == round(whole.Count * 2^16)) && sum(whole.Count) == size(data, 2));
    assert(any(whole.Count ~= round(whole.Count)), 'soft counts came out whole');
    [~, hardBest, hardLoglik] = TavrixStats(stepped, data);
    tavrix_same_bits(loglik, hardLoglik, 'log-likelihood');
    assert(isequal(best, hardBest));
    a = TavrixStats(stepped, data(:, 1:157), 'Assignment', 'soft', 'Threads', 3);
    b = TavrixStats(stepped, data(:, 158:290), 'Assignment', 'soft', 'Threads', 2);
    c = TavrixStats(stepped, data(:, 291:end), 'Assignment', 'soft', 'Threads', 1);
    for f = {'Count', 'Values', 'Pairs'}
      tavrix_same_bits(whole.(f{1}), (c.(f{1}) + a.(f{1})) + b.(f{1}), f{1});
      tavrix_same_bits(whole.(f{1}), a.(f{1}) + (b.(f{1}) + c.(f{1})), f{1});
    end
    stepped = TavrixUpdate(stepped, whole, info.Radius(e));
  end
  assert(isequaln(trained, stepped), 'soft TavrixTrain differs from TavrixStats and TavrixUpdate');
  assert(isequal(trained.NumVictories(:), whole.Count(:)), 'NumVictories are not the last unsmoothed counts');
  [inBlocks, blockInfo] = TavrixTrain(model, data, 3, 'Radius', [2 0.5], 'Assignment', 'soft', 'HeldOut', 0, ...
                                      'UseParallel', true);
  assert(isequaln(trained, inBlocks) && isequaln(info, blockInfo), 'UseParallel changes the soft result');
  % The default: hard-then-soft where the radius ends below 0.5, else hard.
  low = TavrixTrain(model, data, 4, 'Radius', [2 0.3]);
  assert(isequaln(low, TavrixTrain(model, data, 4, 'Radius', [2 0.3], 'Assignment', 'hard-then-soft')));
  assert(~isequaln(low, TavrixTrain(model, data, 4, 'Radius', [2 0.3], 'Assignment', 'soft')));
  assert(isequaln(TavrixTrain(model, data, 4, 'Radius', [2 0.5]), ...
                  TavrixTrain(model, data, 4, 'Radius', [2 0.5], 'Assignment', 'hard')));

  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(model, data, 3, 'Assignment', 'fuzzy'));
  tavrix_expect_error('Tavrix:TavrixStats:option', @() TavrixStats(model, data, 'Assignment', 1));
  tavrix_expect_error('Tavrix:TavrixStats:option', @() TavrixStats(model, data, 'Assignment', 'hard-then-soft'));
  quarter = whole; quarter.Count(1) = quarter.Count(1) + 2^-17;
  tavrix_expect_error('Tavrix:TavrixUpdate:fieldValue', @() TavrixUpdate(model, quarter, 1));
end
