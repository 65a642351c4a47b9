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
%   A value "?" or an empty field is missing (see the Missing option): in
%   a row a,,b the middle value is missing.
%
%   The file is read as UTF-8 (with or without a byte-order mark) or, when
%   its bytes are not valid UTF-8, as Latin-1; labels come back in the
%   host's characters. Lines end in LF or CRLF; blank lines are skipped.
%   Quotes ('...' or "...") are removed, so a quoted value may hold the
%   delimiter or blanks; a doubled quote or a backslash escapes a quote.
%
%   ARFF (.arff): a nominal attribute's labels are the ones declared, in the
%   declared order; a numeric, real or integer attribute is binned; any
%   other (a string, or numbers left unbinned) gets the distinct values
%   found in the data, sorted (numerically when all are numbers). A line
%   starting with % is a comment. Sparse rows {index value, ...} (0-based
%   attribute indices, increasing; {} for none) may mix with dense ones; an
%   attribute a sparse row leaves out takes its first declared value, or 0
%   when it is not nominal.
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
%     argumentCount  no file given, or more than three outputs asked for
%     fileName       FILE is not a text
%     file           the file cannot be opened, or is a folder
%     encoding       the file is UTF-16 text (save it as UTF-8)
%     notText        the file holds NUL bytes (not a text file)
%     format         a malformed file: the message gives the line and
%                    what to mend
%     option         an unknown or malformed option
%     unreadable     any other failure to read the file
%
%   Example
%     [codes, info, mask] = TavrixRead('data/vote.arff');
%     info.Names{1}, info.Labels{1}
%     % A held-out file binned and coded as the training file:
%     %   [train, info] = TavrixRead('train.csv');
%     %   test = TavrixRead('test.csv', 'Edges', info.Edges, 'Labels', info.Labels);
%
%   See also TavrixLabels, TavrixInit.
function [codes, info, mask, varargout] = TavrixRead(file, varargin)
  if nargin < 1
    error('Tavrix:TavrixRead:argumentCount', 'TavrixRead needs a file name.');
  end
  if nargout > 3
    error('Tavrix:TavrixRead:argumentCount', 'TavrixRead returns at most three outputs: [codes, info, mask].');
  end
  if isa(file, 'string') && isscalar(file)
    file = char(file);
  end
  if ~ischar(file) || size(file, 1) ~= 1
    error('Tavrix:TavrixRead:fileName', 'FILE must be a file name, such as ''data/vote.arff''.');
  end
  opts = parse_options(file, varargin);
  try
    [codes, info, mask] = code_text(tavrix_read_text(file), file, opts);
  catch err
    if strncmp(err.identifier, 'Tavrix:', 7)
      rethrow(err);
    end
    error('Tavrix:TavrixRead:unreadable', '%s could not be read (%s); check that it is an ARFF or CSV file.', ...
          file, err.message);
  end
end

