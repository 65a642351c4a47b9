% Header of an ARFF file: names, declared nominal labels (empty for other
% types), which attributes hold numbers (numeric, real, integer), the data
% lines and their 1-based line numbers. LINES come trimmed.
function [names, declared, numeric, rows, lineNumbers] = tavrix_read_arff_header(lines, file)
  names = {};
  declared = {};
  numeric = false(1, 0);
  dataStart = 0;
  for l = 1:numel(lines)
    line = lines{l};
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
        declared{end + 1} = declared_labels(rest, name, file, l); %#ok<AGROW>
        numeric(end + 1) = false; %#ok<AGROW>
      elseif isempty(rest)
        tavrix_read_error(file, l, 'attribute ''%s'' has no type; give one, such as {a, b} or numeric.', name);
      else
        declared{end + 1} = {}; %#ok<AGROW>
        numeric(end + 1) = any(strcmpi(strtok(rest), {'numeric', 'real', 'integer'})); %#ok<AGROW>
      end
    elseif strncmp(lower_line, '@data', 5)
      dataStart = l + 1;
      break;
    else
      tavrix_read_error(file, l, ['expected @relation, @attribute or @data; mark comments with %% ' ...
                                  'and check that this is an ARFF file.']);
    end
  end
  if dataStart == 0 || isempty(names)
    tavrix_read_error(file, 0, 'no @attribute and @data sections; an ARFF file declares its attributes, then @data.');
  end
  [rows, lineNumbers] = tavrix_read_data_lines(lines, dataStart, true);
end

% The labels of a nominal declaration {a, b, ...}.
function labels = declared_labels(rest, name, file, l)
  close = find(rest == '}', 1, 'last');
  if isempty(close)
    tavrix_read_error(file, l, 'the value list of ''%s'' has no closing }; close it.', name);
  end
  labels = tavrix_read_fields(rest(2:close - 1), ',', file, l, false);
  if any(cellfun('isempty', labels))
    tavrix_read_error(file, l, '''%s'' declares an empty value; remove the extra comma.', name);
  end
  [distinct, first] = unique(labels);
  if numel(distinct) < numel(labels)
    repeated = labels(setdiff(1:numel(labels), first));
    tavrix_read_error(file, l, '''%s'' declares ''%s'' twice; declare each value once.', name, repeated{1});
  end
end

function [name, rest] = first_token(text, file, lineNumber)
  if isempty(text)
    tavrix_read_error(file, lineNumber, 'attribute without a name; give its name and type, such as @attribute colour {red, blue}.');
  end
  if text(1) == '''' || text(1) == '"'
    close = find(text(2:end) == text(1), 1);
    if isempty(close)
      tavrix_read_error(file, lineNumber, 'unclosed quote; close it or escape it with a backslash.');
    end
    name = text(2:close);
    rest = text(close + 2:end);
  else
    [name, rest] = strtok(text);
  end
end
