function test_read()
% TavrixRead: codes, labels and masks from small ARFF and CSV files, missing
% entries, the vote data, and clear errors for bad files; TavrixLabels.
  here = fullfile(fileparts(mfilename('fullpath')), 'fixtures');

  [codes, info, mask] = TavrixRead(fullfile(here, 'small.arff'));
  assert(isequal(info.Names, {'colour', 'size', 'weight'}));
  assert(isequal(info.Labels{1}, {'red', 'dark green', 'blue'}));   % declared order
  assert(isequal(info.Labels{2}, {'small', 'large'}));
  assert(isequal(info.Labels{3}, {'2.5', '9', '10'}));              % numeric: sorted as numbers
  assert(isequal(info.Ranges, [3; 2; 3]));
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
