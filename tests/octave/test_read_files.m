function test_read_files()
% TavrixRead on files as users have them: Latin-1, a byte-order mark with
% CRLF line ends, quoted and empty fields, sparse ARFF rows and their
% faults, and clear errors for bad arguments and files that are not text.
  here = fullfile(fileparts(mfilename('fullpath')), 'fixtures');
  state = warning('off', 'Tavrix:TavrixRead:oneValue');
  restore = onCleanup(@() warning(state));

  [codes, info] = TavrixRead(fullfile(here, 'latin1.arff'));
  assert(isequal(info.Labels{1}, {'rouge', 'vert', native2unicode(uint8([195 169 99 114 117]), 'UTF-8')}));
  assert(isequaln(codes, [0 2 1; 0 1 NaN]));

  % Byte-order mark, CRLF, trailing blank lines, quoted commas and spaces, an empty field, UTF-8 text
  % (written here, so that no checkout setting turns its line ends into LF).
  crlf = [char(13) char(10)];
  file = [tempname() '.csv'];
  cleanup = onCleanup(@() delete(file));
  write_text(file, [char([239 187 191]) 'colour,place,note' crlf 'red,"x,y",''a b''' crlf ...
                    'blue,,' char([195 169]) 'cru' crlf 'red , x y,a' crlf crlf crlf]);
  [codes, info, mask] = TavrixRead(file);
  assert(isequal(info.Names, {'colour', 'place', 'note'}));
  assert(isequal(info.Labels{2}, {'x y', 'x,y'}) && isequal(info.Labels{3}{2}, 'a b'));
  assert(strcmp(info.Labels{3}{3}, native2unicode(uint8([195 169 99 114 117]), 'UTF-8')));
  assert(isequaln(codes, [1 0 1; 1 NaN 0; 1 2 0]) && isequal(mask, ~isnan(codes)));
  write_text(file, [char([239 187 191]) 'a,b' crlf 'x,y' crlf 'z' crlf]);
  assert(~isempty(strfind(expect_read_error('Tavrix:TavrixRead:format', file), 'line 3:')));

  [codes, info] = TavrixRead(fullfile(here, 'sparse.arff'));
  assert(isequal(info.Labels{4}, {'north', 'south side'}) && isequal(info.Labels{3}, {'0', '2', '5'}));
  assert(isequaln(codes, [0 1 0 1 0; 1 0 0 0 0; 0 1 0 NaN 2; 1 0 0 0 0]));
  check_sparse_faults(here);
  check_arguments(here);
end

function check_sparse_faults(here)
  header = fileread(fullfile(here, 'sparse.arff'));
  header = header(1:strfind(header, '@data') + 5);
  file = [tempname() '.arff'];
  cleanup = onCleanup(@() delete(file));
  faults = {'{4 t}', 'out of range'; '{1 t, 1 f}', 'increasing'; '{1 t, 0 f}', 'increasing'; ...
            '{1}', 'index value'; '{x t}', 'index value'; '{1 t,, 2 5}', 'index value'; ...
            '{1 t', 'end with }'; '{1 maybe}', 'not a declared value'};
  for k = 1:size(faults, 1)
    write_text(file, sprintf('%st,t,1,north\n{0 t}\n%s\n', header, faults{k, 1}));
    message = expect_read_error('Tavrix:TavrixRead:format', file);
    assert(~isempty(strfind(message, [file ' line 10:'])) && ~isempty(strfind(message, faults{k, 2})), message);
  end
end

function check_arguments(here)
  csv = fullfile(here, 'small.csv');
  expect_read_error('Tavrix:TavrixRead:fileName', 3);
  expect_read_error('Tavrix:TavrixRead:fileName', ['ab'; 'cd']);
  expect_read_error('Tavrix:TavrixRead:file', here);
  expect_read_error('Tavrix:TavrixRead:option', csv, 'Bins');
  expect_read_error('Tavrix:TavrixRead:option', csv, 'Nope', 1);
  expect_read_error('Tavrix:TavrixRead:option', csv, 'Delimiter', char(10));
  tavrix_expect_error('Tavrix:TavrixRead:outputCount', @() four_outputs(csv));

  file = [tempname() '.csv'];
  cleanup = onCleanup(@() delete(file));
  write_text(file, [char([255 254]) 'a' char(0) ',' char(0) 'b' char(0)]);
  expect_read_error('Tavrix:TavrixRead:encoding', file);
  write_text(file, sprintf('a,b\nx,%s\n', char(0)));
  assert(~isempty(strfind(expect_read_error('Tavrix:TavrixRead:notText', file), 'line 2')));
end

function four_outputs(file)
  [~, ~, ~, ~] = TavrixRead(file);
end

function message = expect_read_error(id, varargin)
  message = '';
  try
    TavrixRead(varargin{:});
  catch err
    assert(strcmp(err.identifier, id), 'expected %s, got %s: %s', id, err.identifier, err.message);
    message = err.message;
    return;
  end
  error('test:noError', 'expected error %s, got none', id);
end

function write_text(file, text)
  fid = fopen(file, 'w');
  fwrite(fid, text, 'uint8');
  fclose(fid);
end
