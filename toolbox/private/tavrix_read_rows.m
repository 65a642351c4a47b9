% The fields of the data rows, Dimension x N. Dense rows are split at the
% delimiter, those without quotes and those with quotes each in one pass.
% Where DEFAULTS is given (ARFF), a row in braces is sparse, {index value,
% ...}, and an attribute it leaves out takes DEFAULTS{i}.
function fields = tavrix_read_rows(rows, lineNumbers, dimension, delimiter, file, defaults)
  fields = cell(dimension, numel(rows));
  if isempty(rows)
    return;
  end
  sparse = ~isempty(defaults) & strncmp(rows, '{', 1);
  quoted = ~sparse & ~cellfun('isempty', regexp(rows, '[''"]', 'once'));
  plain = ~sparse & ~quoted;
  fields(:, plain) = split_plain(rows(plain), lineNumbers(plain), dimension, delimiter, file);
  fields(:, quoted) = split_quoted(rows(quoted), lineNumbers(quoted), dimension, delimiter, file);
  fields(:, sparse) = tavrix_read_sparse(rows(sparse), lineNumbers(sparse), defaults, file);
end

% Rows without quotes, split in one pass over their joined text: the
% separators (delimiters and line ends) and the blanks next to them are
% dropped, and the rest is cut into fields of the lengths counted.
function fields = split_plain(rows, lineNumbers, dimension, delimiter, file)
  fields = cell(dimension, 0);
  if isempty(rows)
    return;
  end
  text = strjoin(rows, char(10));
  lineEnd = text == char(10);
  delimiters = text == delimiter;
  row = cumsum(lineEnd) + 1;
  counts = accumarray(reshape(row(delimiters), [], 1), 1, [numel(rows), 1]) + 1;
  bad = find(counts ~= dimension, 1);
  if ~isempty(bad)
    check_count(counts(bad), dimension, file, lineNumbers(bad));
  end
  separator = lineEnd | delimiters;
  field = cumsum(separator) + 1;
  ends = [find(separator), numel(text) + 1];
  starts = [0, ends(1:end - 1)];
  solid = [0, cumsum(~isspace(text) & ~separator)];   % solid(k + 1): solid characters in text(1:k)
  before = solid(starts + 1);
  after = solid(ends);
  % A blank is leading (trailing) when no solid character precedes (follows) it in its field.
  leading = solid(2:end) == before(field);
  trailing = solid(1:end - 1) == after(field);
  kept = ~separator & ~leading & ~trailing;
  lengths = accumarray(reshape(field(kept), [], 1), 1, [numel(ends), 1]);
  fields = mat2cell(text(kept), 1, lengths);
  fields(lengths == 0) = {''};
  fields = reshape(fields, dimension, []);
end

% Rows with quotes. Where each field is blank, a whole quoted text, or
% text that does not start with a quote, one pattern splits the rows; any
% other row goes through the character scan of tavrix_read_fields.
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
