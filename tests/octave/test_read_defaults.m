function test_read_defaults()
% TavrixRead on files as R's write.csv and spreadsheets export them: NA as
% missing in numeric columns and as a value (with a warning) in text ones,
% ordinal scales kept, binning without merges from ties, quoted fields by
% the fast path and the careful one alike, lone-CR line ends, and every
% error naming TavrixRead.
  state = warning('off', 'Tavrix:TavrixRead:oneValue');
  restore = onCleanup(@() warning(state));
  check_na();
  check_ordinal_and_ties();
  check_quoted();
  check_line_ends();
  check_errors_name_the_function();
end

function check_na()
  file = write_file('"id","score","colour"\n"1",3,"red"\n"2",NA,"NA"\n"3",10,"blue"\n"4",NaN,NA\n');
  lastwarn('');
  [codes, info, mask] = TavrixRead(file);
  [message, id] = lastwarn();
  % score: NA and NaN missing, the rest sorted as numbers.
  assert(isequal(info.Labels{2}, {'3', '10'}) && isequaln(codes(2, :), [0 NaN 1 NaN]));
  assert(isequal(mask(2, :), [1 0 1 0]));
  % colour: NA stays a value, and the warning names the column and the option.
  assert(isequal(info.Labels{3}, {'NA', 'blue', 'red'}) && all(mask(3, :)));
  assert(strcmp(id, 'Tavrix:TavrixRead:naValue') && ~isempty(strfind(message, '''colour''')) ...
         && ~isempty(strfind(message, '''Missing''')) && isempty(strfind(message, '''score''')));
  % An explicit Missing list is taken as it stands.
  [codes, info] = TavrixRead(file, 'Missing', {'NA', 'NaN', ''});
  assert(isequaln(codes(3, :), [1 NaN 0 NaN]) && isequal(info.Labels{3}, {'blue', 'red'}));
  [~, info] = TavrixRead(file, 'Missing', '');
  assert(isequal(info.Labels{2}, {'10', '3', 'NA', 'NaN'}));   % not all numbers: sorted as text
end

function check_ordinal_and_ties()
  % An ordinal 1..10 scale, mostly 1 (as clinical scores are), is kept value
  % by value; so is a 0..11 one; a wider integer column is binned.
  n = 200;
  scale = ones(1, n);
  scale(1:10) = 1:10;
  scale(11:20) = 2;
  wide = mod((1:n) * 7, 40);
  twelve = mod(1:n, 12);
  skewed = [zeros(1, 150), 1:50];             % three quarters tied at 0
  file = write_file(['scale,twelve,wide,skewed\n' sprintf('%d,%d,%d,%d\n', [scale; twelve; wide; skewed])]);
  [codes, info] = TavrixRead(file);
  assert(isempty(info.Edges{1}) && isequal(info.Labels{1}, arrayfun(@num2str, 1:10, 'UniformOutput', false)));
  assert(isequal(codes(1, :), scale - 1));
  assert(isempty(info.Edges{2}) && info.Ranges(2) == 12);
  assert(~isempty(info.Edges{3}) && info.Ranges(3) == 5);
  % The ties at 0 fill the first bin alone, and the other bins split 1..50.
  assert(info.Edges{4}(1) == 0 && info.Edges{4}(2) == 1 && info.Ranges(4) == 5);
  assert(all(codes(4, 1:150) == 0) && all(codes(4, 151:end) > 0));
  % Bins given: every numeric column with more distinct values is binned.
  [~, binned] = TavrixRead(file, 'Bins', 3);
  assert(isequal(binned.Ranges', [3 3 3 3]) && isequal(binned.Edges{1}, [1 2 3 10]));
  % No column is left with one bin by ties: a column of one value says why.
  file = write_file('a,b\n5,1\n5,2\n5,3\n');
  warning('on', 'Tavrix:TavrixRead:oneValue');
  lastwarn('');
  TavrixRead(file, 'Edges', {[], [0 5 9]});
  [message, id] = lastwarn();
  assert(strcmp(id, 'Tavrix:TavrixRead:oneValue') && ~isempty(strfind(message, 'one value in ''a''')) ...
         && ~isempty(strfind(message, 'one bin for ''b''')) && ~isempty(strfind(message, '''Bins'', 0')));
end

function check_quoted()
  % Rows the one-pass split reads and rows it hands to the careful one
  % (blanks at quotes, escapes, both quotes, a quote inside a field) give
  % the fields a plain reading expects.
  text = ['"name","size","note"\n' ...
          '"a",1,"x, y"\n' ...
          '"b","2",""\n' ...
          ' "c" , 3 ,"  z "\n' ...
          '''d'',4,''it"s''\n' ...
          '"e",5,"say ""hi"""\n' ...
          'f,6,O''Brien\n' ...
          '"g",7,"back\\"slash"\n' ...
          '"h",8,"two words"\n'];
  [codes, info] = TavrixRead(write_file(text), 'Missing', {'?'});
  assert(isequal(info.Labels{1}, {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}) && isequal(codes(1, :), 0:7));
  assert(isequal(info.Labels{2}, arrayfun(@num2str, 1:8, 'UniformOutput', false)));
  notes = info.Labels{3}(codes(3, :) + 1);
  assert(isequal(notes, {'x, y', '', 'z', 'it"s', 'say "hi"', 'O''Brien', 'back"slash', 'two words'}));
  % Every row alike, as a large export: the same codes as row by row.
  rows = sprintf('"r%d","%d",%d\n', [1:300; mod(1:300, 3); mod(1:300, 4)]);
  [fast, fastInfo] = TavrixRead(write_file(['"id","three","four"\n' rows]));
  for r = [1 150 300]
    assert(strcmp(fastInfo.Labels{1}{fast(1, r) + 1}, sprintf('r%d', r)));
    assert(str2double(fastInfo.Labels{2}{fast(2, r) + 1}) == mod(r, 3));
  end
  tavrix_expect_error('Tavrix:TavrixRead:format', @() TavrixRead(write_file('"a","b"\n"1","2","3"\n')));
end

function check_line_ends()
  lf = TavrixRead(write_file('a,b\n1,x\n2,y\n'));
  cr = TavrixRead(write_file('a,b\r1,x\r2,y\r'));
  mixed = TavrixRead(write_file('a,b\r\n1,x\r2,y\n'));
  assert(isequal(lf, cr, mixed, [0 1; 0 1]));
end

function check_errors_name_the_function()
  file = write_file('a,b\n1\n');
  calls = {{'Tavrix:TavrixRead:argumentCount', {}}, {'Tavrix:TavrixRead:fileName', {3}}, ...
           {'Tavrix:TavrixRead:file', {[file '.absent']}}, {'Tavrix:TavrixRead:format', {file}}, ...
           {'Tavrix:TavrixRead:option', {file, 'Bins', 1}}, {'Tavrix:TavrixRead:option', {file, 'Nope', 1}}};
  for c = 1:numel(calls)
    try
      TavrixRead(calls{c}{2}{:});
      error('test:noError', 'expected %s', calls{c}{1});
    catch err
      assert(strcmp(err.identifier, calls{c}{1}), err.message);
      assert(strncmp(err.message, 'TavrixRead: ', 12), err.message);
    end
  end
end

% A temporary CSV file holding TEXT (a printf format), deleted at the end of the test.
function file = write_file(text)
  persistent files
  file = [tempname() '.csv'];
  fid = fopen(file, 'w');
  fprintf(fid, text);
  fclose(fid);
  files{end + 1} = onCleanup(@() delete(file));
end
