function test_read()
% TavrixRead: codes, labels and masks from small ARFF and CSV files, missing
% entries, the vote data, and clear errors for bad files; TavrixLabels;
% binning of numbers, "?" as a value, and the warnings.
  here = fullfile(fileparts(mfilename('fullpath')), 'fixtures');
  check_binning(here);
  check_missing_as_value_and_warnings(here);

  [codes, info, mask] = TavrixRead(fullfile(here, 'small.arff'));
  assert(isequal(info.Names, {'colour', 'size', 'weight'}));
  assert(isequal(info.Labels{1}, {'red', 'dark green', 'blue'}));   % declared order
  assert(isequal(info.Labels{2}, {'small', 'large'}));
  assert(isequal(info.Labels{3}, {'2.5', '9', '10'}));              % numeric: sorted as numbers
  assert(isequal(info.Ranges, [3; 2; 3]) && isequal(info.Edges, {[], [], []}));
  assert(isequaln(codes, [0 1 NaN 2 0; 0 1 0 NaN 1; 2 1 2 NaN 0]));
  assert(isequal(mask, [1 1 0 1 1; 1 1 1 0 1; 1 1 1 0 1]) && isequal(info.Mask, mask));

  [codes, info, mask] = TavrixRead(fullfile(here, 'small.csv'));
  assert(isequal(info.Names, {'colour', 'size', 'count, approx'}));
  assert(isequal(info.Labels{1}, {'blue', 'dark green', 'red'}));
  assert(isequaln(codes, [2 1 NaN 0 2; 1 0 1 NaN 0; 2 1 2 NaN 0]));
  assert(isequal(mask, ~isnan(codes)));
  % The same file read as ARFF is rejected; a CSV under another delimiter is one column.
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(fullfile(here, 'small.csv'), 'Format', 'arff'));
  [~, one] = TavrixRead(fullfile(here, 'small.csv'), 'Delimiter', ';');
  assert(numel(one.Names) == 1);

  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  [codes, info, mask] = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  assert(isequal(size(codes), [17 435]) && nnz(mask == 0) == 392);
  assert(strcmp(info.Names{17}, 'Class') && isequal(info.Labels{17}, {'democrat', 'republican'}));
  assert(sum(codes(17, :) == 0) == 267 && all(info.Ranges(1:16) == 2));

  % Labels back from codes.
  names = TavrixLabels(info, codes(:, 1:2));
  assert(strcmp(names{1, 1}, 'n') && strcmp(names{17, 1}, 'republican') && strcmp(names{11, 1}, '?'));
  assert(isequal(TavrixLabels(info, [1 0], 'Class'), {'republican', 'democrat'}));
  tavrix_expect_error('Tavrix:TavrixLabels:codeRange', @() TavrixLabels(info, 2, 17));
  tavrix_expect_error('Tavrix:TavrixLabels:dataSize', @() TavrixLabels(info, [0; 1]));

  tavrix_expect_error('Tavrix:TavrixRead:file', @() TavrixRead(fullfile(here, 'absent.arff')));
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(fullfile(here, 'bad_value.arff')));
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(fullfile(here, 'bad_count.arff')));
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(fullfile(here, 'bad_header.arff')));
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(fullfile(here, 'bad_quote.csv')));
  tavrix_expect_error('Tavrix:TavrixRead:option', @() TavrixRead(fullfile(here, 'small.csv'), 'Format', 'xls'));
  tavrix_expect_error('Tavrix:TavrixRead:argumentCount', @() TavrixRead());
  try
    TavrixRead(fullfile(here, 'bad_value.arff'));
  catch err
    assert(~isempty(strfind(err.message, 'line 5')) && ~isempty(strfind(err.message, '''z''')));
  end
end

