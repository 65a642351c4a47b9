%TAVRIXREAD Read categorical data from an ARFF or CSV file.
%   [CODES, INFO, MASK] = TavrixRead(FILE) reads FILE and returns
%     CODES  Dimension x N doubles, one sample a column: the 0-based code of
%            each value (its position in INFO.Labels{i}); NaN where missing.
%     INFO   struct with fields
%              Names   1 x Dimension cell of variable names
%              Labels  1 x Dimension cell, each a 1 x Ranges(i) cell of the
%                      variable's value labels (label of code c: Labels{i}{c+1})
%              Ranges  Dimension x 1, the number of labels of each variable
%              Mask    the same as MASK
%              File    the file read
%     MASK   Dimension x N doubles: 1 where observed, 0 where missing.
%   A value "?" or an empty field is missing.
%
%   ARFF (.arff): a nominal attribute's labels are the ones declared, in the
%   declared order; an attribute of any other type (numeric, string) gets the
%   distinct values found in the data, sorted (numerically when all are
%   numbers). Quotes ('...' or "...") are removed; % starts a comment.
%   Sparse ARFF data ({...} rows) is not read.
%   CSV (any other extension): the first line holds the names; every column
%   is categorical with the distinct values found, sorted as above.
%
%   [...] = TavrixRead(FILE, 'Format', F) reads F = 'arff' or 'csv'
%   whatever the extension; 'Delimiter', C sets the CSV separator (',').
%
%   Errors (identifiers Tavrix:TavrixRead:<reason>)
%     argumentCount  no file given
%     file           the file cannot be read
%     format         a malformed file: the message gives the line
%     option         an unknown or malformed option
%
%   Example
%     [codes, info, mask] = TavrixRead('data/vote.arff');
%     info.Names{1}, info.Labels{1}
%
%   See also TavrixLabels, TavrixInit.
function [codes, info, mask] = TavrixRead(file, varargin)
  if nargin < 1 || ~ischar(file)
    error('Tavrix:TavrixRead:argumentCount', 'TavrixRead needs a file name.');
  end
  [format, delimiter] = parse_options(file, varargin);
  fid = fopen(file, 'r');
  if fid < 0
    error('Tavrix:TavrixRead:file', 'cannot open ''%s''.', file);
  end
  text = fread(fid, Inf, '*char')';
  fclose(fid);
  lines = regexp(text, '\r?\n', 'split');
  if strcmp(format, 'arff')
    [names, declared, rows, firstRow] = parse_arff(lines, file);
    delimiter = ',';
  else
    [names, rows, firstRow] = parse_csv_header(lines, file, delimiter);
    declared = cell(1, numel(names));
  end
  fields = split_rows(rows, firstRow, numel(names), delimiter, file);
  dimension = numel(names);
  n = size(fields, 2);
  codes = NaN(dimension, n);
  labels = cell(1, dimension);
  for i = 1:dimension
    values = fields(i, :);
    missing = cellfun(@isempty, values) | strcmp(values, '?');
    if isempty(declared{i})
      labels{i} = distinct_sorted(values(~missing));
    else
      labels{i} = declared{i};
    end
    [found, where] = ismember(values(~missing), labels{i});
    if ~all(found)
      bad = values(~missing);
      columns = find(~missing);
      first = find(~found, 1);
      error('Tavrix:TavrixRead:format', '%s line %d: value ''%s'' is not a declared value of ''%s''.', ...
            file, firstRow(columns(first)), bad{first}, names{i});
    end
    codes(i, ~missing) = where - 1;
  end
  mask = double(~isnan(codes));
  info.Names = names;
  info.Labels = labels;
  info.Ranges = cellfun(@numel, labels)';
  info.Mask = mask;
  info.File = file;
end

function [format, delimiter] = parse_options(file, args)
  [~, ~, ext] = fileparts(file);
  format = 'csv';
  if strcmpi(ext, '.arff')
    format = 'arff';
  end
  delimiter = ',';
  if mod(numel(args), 2) ~= 0
    error('Tavrix:TavrixRead:option', 'options come in name-value pairs.');
  end
  for a = 1:2:numel(args)
    name = args{a};
    value = args{a + 1};
    if ~ischar(name)
      error('Tavrix:TavrixRead:option', 'argument %d must be an option name.', a + 1);
    end
    switch lower(name)
      case 'format'
        if ~ischar(value) || ~any(strcmpi(value, {'arff', 'csv'}))
          error('Tavrix:TavrixRead:option', 'Format must be ''arff'' or ''csv''.');
        end
        format = lower(value);
      case 'delimiter'
        if ~ischar(value) || numel(value) ~= 1 || any(value == '"''')
          error('Tavrix:TavrixRead:option', 'Delimiter must be one character other than a quote.');
        end
        delimiter = value;
      otherwise
        error('Tavrix:TavrixRead:option', 'unknown option ''%s''; accepted: Format, Delimiter.', name);
    end
  end
end

