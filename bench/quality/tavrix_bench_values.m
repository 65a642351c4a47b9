%TAVRIX_BENCH_VALUES The held-out values protocol on one ARFF file.
%   ROWS = tavrix_bench_values(FILE, KEEP) reads FILE (with 'Missing', ''
%   when KEEP is true, so that "?" is a value of its own, as in the vote
%   data), leaves out an attribute named Class, and scores, on each of six
%   80/20 splits with three observed entries hidden in every held-out
%   sample (tests/octave/tavrix_heldout.m):
%     one tree      a 1 x 1 map with the data's own tables
%     5 x 5         TavrixInit(..., 5, 5, 'Seed', 1) and TavrixTrain 30 epochs,
%                   with TavrixTrain's defaults
%     TavrixMake    with 'Seed', 1 and its defaults
%     first model   TavrixInit of the size TavrixMake chose, 'Seed', 1
%   ROWS holds, per model, the mean over the splits of -log P(hidden |
%   visible) (nll), the share of hidden entries filled in correctly
%   (accuracy), the topographic error on complete training samples (topo),
%   the training seconds and, for TavrixMake, the sizes chosen.
function rows = tavrix_bench_values(file, keep)
  args = {};
  if keep
    args = {'Missing', ''};
  end
  [codes, info, mask] = TavrixRead(file, args{:});
  kept = ~strcmpi(info.Names, 'Class');
  codes = codes(kept, :);
  mask = mask(kept, :);
  ranges = info.Ranges(kept);
  names = {'one tree', '5 x 5 defaults', 'TavrixMake', 'TavrixMake''s first model'};
  splits = 6;
  scores = zeros(numel(names), 4, splits);
  sizes = cell(1, splits);
  for s = 1:splits
    run = @(train, rows, cols) tavrix_heldout(codes, mask, ranges, train, 'Seed', s, 'Rows', rows, 'Cols', cols);
    results = {run(@(m, c, k) TavrixInit(c, 1, 1, 'Spread', 0, 'Ranges', ranges), 1, 1), ...
               run(@(m, c, k) TavrixTrain(m, c, 30), 5, 5), ...
               run(@(m, c, k) TavrixMake(c, 'Seed', 1, 'Ranges', ranges), 1, 1)};
    made = results{3}.model;
    results{4} = run(@(m, c, k) m, made.NumRowsMap, made.NumColsMap);
    sizes{s} = sprintf('%dx%d', made.NumRowsMap, made.NumColsMap);
    for m = 1:numel(names)
      scores(m, :, s) = [results{m}.nll, results{m}.accuracy, results{m}.topo, results{m}.seconds];
    end
  end
  means = mean(scores, 3);
  for m = 1:numel(names)
    rows(m) = struct('model', names{m}, 'nll', means(m, 1), 'accuracy', means(m, 2), 'topo', means(m, 3), ...
                     'seconds', means(m, 4), 'sizes', ''); %#ok<AGROW>
  end
  rows(3).sizes = strjoin(sizes, ' ');
end
