%INIT_QUALITY Held-out quality of maps trained from each first model.
%   init_quality(PART) prints, for the first models of TavrixInit's two
%   methods, the quality after 30 epochs of TavrixTrain with its defaults:
%     'small'   vote (5 x 5) and breast-cancer (4 x 4), six 80/20 splits:
%               -log P(hidden | visible) of three hidden entries per
%               held-out sample, and the topographic error;
%     'density' nltcs and plants at several map sizes: mean log-likelihood
%               per sample of .valid and .test, and the topographic error on
%               .test;
%   'quick'   the same without plants at its default size (minutes of training).
%   Run from the repository root with build/octave and tests/octave on the path.
function init_quality(part)
  shared = fullfile(pwd, '..', 'shared', 'data');
  train = @(m, c, k) TavrixTrain(m, c, 30, 'Mask', k);
  if strcmp(part, 'small')
    sets = {'vote', 5, 5; 'breast-cancer', 4, 4};
    for s = 1:rows(sets)
      [codes, info] = TavrixRead(fullfile(shared, [sets{s, 1} '.arff']));
      mask = ~isnan(codes);
      codes(~mask) = 0;
      ranges = cellfun(@numel, info.Labels(:));
      for method = {'linear', 'random'}
        r = arrayfun(@(seed) tavrix_heldout(codes, mask, ranges, train, 'Seed', seed, 'Rows', sets{s, 2}, ...
                     'Cols', sets{s, 3}, 'Init', {'Method', method{1}}), 1:6);
        printf('%s %dx%d %s: nll %.4f topo %.3f\n', sets{s, 1}, sets{s, 2}, sets{s, 3}, method{1}, ...
               mean([r.nll]), mean([r.topo]));
        fflush(stdout);
      end
    end
    return;
  end
  runs = {'nltcs', [4 4; 6 6; 8 8; 11 11; 14 14; 0 0], [8 8; 0 0]; ...
          'plants', [4 4; 6 6; 8 8; 11 11; 14 14; 0 0], [8 8]};
  if strcmp(part, 'quick')
    runs{2, 2} = runs{2, 2}(1:end - 1, :);
  end
  for s = 1:rows(runs)
    name = runs{s, 1};
    read = @(kind) csvread(fullfile(shared, 'density', [name '.' kind '.data']))';
    [learn, valid, test] = deal(read('train'), read('valid'), read('test'));
    for method = {'linear', 'random'}
      sizes = runs{s, 2 + strcmp(method{1}, 'random')};
      for k = 1:rows(sizes)
        if sizes(k, 1) == 0
          args = {};
        else
          args = {sizes(k, 1), sizes(k, 2)};
        end
        started = tic;
        model = TavrixInit(learn, args{:}, 'Method', method{1}, 'Seed', 1);
        initSeconds = toc(started);
        started = tic;
        model = TavrixTrain(model, learn, 30);
        trainSeconds = toc(started);
        [~, topo] = TavrixQuality(model, test);
        printf('%s %dx%d %s: valid %.4f test %.4f topo %.3f (init %.2f s, train %.1f s)\n', name, ...
               model.NumRowsMap, model.NumColsMap, method{1}, -TavrixScore(model, valid), ...
               -TavrixScore(model, test), topo, initSeconds, trainSeconds);
        fflush(stdout);
      end
    end
  end
end