function check_binning(here)
  [codes, info] = TavrixRead(fullfile(here, 'numbers.arff'));
  % integer: ten values in five quantile bins, lowest first.
  assert(isequal(info.Edges{1}, [18 25 30 41 61 75]));
  assert(isequal(info.Labels{1}, {'[18, 25)', '[25, 30)', '[30, 41)', '[41, 61)', '[61, 75]'}));
  assert(isequal(codes(1, :), [2 0 4 0 3 1 4 1 3 2]));
  % real with ties: edges fall between distinct values, so the four 1.5s
  % do not pull 2 into their bin; no bin is empty, '?' stays missing.
  assert(isequal(info.Edges{2}, [-0.5 1 1.5 2 3 4.25]));
  assert(isequal(info.Labels{2}, {'[-0.5, 1)', '[1, 1.5)', '[1.5, 2)', '[2, 3)', '[3, 4.25]'}));
  assert(isequaln(codes(2, :), [2 0 2 4 2 NaN 2 3 4 1]));
  % Four distinct counts keep their values; nominal unchanged.
  assert(isempty(info.Edges{3}) && isequal(info.Labels{3}, {'0', '1', '2', '3'}));
  assert(isempty(info.Edges{4}) && isequal(info.Labels{4}, {'a', 'b'}));
  [~, plain] = TavrixRead(fullfile(here, 'numbers.arff'), 'Bins', 0);
  assert(numel(plain.Labels{1}) == 10 && all(cellfun(@isempty, plain.Edges)));

  % A second file coded as the first: values outside the edges go to the end
  % bins, an edge to the bin it opens; the counts keep the first file's codes.
  [held, again] = TavrixRead(fullfile(here, 'heldout.csv'), 'Edges', info.Edges, 'Labels', info.Labels);
  assert(isequaln(held, [0 4 2; 2 NaN 4; 3 0 0; 1 0 1]));
  assert(isequal(again.Labels, info.Labels) && isequal(again.Edges, info.Edges));
  % CSV columns of numbers are binned; few distinct values stay.
  [held, own] = TavrixRead(fullfile(here, 'heldout.csv'), 'Bins', 2);
  assert(isequal(own.Labels{1}, {'[17, 30)', '[30, 80]'}) && isequal(held(1, :), [0 1 1]));
  assert(isequal(own.Labels{2}, {'1.5', '5'}) && isempty(own.Edges{2}));

  tavrix_expect_error('Tavrix:TavrixRead:option', @() TavrixRead(fullfile(here, 'heldout.csv'), 'Bins', 1));
  tavrix_expect_error('Tavrix:TavrixRead:option', @() TavrixRead(fullfile(here, 'heldout.csv'), 'Edges', {[2 1]}));
  tavrix_expect_error('Tavrix:TavrixRead:option', ...
                      @() TavrixRead(fullfile(here, 'heldout.csv'), 'Edges', info.Edges(1:3)));
  tavrix_expect_error('Tavrix:TavrixRead:format', ...
                      @() TavrixRead(fullfile(here, 'heldout.csv'), 'Edges', {[], [], [], [0 1]}));
end

function check_missing_as_value_and_warnings(here)
  basket = fullfile(here, 'basket.arff');
  lastwarn('');
  codes = TavrixRead(basket);
  [message, id] = lastwarn();
  assert(strcmp(id, 'Tavrix:TavrixRead:oneValue') && ~isempty(strfind(message, '''bread'', ''milk''')));
  assert(isequaln(codes(1:2, :), [0 NaN 0; NaN 0 0]));

  % "?" as a value: after the declared labels, sorted among found ones.
  lastwarn('');
  [codes, info, mask] = TavrixRead(basket, 'Missing', '');
  assert(isempty(lastwarn()) && all(mask(:)));
  assert(isequal(info.Labels, {{'t', '?'}, {'t', '?'}, {'?', 'x', 'y'}}));
  assert(isequal(codes, [0 1 0; 1 0 0; 1 0 2]));
  tavrix_expect_error('Tavrix:TavrixRead:option', @() TavrixRead(basket, 'Missing', 3));

  many = [tempname() '.csv'];
  cleanup = onCleanup(@() delete(many));
  fid = fopen(many, 'w');
  fprintf(fid, 'word,flag\n');
  fprintf(fid, 'w%d,%d\n', [1:60; mod(1:60, 2)]);
  fclose(fid);
  lastwarn('');
  [~, info] = TavrixRead(many);
  [message, id] = lastwarn();
  assert(strcmp(id, 'Tavrix:TavrixRead:manyValues') && ~isempty(strfind(message, '''word''')));
  assert(info.Ranges(1) == 60);
end