% The codes of the text of FILE.
function [codes, info, mask] = code_text(text, file, opts)
  lines = strtrim(regexp(text, '\r?\n', 'split'));
  delimiter = opts.Delimiter;
  defaults = {};
  if strcmp(opts.Format, 'arff')
    [names, declared, numeric, rows, firstRow] = tavrix_read_arff_header(lines, file);
    delimiter = ',';
    defaults = sparse_defaults(declared);
  else
    [names, rows, firstRow] = parse_csv_header(lines, file, delimiter);
    declared = cell(1, numel(names));
    numeric = true(1, numel(names));
  end
  dimension = numel(names);
  check_per_variable(opts.Edges, 'Edges', dimension);
  check_per_variable(opts.Labels, 'Labels', dimension);
  fields = tavrix_read_rows(rows, firstRow, dimension, delimiter, file, defaults);
  n = size(fields, 2);
  codes = NaN(dimension, n);
  labels = cell(1, dimension);
  edges = cell(1, dimension);
  for i = 1:dimension
    % Each variable's distinct texts are handled once; sample s has text distinct{which(s)}.
    [distinct, ~, which] = unique(fields(i, :));
    which = reshape(which, 1, []);
    missing = ismember(distinct, opts.Missing);
    present = distinct(~missing);
    rank = cumsum(~missing);
    observed = ~missing(which);
    sample = rank(which(observed));   % observed sample s has text present{sample(s)}
    observedRows = firstRow(observed);
    edges{i} = bin_edges(present, sample, numeric(i), i, opts);
    if ~isempty(edges{i})
      [labels{i}, codes(i, observed)] = bin_values(present, sample, edges{i}, names{i}, file, observedRows);
      continue;
    end
    if ~isempty(opts.Labels) && ~isempty(opts.Labels{i})
      labels{i} = reshape(opts.Labels{i}, 1, []);
    elseif isempty(declared{i})
      labels{i} = distinct_sorted(present);
    else
      % "?" (or an empty field) read as a value follows the declared labels.
      undeclared = present(~ismember(present, declared{i}) & ismember(present, {'?', ''}));
      labels{i} = [declared{i}, distinct_sorted(undeclared)];
    end
    [found, where] = ismember(present, labels{i});
    first = find(~found(sample), 1);
    if ~isempty(first)
      tavrix_read_error(file, observedRows(first), ...
                        'value ''%s'' is not a declared value of ''%s''; declare it or correct the value.', ...
                        present{sample(first)}, names{i});
    end
    codes(i, observed) = where(sample) - 1;
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
        if ~ischar(value) || numel(value) ~= 1 || any(value == ['"''' char([10 13])])
          error('Tavrix:TavrixRead:option', 'Delimiter must be one character other than a quote or a line break.');
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
% it stays unbinned. PRESENT holds its distinct observed texts, SAMPLE
% which one each observed sample has.
function edges = bin_edges(present, sample, numeric, i, opts)
  edges = [];
  if ~isempty(opts.Edges)
    if ~isempty(opts.Edges{i})
      edges = reshape(double(opts.Edges{i}), 1, []);
    end
    return;
  end
  if ~numeric || opts.Bins == 0 || numel(present) <= opts.Bins
    return;
  end
  numbers = str2double(present);
  if any(isnan(numbers) | imag(numbers) ~= 0)
    return;
  end
  sorted = sort(numbers(sample));
  inner = sorted(floor((1:opts.Bins - 1) * numel(sorted) / opts.Bins) + 1);
  % Every edge is an observed value, so every bin holds at least its lower edge.
  edges = unique([sorted(1), inner, sorted(end)]);
end

function [labels, codes] = bin_values(present, sample, edges, name, file, lineNumbers)
  numbers = str2double(present);
  bad = find(isnan(numbers(sample)) | imag(numbers(sample)) ~= 0, 1);
  if ~isempty(bad)
    tavrix_read_error(file, lineNumbers(bad), ...
                      'value ''%s'' of binned variable ''%s'' is not a number; correct it or mark it missing.', ...
                      present{sample(bad)}, name);
  end
  numbers = numbers(sample);
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

function [names, rows, lineNumbers] = parse_csv_header(lines, file, delimiter)
  [rows, lineNumbers] = tavrix_read_data_lines(lines, 1, false);
  if isempty(rows)
    tavrix_read_error(file, 0, 'no header line; a CSV file starts with a line of variable names.');
  end
  names = tavrix_read_fields(rows{1}, delimiter, file, lineNumbers(1), false);
  rows = rows(2:end);
  lineNumbers = lineNumbers(2:end);
end

% The value an attribute left out of a sparse row takes: the first declared
% label of a nominal attribute, 0 for any other.
function defaults = sparse_defaults(declared)
  defaults = repmat({'0'}, 1, numel(declared));
  nominal = ~cellfun('isempty', declared);
  defaults(nominal) = cellfun(@(labels) labels{1}, declared(nominal), 'UniformOutput', false);
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
