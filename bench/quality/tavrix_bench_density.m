%TAVRIX_BENCH_DENSITY The density protocol on every data set of a folder.
%   ROWS = tavrix_bench_density(FOLDER) finds every FOLDER/<name>.train.data (with
%   its .valid.data and .test.data: one sample a line, comma-separated
%   codes) and, for each, trains on .train and reports the mean test
%   log-likelihood (nats per sample) of
%     make     TavrixMake(Xtr, 'Validation', Xva, 'Seed', 1, 'Ranges', R)
%     default  TavrixInit(Xtr, 8, 8, 'Seed', 1, 'Ranges', R), then
%              TavrixTrain(MODEL, Xtr, 30) with its defaults
%   with R each variable's largest code + 1 over the three files, beside the
%   published figures of FOLDER/README.md (tavrix_bench_published). ROWS is a
%   struct array, one element a data set.
function rows = tavrix_bench_density(folder)
  found = dir(fullfile(folder, '*.train.data'));
  files = sort({found.name});
  rows = struct([]);
  for f = 1:numel(files)
    name = files{f}(1:end - numel('.train.data'));
    part = @(which) dlmread(fullfile(folder, [name '.' which '.data']))';
    [train, valid, test] = deal(part('train'), part('valid'), part('test'));
    ranges = max([train valid test], [], 2) + 1;
    row.name = name;
    row.dimension = size(train, 1);
    row.samples = size(train, 2);

    started = tic;
    [model, report] = TavrixMake(train, 'Validation', valid, 'Seed', 1, 'Ranges', ranges);
    row.makeSeconds = toc(started);
    row.makeTest = -TavrixScore(model, test);
    row.makeSize = sprintf('%d x %d', model.NumRowsMap, model.NumColsMap);
    row.makeEpoch = report.ChosenEpoch(report.Chosen);
    row.makeTopo = report.TopographicError(report.Chosen);
    row.makeInitShare = sum(report.InitSeconds) / report.TotalSeconds;

    started = tic;
    model = TavrixTrain(TavrixInit(train, 8, 8, 'Seed', 1, 'Ranges', ranges), train, 30);
    row.defaultSeconds = toc(started);
    row.defaultTest = -TavrixScore(model, test);

    [row.trees, row.idspn] = tavrix_bench_published(fullfile(folder, 'README.md'), name);
    rows = [rows row]; %#ok<AGROW>
    fprintf('%s: TavrixMake %.3f (%s, %.0f s), 8 x 8 defaults %.3f (%.0f s)\n', name, row.makeTest, ...
            row.makeSize, row.makeSeconds, row.defaultTest, row.defaultSeconds);
  end
end
