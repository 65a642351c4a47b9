% Sparse ARFF rows {index value, ...}: 0-based attribute indices in
% increasing order; an attribute a row leaves out takes DEFAULTS{i}. Rows
% of plain entries are matched by one pattern and filled at once; the
% others (quoted values, or a fault to report) are read entry by entry.
function fields = tavrix_read_sparse(rows, lineNumbers, defaults, file)
  count = numel(defaults);
  fields = repmat(reshape(defaults, [], 1), 1, numel(rows));
  entry = '\d+\s+[^\s,''"{}][^,''"{}]*?';
  regular = ~cellfun('isempty', regexp(rows, ['^\{\s*(?:' entry '\s*(?:,\s*' entry '\s*)*)?\}$'], 'once'));
  for r = find(~regular)
    [index, values] = row_entries(rows{r}, file, lineNumbers(r));
    check_indices(index, ones(size(index)), count, file, lineNumbers(r));
    fields(index + 1, r) = values;
  end
  text = strjoin(rows(regular), char(10));
  [tokens, starts] = regexp(text, '(\d+)\s+([^,}\n]*?)\s*(?=[,}])', 'tokens', 'start');
  if isempty(tokens)
    return;
  end
  parts = [tokens{:}];
  index = str2double(parts(1:2:end));
  lineOfChar = cumsum(text == char(10)) + 1;
  row = lineOfChar(starts);
  check_indices(index, row, count, file, lineNumbers(regular));
  block = fields(:, regular);
  block(sub2ind(size(block), index + 1, row)) = parts(2:2:end);
  fields(:, regular) = block;
end

% The entries of one row, split with its quotes honoured.
function [index, values] = row_entries(row, file, line)
  if row(end) ~= '}'
    tavrix_read_error(file, line, 'a sparse row must end with }, as in {0 t, 3 t}.');
  end
  index = zeros(1, 0);
  values = cell(1, 0);
  inner = strtrim(row(2:end - 1));
  if isempty(inner)
    return;
  end
  entries = tavrix_read_fields(inner, ',', file, line, true);
  parts = regexp(entries, '^(\d+)\s+(.+)$', 'tokens', 'once');
  bad = find(cellfun('isempty', parts), 1);
  if ~isempty(bad)
    tavrix_read_error(file, line, 'sparse entry ''%s'' is not ''index value''; write it as in {0 t, 3 t}.', ...
                      entries{bad});
  end
  parts = [parts{:}];
  index = str2double(parts(1:2:end));
  values = strtrim(parts(2:2:end));
end

% Entry k, in row ROW(k) of the rows at LINES, names attribute INDEX(k).
function check_indices(index, row, count, file, lines)
  far = find(index >= count, 1);
  if ~isempty(far)
    tavrix_read_error(file, lines(row(far)), ...
                      'attribute index %d is out of range: the file declares %d attributes, 0 to %d.', ...
                      index(far), count, count - 1);
  end
  back = find([false, diff(row) == 0 & diff(index) <= 0], 1);
  if ~isempty(back)
    tavrix_read_error(file, lines(row(back)), ['attribute index %d follows %d; a sparse row gives each ' ...
                                               'attribute at most once, in increasing order.'], ...
                      index(back), index(back - 1));
  end
end
