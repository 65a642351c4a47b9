% The fields of the data rows as their distinct texts TEXTS (1 x T) and,
% for every field, the index of its text (WHICH, Dimension x N). Dense rows
% are split in one pass over their joined text: rows without quotes, and
% rows with one kind of quote where every field is either quoted whole or
% holds no quote (as spreadsheets and R's write.csv write them). Any other
% row goes through split_quoted. Where DEFAULTS is given (ARFF), a row in
% braces is sparse, {index value, ...}, and an attribute it leaves out
% takes DEFAULTS{i}.
function [texts, which] = tavrix_read_rows(rows, lineNumbers, dimension, delimiter, file, defaults)
  texts = {};
  which = zeros(dimension, numel(rows));
  if isempty(rows)
    return;
  end
  sparse = ~isempty(defaults) & strncmp(rows, '{', 1);
  doubles = ~cellfun('isempty', strfind(rows, '"'));
  singles = ~cellfun('isempty', strfind(rows, ''''));
  slow = ~sparse & doubles & singles;
  groups = {~doubles & ~singles, doubles & ~singles, singles & ~doubles};
  quotes = {'', '"', ''''};
  parts = {};
  for g = 1:3
    group = find(~sparse & groups{g});
    [chars, lengths, irregular] = split_joined(rows(group), lineNumbers(group), dimension, delimiter, file, quotes{g});
    slow(group(irregular)) = true;
    parts(end + 1, :) = {group(~irregular), chars, lengths}; %#ok<AGROW>
  end
  cells = cell(dimension, numel(rows));
  if any(slow)
    cells(:, slow) = split_quoted(rows(slow), lineNumbers(slow), dimension, delimiter, file);
  end
  cells(:, sparse) = tavrix_read_sparse(rows(sparse), lineNumbers(sparse), defaults, file);
  other = find(slow | sparse);
  parts(end + 1, :) = {other, [cells{:, other}], cellfun('length', cells(:, other))};
  % Each part's distinct texts, then those of all parts together.
  for p = 1:size(parts, 1)
    [found, index] = tavrix_read_distinct(parts{p, 2}, parts{p, 3});
    which(:, parts{p, 1}) = numel(texts) + reshape(index, dimension, []);
    texts = [texts, found]; %#ok<AGROW>
  end
  [texts, ~, merged] = unique(texts);
  which = reshape(merged(which), dimension, []);
end

% Rows split in one pass over their joined text: the separators (delimiters
% and line ends outside quotes), the quotes QUOTE and the blanks next to
% them are dropped: CHARS holds the fields' characters end to end and
% LENGTHS (Dimension x rows) their lengths. IRREGULAR marks the rows this
% cannot read (a quote inside a field, an escape, an odd number of quotes);
% CHARS and LENGTHS hold the others' fields.
function [chars, lengths, irregular] = split_joined(rows, lineNumbers, dimension, delimiter, file, quote)
  irregular = false(1, numel(rows));
  chars = '';
  lengths = zeros(dimension, 0);
  if isempty(rows)
    return;
  end
  text = strjoin(rows, char(10));
  [chars, lengths, done] = split_simple(text, dimension, delimiter, quote, lineNumbers, file);
  if done
    return;
  end
  lineEnd = text == char(10);
  row = cumsum(lineEnd) + 1;      % a line end counts in the row it opens
  isQuote = false(size(text));
  inside = isQuote;
  if ~isempty(quote)
    isQuote = text == quote;
    odd = mod(accumarray(reshape(row(isQuote), [], 1), 1, [numel(rows), 1]), 2) == 1;
    if any(odd)
      % An odd row would shift the quote parity of every later row.
      irregular = odd';
      [chars, lengths, again] = split_joined(rows(~odd), lineNumbers(~odd), dimension, delimiter, file, quote);
      irregular(~odd) = again;
      return;
    end
    inside = mod(cumsum(isQuote), 2) == 1 & ~isQuote;
  end
  separator = (lineEnd | text == delimiter) & ~inside;
  field = cumsum(separator) + 1;
  count = numel(find(separator)) + 1;
  fieldRow = [1, row(separator)];
  if ~isempty(quote)
    % A field with quotes is regular when it holds two, around all its
    % solid characters, and no backslash between them.
    outside = ~isspace(text) & ~separator & ~isQuote & ~inside;
    tally = @(which) accumarray(reshape(field(which), [], 1), 1, [count, 1]);
    quotes = tally(isQuote);
    bad = (quotes ~= 0 & quotes ~= 2) | (quotes == 2 & tally(outside) > 0) | tally(inside & text == '\') > 0;
    if any(bad)
      irregular = false(1, numel(rows));
      irregular(fieldRow(bad)) = true;
      [chars, lengths, again] = split_joined(rows(~irregular), lineNumbers(~irregular), dimension, delimiter, ...
                                             file, quote);
      irregular(~irregular) = again;
      return;
    end
  end
  counts = accumarray(reshape(fieldRow, [], 1), 1, [numel(rows), 1]);
  wrong = find(counts ~= dimension, 1);
  if ~isempty(wrong)
    check_count(counts(wrong), dimension, file, lineNumbers(wrong));
  end
  ends = [find(separator), numel(text) + 1];
  starts = [0, ends(1:end - 1)];
  solid = [0, cumsum(~isspace(text) & ~separator & ~isQuote)];   % solid(k + 1): solid characters in text(1:k)
  before = solid(starts + 1);
  after = solid(ends);
  % A blank is leading (trailing) when no solid character precedes (follows) it in its field.
  leading = solid(2:end) == before(field);
  trailing = solid(1:end - 1) == after(field);
  kept = ~separator & ~isQuote & ~leading & ~trailing;
  lengths = reshape(accumarray(reshape(field(kept), [], 1), 1, [count, 1]), dimension, []);
  chars = text(kept);
end

% The common case of split_joined without counting characters: no blank
% next to a separator, a quote or the ends (so nothing is trimmed), and
% every quote one of a pair around a whole field, with no separator or
% backslash inside. DONE is false where TEXT is not such a text.
function [chars, lengths, done] = split_simple(text, dimension, delimiter, quote, lineNumbers, file)
  chars = '';
  lengths = [];
  done = false;
  separator = text == delimiter | text == char(10);
  isQuote = false(size(text));
  if ~isempty(quote)
    isQuote = text == quote;
  end
  edge = [true, separator | isQuote, true];          % edge(k + 1): text(k) is a separator or quote
  blanks = find(isspace(text) & ~separator);
  if any(edge(blanks) | edge(blanks + 2))
    return;
  end
  separators = find(separator);
  quoted = [];
  if ~isempty(quote)
    at = find(isQuote);
    if mod(numel(at), 2) ~= 0 || any(text == '\')
      return;
    end
    open = at(1:2:end);
    close = at(2:2:end);
    before = cumsum(separator);                        % separators up to each character
    bound = [true, separator, true];                  % bound(k + 1): text(k) is a separator
    if any(~bound(open) | ~bound(close + 2) | before(close) ~= before(open))
      return;
    end
    quoted = before(open) + 1;                         % the fields the pairs enclose
  end
  lineEnds = [0, find(text(separators) == char(10)), numel(separators) + 1];
  counts = diff(lineEnds);
  wrong = find(counts ~= dimension, 1);
  if ~isempty(wrong)
    check_count(counts(wrong), dimension, file, lineNumbers(wrong));
  end
  lengths = diff([0, separators, numel(text) + 1]) - 1;
  lengths(quoted) = lengths(quoted) - 2;
  lengths = reshape(lengths, dimension, []);
  chars = text(~separator & ~isQuote);
  done = true;
end

% Rows with both kinds of quote or with escapes. Where each field is blank,
% a whole quoted text, or text that does not start with a quote, one
% pattern splits the rows; any other row goes through the character scan
% of tavrix_read_fields.
function fields = split_quoted(rows, lineNumbers, dimension, delimiter, file)
  fields = cell(dimension, numel(rows));
  d = delimiter;
  if ~isletter(d) && ~any(d == '0123456789')
    d = ['\' d];
  end
  blank = ['[^\S' d ']*'];
  field = [d blank '(''(?:[^''\\]|''''|\\.)*''|"(?:[^"\\]|""|\\.)*"|[^''"\s' d '][^' d ']*?|)' ...
           blank '(?=' d '|$)'];
  prefixed = strcat({delimiter}, rows);
  regular = ~cellfun('isempty', regexp(prefixed, ['^(?:' field ')+$'], 'once'));
  if any(regular)
    tokens = regexp(prefixed(regular), field, 'tokens');
    counts = cellfun('length', tokens);
    lines = lineNumbers(regular);
    bad = find(counts ~= dimension, 1);
    if ~isempty(bad)
      check_count(counts(bad), dimension, file, lines(bad));
    end
    raw = [tokens{:}];
    fields(:, regular) = reshape(unquote([raw{:}]), dimension, []);
  end
  for r = find(~regular)
    values = tavrix_read_fields(rows{r}, delimiter, file, lineNumbers(r), false);
    check_count(numel(values), dimension, file, lineNumbers(r));
    fields(:, r) = values(:);
  end
end

% Fields in quotes lose them; a doubled quote or a backslash escapes the
% next character. The quotes are cut from all fields at once; only those
% with escapes or with blanks next to their quotes go through regexprep.
function fields = unquote(fields)
  for q = '''"'
    quoted = find(strncmp(fields, q, 1));
    if isempty(quoted)
      continue;
    end
    lengths = cellfun('length', fields(quoted));
    text = [fields{quoted}];
    ends = cumsum(lengths);
    starts = ends - lengths + 1;
    inner = true(size(text));
    inner([starts, ends]) = false;
    owner = zeros(size(text));
    owner(starts) = 1;
    owner = cumsum(owner);
    special = false(size(lengths));
    special(owner(inner & (text == '\' | text == q))) = true;
    long = lengths > 2;
    special(long) = special(long) | isspace(text(starts(long) + 1)) | isspace(text(ends(long) - 1));
    cut = mat2cell(text(inner), 1, lengths - 2);
    cut(~long) = {''};
    cut(special) = strtrim(regexprep(cut(special), ['[\\' q '](.)'], '$1'));
    fields(quoted) = cut;
  end
end

function check_count(count, dimension, file, line)
  if count ~= dimension
    tavrix_read_error(file, line, '%d values, expected %d; give one value per variable, ? or nothing where it is missing.', ...
                      count, dimension);
  end
end
