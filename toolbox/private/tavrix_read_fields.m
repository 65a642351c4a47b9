% Splits one line at the delimiter, honouring '...' and "..." quotes (a
% doubled quote or a backslash escapes a quote); fields are trimmed and
% unquoted, so a quoted '?' is missing like a bare one. An empty field
% stays a field: 'a,,b' gives three. With INDEXED (the entries of a sparse
% ARFF row, such as 3 'a b'), a quote may also open after an index.
function fields = tavrix_read_fields(line, delimiter, file, lineNumber, indexed)
  if ~any(line == '''' | line == '"')
    fields = strtrim(regexp(line, regexptranslate('escape', delimiter), 'split'));
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
      elseif (c == '''' || c == '"') && opens_quote(current, indexed)
        quote = c;
        current = regexprep(current, '^\s+', '');
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
    tavrix_read_error(file, lineNumber, 'unclosed quote; close it or escape it with a backslash.');
  end
  fields{end + 1} = strtrim(current);
end

% A quote opens a value at the start of a field, or after an index.
function opens = opens_quote(current, indexed)
  opens = all(isspace(current)) || (indexed && ~isempty(regexp(current, '^\s*\d+\s+$', 'once')));
end
