%TAVRIXREAD Read data from an ARFF or CSV file as categorical codes.
%   [CODES, INFO, MASK] = TavrixRead(FILE) reads FILE and returns
%     CODES  Dimension x N doubles, one sample a column: the 0-based code of
%            each value (its position in INFO.Labels{i}); NaN where missing.
%     INFO   struct with fields
%              Names   1 x Dimension cell of variable names
%              Labels  1 x Dimension cell, each a 1 x Ranges(i) cell of the
%                      variable's value labels (label of code c: Labels{i}{c+1})
%              Ranges  Dimension x 1, the number of labels of each variable
%              Edges   1 x Dimension cell: the bin edges of each binned
%                      variable (see Binning), [] for the others
%              Mask    the same as MASK
%              File    the file read
%     MASK   Dimension x N doubles: 1 where observed, 0 where missing.
%   A value "?" or an empty field is missing (see the Missing option).
%
%   ARFF (.arff): a nominal attribute's labels are the ones declared, in the
%   declared order; a numeric, real or integer attribute is binned; any
%   other (a string, or numbers left unbinned) gets the distinct values
%   found in the data, sorted (numerically when all are numbers). Quotes
%   ('...' or "...") are removed; % starts a comment. Sparse ARFF data
%   ({...} rows) is not read.
%   CSV (any other extension): the first line holds the names; a column
%   whose values are all numbers is binned, any other column gets the
%   distinct values found, sorted as above.
%
%   Binning. The edges of a numeric variable are its smallest value, the
%   values at the quantiles 1/B, ..., (B-1)/B of its observed values (the
%   sorted values at positions floor(k*N/B)+1) and its largest value;
%   repeated edges collapse into one, so no bin is empty and equal values
%   share a bin. Bin j holds the values from Edges(j) up to, not including,
%   Edges(j+1); the last bin includes its upper edge. Labels read
%   '[18, 27)', ..., '[61, 75]', lowest bin first (code 0). A variable with
%   at most B distinct values keeps them as its labels, unbinned. Missing
%   entries stay missing.
%
%   Options
%     Bins::      [5]  B, the number of quantile bins (2 or more); 0 keeps
%                      every distinct number as a label. Five bins leave
%                      about a fifth of the samples on each value and 25
%                      cells in a pair table, which a few hundred samples
%                      fill.
%     Edges::     []   INFO.Edges of an earlier read: variable i is binned
%                      with Edges{i} (values outside them go to the first
%                      or last bin), or left unbinned where Edges{i} is
%                      empty; Bins is then not used.
%     Labels::    []   INFO.Labels of an earlier read: a non-empty Labels{i}
%                      fixes the labels of unbinned variable i, as an ARFF
%                      declaration does. With Edges, a second file gets the
%                      codes of the first.
%     Missing::   [{'?', ''}]  the field texts that mean missing. With
%                      'Missing', '' a "?" is a value of its own, labelled
%                      '?' (after an ARFF attribute's declared labels), as
%                      in basket data where "?" means "not bought".
%     Format::    [from the extension]  'arff' or 'csv'.
%     Delimiter:: [',']  the CSV separator.
%
%   Warnings (identifiers Tavrix:TavrixRead:<reason>)
%     manyValues  a variable has more than 50 labels
%     oneValue    a variable takes one value or none
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
%     % A held-out file binned and coded as the training file:
%     %   [train, info] = TavrixRead('train.csv');
%     %   test = TavrixRead('test.csv', 'Edges', info.Edges, 'Labels', info.Labels);
%
%   See also TavrixLabels, TavrixInit.
function [codes, info, mask] = TavrixRead(file, varargin)
  if nargin < 1 || ~ischar(file)
    error('Tavrix:TavrixRead:argumentCount', 'TavrixRead needs a file name.');
  end
  opts = parse_options(file, varargin);
  fid = fopen(file, 'r');
  if fid < 0
    error('Tavrix:TavrixRead:file', 'cannot open ''%s''.', file);
  end
  text = fread(fid, Inf, '*char')';
  fclose(fid);
  lines = regexp(text, '\r?\n', 'split');
  delimiter = opts.Delimiter;
  if strcmp(opts.Format, 'arff')
    [names, declared, numeric, rows, firstRow] = parse_arff(lines, file);
    delimiter = ',';
  else
    [names, rows, firstRow] = parse_csv_header(lines, file, delimiter);
    declared = cell(1, numel(names));
    numeric = true(1, numel(names));
  end
  dimension = numel(names);
  check_per_variable(opts.Edges, 'Edges', dimension);
  check_per_variable(opts.Labels, 'Labels', dimension);
  fields = split_rows(rows, firstRow, dimension, delimiter, file);
  n = size(fields, 2);
  codes = NaN(dimension, n);
  labels = cell(1, dimension);
  edges = cell(1, dimension);
  for i = 1:dimension
    values = fields(i, :);
    missing = ismember(values, opts.Missing);
    observed = values(~missing);
    observedRows = firstRow(~missing);
    edges{i} = bin_edges(observed, numeric(i), i, opts);
    if ~isempty(edges{i})
      [labels{i}, codes(i, ~missing)] = bin_values(observed, edges{i}, names{i}, file, observedRows);
      continue;
    end
    if ~isempty(opts.Labels) && ~isempty(opts.Labels{i})
      labels{i} = reshape(opts.Labels{i}, 1, []);
    elseif isempty(declared{i})
      labels{i} = distinct_sorted(observed);
    else
      % "?" (or an empty field) read as a value follows the declared labels.
      undeclared = observed(~ismember(observed, declared{i}) & ismember(observed, {'?', ''}));
      labels{i} = [declared{i}, distinct_sorted(undeclared)];
    end
    [found, where] = ismember(observed, labels{i});
    if ~all(found)
      first = find(~found, 1);
      error('Tavrix:TavrixRead:format', '%s line %d: value ''%s'' is not a declared value of ''%s''.', ...
            file, observedRows(first), observed{first}, names{i});
    end
    codes(i, ~missing) = where - 1;
  end
  mask = double(~isnan(codes));
  info.Names = names;
  info.Labels = labels;
  info.Ranges = cellfun(@numel, labels)';
  info.Edges = edges;
  info.Mask = mask;
  info.File = file;
  warn_about_values(info, codes);
end

function opts = parse_options(file, args)
  [~, ~, ext] = fileparts(file);
  opts = struct('Format', 'csv', 'Delimiter', ',', 'Bins', 5, 'Edges', {{}}, 'Labels', {{}}, ...
                'Missing', {{'?', ''}});
  if strcmpi(ext, '.arff')
    opts.Format = 'arff';
  end
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
        opts.Format = lower(value);
      case 'delimiter'
        if ~ischar(value) || numel(value) ~= 1 || any(value == '"''')
          error('Tavrix:TavrixRead:option', 'Delimiter must be one character other than a quote.');
        end
        opts.Delimiter = value;
      case 'bins'
        if ~isnumeric(value) || ~isscalar(value) || ~isreal(value) || ~isfinite(value) ...
           || value ~= fix(value) || value < 0 || value == 1
          error('Tavrix:TavrixRead:option', 'Bins must be 0 (no binning) or an integer of at least 2.');
        end
        opts.Bins = double(value);
      case 'edges'
        if ~iscell(value) || ~all(cellfun(@valid_edges, value))
          error('Tavrix:TavrixRead:option', ...
                'Edges must be a cell (INFO.Edges) of [] or increasing real vectors of 2 or more numbers.');
        end
        opts.Edges = value;
      case 'labels'
        if ~iscell(value) || ~all(cellfun(@iscellstr, value))
          error('Tavrix:TavrixRead:option', 'Labels must be a cell (INFO.Labels) of cells of labels.');
        end
        opts.Labels = value;
      case 'missing'
        if ischar(value)
          value = {value};
        end
        if ~iscellstr(value)
          error('Tavrix:TavrixRead:option', 'Missing must be a text or a cell of texts, such as {''?'', ''''}.');
        end
        opts.Missing = value;
      otherwise
        error('Tavrix:TavrixRead:option', ...
              'unknown option ''%s''; accepted: Bins, Edges, Labels, Missing, Format, Delimiter.', name);
    end
  end
end

function ok = valid_edges(e)
  ok = isempty(e) || (isnumeric(e) && isreal(e) && isvector(e) && numel(e) >= 2 ...
                      && ~any(isnan(e)) && all(diff(e) > 0));
end

function check_per_variable(value, option, dimension)
  if ~isempty(value) && numel(value) ~= dimension
    error('Tavrix:TavrixRead:option', '%s has %d entries; the file has %d variables.', ...
          option, numel(value), dimension);
  end
end

% The edges that bin variable i: those of the Edges option, or quantile
% edges of a numeric variable with more distinct values than bins; [] when
% it stays unbinned.
function edges = bin_edges(observed, numeric, i, opts)
  edges = [];
  if ~isempty(opts.Edges)
    if ~isempty(opts.Edges{i})
      edges = reshape(double(opts.Edges{i}), 1, []);
    end
    return;
  end
  if ~numeric || opts.Bins == 0 || numel(unique(observed)) <= opts.Bins
    return;
  end
  numbers = str2double(observed);
  if any(isnan(numbers) | imag(numbers) ~= 0)
    return;
  end
  sorted = sort(numbers);
  inner = sorted(floor((1:opts.Bins - 1) * numel(sorted) / opts.Bins) + 1);
  % Every edge is an observed value, so every bin holds at least its lower edge.
  edges = unique([sorted(1), inner, sorted(end)]);
end

function [labels, codes] = bin_values(observed, edges, name, file, lineNumbers)
  numbers = str2double(observed);
  bad = find(isnan(numbers) | imag(numbers) ~= 0, 1);
  if ~isempty(bad)
    error('Tavrix:TavrixRead:format', '%s line %d: value ''%s'' of binned variable ''%s'' is not a number.', ...
          file, lineNumbers(bad), observed{bad}, name);
  end
  codes = zeros(size(numbers));
  for e = edges(2:end - 1)
    codes = codes + (numbers >= e);
  end
  text = arrayfun(@(v) sprintf('%.15g', v + 0), edges, 'UniformOutput', false);   % + 0 makes -0 read 0
  labels = strcat('[', text(1:end - 1), {', '}, text(2:end), ')');
  labels{end}(end) = ']';
end

function warn_about_values(info, codes)
  many = find(info.Ranges' > 50);
  if ~isempty(many)
    warning('Tavrix:TavrixRead:manyValues', ...
            ['TavrixRead: more than 50 values in %s: a map needs samples of every value and memory for ' ...
             'every pair of values; merge rare values or drop the variable (numbers: bin them with ' ...
             'the Bins option).'], name_list(info.Names(many)));
  end
  taken = arrayfun(@(i) numel(unique(codes(i, info.Mask(i, :) == 1))), 1:numel(info.Names));
  one = find(taken <= 1);
  if ~isempty(one)
    warning('Tavrix:TavrixRead:oneValue', ...
            ['TavrixRead: one value or none in %s: such a variable tells a map nothing; drop it, or, ' ...
             'if "?" is a value here (as "not bought" in basket data), read it as one with ' ...
             '''Missing'', ''''.'], name_list(info.Names(one)));
  end
end

function text = name_list(names)
  shown = min(numel(names), 5);
  text = strjoin(strcat('''', names(1:shown), ''''), ', ');
  if numel(names) > shown
    text = sprintf('%s and %d more', text, numel(names) - shown);
  end
end

% Header of an ARFF file: names, declared nominal labels (empty for other
% types), which attributes hold numbers (numeric, real, integer), the data
% lines and their 1-based line numbers.
function [names, declared, numeric, rows, lineNumbers] = parse_arff(lines, file)
  names = {};
  declared = {};
  numeric = false(1, 0);
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
        numeric(end + 1) = false; %#ok<AGROW>
      elseif isempty(rest)
        error('Tavrix:TavrixRead:format', '%s line %d: attribute ''%s'' has no type.', file, l, name);
      else
        declared{end + 1} = {}; %#ok<AGROW>
        numeric(end + 1) = any(strcmpi(strtok(rest), {'numeric', 'real', 'integer'})); %#ok<AGROW>
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
