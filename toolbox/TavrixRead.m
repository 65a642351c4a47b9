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
%   a row a,,b the middle value is missing. So are NA and NaN in a column
%   whose other values are all numbers, as R and spreadsheets export them;
%   in a column of text NA stays a value, with a warning.
%
%   The file is read as UTF-8 (with or without a byte-order mark) or, when
%   its bytes are not valid UTF-8, as Latin-1; labels come back in the
%   host's characters. Lines end in LF, CRLF or CR; blank lines are skipped.
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
%   Scales. Under the default Bins, a numeric variable of whole numbers
%   that all lie within 12 consecutive integers (an ordinal scale such as
%   1..10 or 0..11) keeps one label per value instead of being binned.
%
%   Binning. The edges of a numeric variable are its smallest value, the
%   values at the quantiles 1/B, ..., (B-1)/B of its observed values (the
%   sorted values at positions floor(k*N/B)+1) and its largest value.
%   Edges lie between distinct values only: a quantile inside a run of
%   equal values moves to the nearer end of the run, and the edges above
%   it share out the remaining values, so ties never merge a value with
%   its neighbours and no bin is empty. Bin j holds the values from Edges(j) up to, not including,
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
%     Missing::   [{'?', ''}]  the field texts that mean missing (and NA,
%                      NaN in columns of numbers, unless Missing is given). With
%                      'Missing', '' a "?" is a value of its own, labelled
%                      '?' (after an ARFF attribute's declared labels), as
%                      in basket data where "?" means "not bought".
%     Format::    [from the extension]  'arff' or 'csv'.
%     Delimiter:: [',']  the CSV separator.
%
%   Warnings (identifiers Tavrix:TavrixRead:<reason>)
%     manyValues  a variable has more than 50 labels
%     oneValue    a variable takes one value or none; the warning says why
%                 (one value, one bin of Edges, all missing) and what to do
%     naValue     NA or NaN is a value of a text column (read it as
%                 missing with 'Missing', {'?', '', 'NA', 'NaN'})
%
%   Errors (identifiers Tavrix:TavrixRead:<reason>; every message starts
%   with "TavrixRead:")
%     argumentCount  no file given
%     outputCount    more than three outputs asked for
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
    fail('argumentCount', 'no file given; call TavrixRead(FILE, options...).');
  end
  tavrix_check_outputs('TavrixRead', nargout, 3, '[CODES, INFO, MASK] = TavrixRead(FILE)');
  if isa(file, 'string') && isscalar(file)
    file = char(file);
  end
  if ~ischar(file) || size(file, 1) ~= 1
    fail('fileName', 'FILE (argument 1) must be a file name, such as ''data/vote.arff''; found %s.', ...
                tavrix_describe(file));
  end
  opts = parse_options(file, varargin);
  try
    [codes, info, mask] = code_text(tavrix_read_text(file), file, opts);
  catch err
    if strncmp(err.identifier, 'Tavrix:', 7)
      rethrow(err);
    end
    fail('unreadable', '%s could not be read (%s); check that it is an ARFF or CSV file.', ...
          file, err.message);
  end
end

% The codes of the text of FILE.
function [codes, info, mask] = code_text(text, file, opts)
  lines = strtrim(regexp(text, '\r\n|\r|\n', 'split'));
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
  % The distinct texts of the whole file, found once: variable i's are then
  % found by number.
  [texts, textOf] = tavrix_read_rows(rows, firstRow, dimension, delimiter, file, defaults);
  n = size(textOf, 2);
  codes = NaN(dimension, n);
  labels = cell(1, dimension);
  edges = cell(1, dimension);
  naValues = false(1, dimension);
  spread = zeros(1, dimension);
  for i = 1:dimension
    % Each variable's distinct texts are handled once; sample s has text distinct{which(s)}.
    [used, ~, which] = unique(textOf(i, :));
    distinct = reshape(texts(used), 1, []);
    which = reshape(which, 1, []);
    [missing, naValues(i)] = missing_texts(distinct, isempty(declared{i}), opts);
    present = distinct(~missing);
    spread(i) = numel(present);
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
  warn_about_values(info, codes, spread, naValues);
end

% Which of a variable's DISTINCT texts are missing: those of the Missing
% option and, unless it was given, 'NA' and 'NaN' in an undeclared column
% whose other values are all numbers (R's and spreadsheets' exports).
% NAVALUE is true where 'NA' or 'NaN' stays a value of a text column.
function [missing, naValue] = missing_texts(distinct, undeclared, opts)
  missing = ismember(distinct, opts.Missing);
  naValue = false;
  if opts.MissingGiven || ~undeclared
    return;
  end
  na = ismember(distinct, {'NA', 'NaN'});
  if ~any(na)
    return;
  end
  if all_numbers(distinct(~missing & ~na))
    missing = missing | na;
  else
    naValue = true;
  end
end

function yes = all_numbers(texts)
  numbers = str2double(texts);
  yes = ~any(isnan(numbers) | imag(numbers) ~= 0);
end

function opts = parse_options(file, args)
  [~, ~, ext] = fileparts(file);
  opts = struct('Format', 'csv', 'Delimiter', ',', 'Bins', 5, 'Edges', {{}}, 'Labels', {{}}, ...
                'Missing', {{'?', ''}}, 'MissingGiven', false, 'BinsGiven', false);
  if strcmpi(ext, '.arff')
    opts.Format = 'arff';
  end
  if mod(numel(args), 2) ~= 0
    fail('option', ['options after FILE come in name-value pairs; found an odd number (%d) of arguments ' ...
                'there. Accepted options: Bins, Edges, Labels, Missing, Format, Delimiter.'], numel(args));
  end
  for a = 1:2:numel(args)
    name = args{a};
    value = args{a + 1};
    if ~ischar(name)
      fail('option', ['argument %d must be an option name (Bins, Edges, Labels, Missing, Format, ' ...
           'Delimiter); found %s.'], ...
                  a + 1, tavrix_describe(name));
    end
    switch lower(name)
      case 'format'
        if ~ischar(value) || ~any(strcmpi(value, {'arff', 'csv'}))
          fail('option', 'option ''Format'' must be ''arff'' or ''csv''; found %s.', tavrix_describe(value));
        end
        opts.Format = lower(value);
      case 'delimiter'
        if ~ischar(value) || numel(value) ~= 1 || any(value == ['"''' char([10 13])])
          fail('option', ['option ''Delimiter'' must be one character other than a quote or a line ' ...
                'break; found %s.'], tavrix_describe(value));
        end
        opts.Delimiter = value;
      case 'bins'
        if ~isnumeric(value) || ~isscalar(value) || ~isreal(value) || ~isfinite(value) ...
           || value ~= fix(value) || value < 0 || value == 1
          fail('option', 'option ''Bins'' must be 0 (no binning) or an integer of at least 2; found %s.', ...
                      tavrix_describe(value));
        end
        opts.Bins = double(value);
        opts.BinsGiven = true;
      case 'edges'
        if ~iscell(value) || ~all(cellfun(@valid_edges, value))
          fail('option', ...
                ['option ''Edges'' must be a cell (INFO.Edges of an earlier read) of [] or increasing ' ...
                 'real vectors of 2 or more numbers; found %s.'], tavrix_describe(value));
        end
        opts.Edges = value;
      case 'labels'
        if ~iscell(value) || ~all(cellfun(@iscellstr, value))
          fail('option', ['option ''Labels'' must be a cell (INFO.Labels of an earlier read) of cells of ' ...
                      'labels; found %s.'], tavrix_describe(value));
        end
        opts.Labels = value;
      case 'missing'
        if ischar(value)
          value = {value};
        end
        if ~iscellstr(value)
          fail('option', ['option ''Missing'' must be a text or a cell of texts, such as {''?'', ''''}; ' ...
                      'found %s.'], tavrix_describe(value));
        end
        opts.Missing = value;
        opts.MissingGiven = true;
      otherwise
        fail('option', ...
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
    fail('option', ['option ''%s'' has %d entries; the file has %d variables: give the %s of a read ' ...
                'of a file with the same columns.'], ...
          option, numel(value), dimension, option);
  end
end

% The edges that bin variable i: those of the Edges option, or quantile
% edges of a numeric variable with more distinct values than bins; [] when
% it stays unbinned. Under the default Bins a scale of whole numbers (all
% within ORDINAL_SPAN consecutive integers, such as 1..10) stays unbinned
% too. PRESENT holds its distinct observed texts, SAMPLE which one each
% observed sample has.
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
  if ~opts.BinsGiven && all(numbers == fix(numbers)) && max(numbers) - min(numbers) < ordinal_span()
    return;
  end
  edges = quantile_edges(numbers(sample), opts.Bins);
end

% A scale of this many consecutive whole numbers or fewer keeps its values.
function span = ordinal_span()
  span = 12;
end

% Edges between distinct values only, so that tied values never push their
% neighbours into their bin. Edge k goes where floor(k*N/B) values lie
% below it, or, inside a run of ties, at the nearest end of the run (the
% lower on a tie); after such a move the remaining edges share out the
% values above it alike. Without ties these are the sorted values at
% positions floor(k*N/B)+1.
function edges = quantile_edges(values, bins)
  [distinct, ~, which] = unique(values);
  below = cumsum(accumarray(which(:), 1))';          % values up to and including distinct(j)
  below = below(1:end - 1);                           % values below distinct(2), distinct(3), ...
  n = numel(values);
  targets = floor((1:bins - 1) * n / bins);
  inner = [];
  start = 0;
  while numel(inner) < bins - 1 && any(below > start)
    candidates = find(below > start);
    [~, nearest] = min(abs(below(candidates) - targets(1)));
    chosen = candidates(nearest);
    inner(end + 1) = distinct(chosen + 1); %#ok<AGROW>
    left = bins - numel(inner);
    if below(chosen) == targets(1)
      targets = targets(2:end);
    else
      targets = below(chosen) + floor((1:left - 1) * (n - below(chosen)) / left);
    end
    start = below(chosen);
  end
  % Every edge is an observed value, so every bin holds at least its lower edge.
  edges = [distinct(1), inner, distinct(end)];
  edges = unique(edges);
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

% One warning per kind: many values; one value or none, saying why; NA
% kept as a value of a text column. SPREAD counts each variable's distinct
% observed texts, NAVALUES marks the text columns holding NA or NaN.
function warn_about_values(info, codes, spread, naValues)
  many = find(info.Ranges' > 50);
  if ~isempty(many)
    warning('Tavrix:TavrixRead:manyValues', ...
            ['TavrixRead: more than 50 values in %s: a map needs samples of every value and memory for ' ...
             'every pair of values; merge rare values or drop the variable (numbers: bin them with ' ...
             'the Bins option).'], name_list(info.Names(many)));
  end
  taken = arrayfun(@(i) numel(unique(codes(i, info.Mask(i, :) == 1))), 1:numel(info.Names));
  why = {};
  none = taken == 0;
  binned = taken == 1 & spread > 1;
  same = taken == 1 & ~binned;
  if any(same)
    why{end + 1} = sprintf(['one value in %s (every observed entry is the same): drop it, or, if "?" is a ' ...
                            'value here (as "not bought" in basket data), read it as one with ''Missing'', ' ...
                            ''''''], name_list(info.Names(same)));
  end
  if any(binned)
    why{end + 1} = sprintf(['one bin for %s (all its values fall in one bin of the Edges option): read it with ' ...
                            'other Edges, or with ''Bins'', 0 to keep every value'], name_list(info.Names(binned)));
  end
  if any(none)
    why{end + 1} = sprintf(['no value in %s (every entry is missing): drop it, or read its entries as values ' ...
                            'with ''Missing'', '''''], name_list(info.Names(none)));
  end
  if ~isempty(why)
    warning('Tavrix:TavrixRead:oneValue', 'TavrixRead: %s; such a variable tells a map nothing.', ...
            strjoin(why, '; '));
  end
  if any(naValues)
    warning('Tavrix:TavrixRead:naValue', ...
            ['TavrixRead: ''NA'' or ''NaN'' is read as a value in %s, whose other values are not all numbers; ' ...
             'if it marks missing entries, read with ''Missing'', {''?'', '''', ''NA'', ''NaN''}.'], ...
            name_list(info.Names(naValues)));
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

function fail(reason, format, varargin)
  tavrix_fail('TavrixRead', reason, format, varargin{:});
end