% Header of an ARFF file: names, declared nominal labels (empty for other
% types), the data lines and their 1-based line numbers.
function [names, declared, rows, lineNumbers] = parse_arff(lines, file)
  names = {};
  declared = {};
  dataStart = 0;
  for l = 1:numel(lines)
    line = strtrim(lines{l});
    if isempty(line) || line(1) == '%'
      continue;
    end
    lower_line = lower(line);
    if strncmp(lower_line, '@relation', 9)
      continue;
    elseif strncmp(lower_line, '@attribute', 10)
      [name, rest] = first_token(strtrim(line(11:end)), file, l);
      names{end + 1} = name; %#ok<AGROW>
      rest = strtrim(rest);
      if ~isempty(rest) && rest(1) == '{'
        close = find(rest == '}', 1, 'last');
        if isempty(close)
          error('Tavrix:TavrixRead:format', '%s line %d: the value list of ''%s'' has no closing }.', file, l, name);
        end
        labels = split_fields(rest(2:close - 1), ',', file, l);
        if any(cellfun(@isempty, labels))
          error('Tavrix:TavrixRead:format', '%s line %d: ''%s'' declares an empty value.', file, l, name);
        end
        declared{end + 1} = labels; %#ok<AGROW>
      elseif isempty(rest)
        error('Tavrix:TavrixRead:format', '%s line %d: attribute ''%s'' has no type.', file, l, name);
      else
        declared{end + 1} = {}; %#ok<AGROW>
      end
    elseif strncmp(lower_line, '@data', 5)
      dataStart = l + 1;
      break;
    else
      error('Tavrix:TavrixRead:format', '%s line %d: expected @relation, @attribute or @data.', file, l);
    end
  end
  if dataStart == 0 || isempty(names)
    error('Tavrix:TavrixRead:format', '%s: no @attribute and @data sections.', file);
  end
  [rows, lineNumbers] = data_lines(lines, dataStart, true);
end

function [names, rows, lineNumbers] = parse_csv_header(lines, file, delimiter)
  [rows, lineNumbers] = data_lines(lines, 1, false);
  if isempty(rows)
    error('Tavrix:TavrixRead:format', '%s: no header line.', file);
  end
  names = split_fields(rows{1}, delimiter, file, lineNumbers(1));
  rows = rows(2:end);
  lineNumbers = lineNumbers(2:end);
end

function [rows, lineNumbers] = data_lines(lines, start, comments)
  rows = lines(start:end);
  lineNumbers = start:numel(lines);
  trimmed = strtrim(rows);
  keep = ~cellfun(@isempty, trimmed);
  if comments
    keep = keep & ~strncmp(trimmed, '%', 1);
  end
  rows = trimmed(keep);
  lineNumbers = lineNumbers(keep);
end

function fields = split_rows(rows, lineNumbers, dimension, delimiter, file)
  fields = cell(dimension, numel(rows));
  for r = 1:numel(rows)
    row = rows{r};
    if row(1) == '{'
      error('Tavrix:TavrixRead:format', '%s line %d: sparse rows are not supported.', file, lineNumbers(r));
    end
    values = split_fields(row, delimiter, file, lineNumbers(r));
    if numel(values) ~= dimension
      error('Tavrix:TavrixRead:format', '%s line %d: %d values, expected %d.', ...
            file, lineNumbers(r), numel(values), dimension);
    end
    fields(:, r) = values(:);
  end
end

% Splits one line at the delimiter, honouring '...' and "..." quotes (a
% doubled quote or a backslash escapes a quote); fields are trimmed and
% unquoted, so a quoted '?' is missing like a bare one.
function fields = split_fields(line, delimiter, file, lineNumber)
  if ~any(line == '''' | line == '"')
    fields = strtrim(strsplit(line, delimiter));
    return;
  end
  fields = {};
  current = '';
  quote = '';
  k = 1;
  while k <= numel(line)
    c = line(k);
    if isempty(quote)
      if c == delimiter
        fields{end + 1} = strtrim(current); %#ok<AGROW>
        current = '';
      elseif (c == '''' || c == '"') && isempty(strtrim(current))
        quote = c;
        current = '';
      else
        current(end + 1) = c; %#ok<AGROW>
      end
    elseif c == quote
      if k < numel(line) && line(k + 1) == quote
        current(end + 1) = c; %#ok<AGROW>
        k = k + 1;
      else
        quote = '';
      end
    elseif c == '\' && k < numel(line)
      current(end + 1) = line(k + 1); %#ok<AGROW>
      k = k + 1;
    else
      current(end + 1) = c; %#ok<AGROW>
    end
    k = k + 1;
  end
  if ~isempty(quote)
    error('Tavrix:TavrixRead:format', '%s line %d: unclosed quote.', file, lineNumber);
  end
  fields{end + 1} = strtrim(current);
end

function [name, rest] = first_token(text, file, lineNumber)
  if isempty(text)
    error('Tavrix:TavrixRead:format', '%s line %d: attribute without a name.', file, lineNumber);
  end
  if text(1) == '''' || text(1) == '"'
    close = find(text(2:end) == text(1), 1);
    if isempty(close)
      error('Tavrix:TavrixRead:format', '%s line %d: unclosed quote.', file, lineNumber);
    end
    name = text(2:close);
    rest = text(close + 2:end);
  else
    [name, rest] = strtok(text);
  end
end

function labels = distinct_sorted(values)
  labels = unique(values);
  numbers = str2double(labels);
  if ~isempty(labels) && ~any(isnan(numbers))
    [~, order] = sort(numbers);
    labels = labels(order);
  end
  labels = reshape(labels, 1, []);
end
