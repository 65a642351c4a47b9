%TAVRIX_BENCH_PUBLISHED Published test log-likelihoods from a README's table.
%   [TREES, IDSPN] = tavrix_bench_published(FILE, NAME) reads the markdown
%   table of FILE whose header is "| model | <set> | <set> | ..." and
%   returns data set NAME's figures in the rows whose model begins
%   "mixture of trees" and "ID-SPN"; NaN where there is no such file,
%   table, row or column.
function [trees, idspn] = tavrix_bench_published(file, name)
  [trees, idspn] = deal(NaN);
  if ~exist(file, 'file')
    return;
  end
  lines = strtrim(regexp(fileread(file), '\r?\n', 'split'));
  header = find(strncmp(lines, '| model |', 9), 1);
  if isempty(header)
    return;
  end
  column = find(strcmp(cells_of(lines{header}), name), 1);
  for l = header + 2:numel(lines)
    if isempty(lines{l}) || lines{l}(1) ~= '|'
      break;
    end
    row = cells_of(lines{l});
    if isempty(column) || numel(row) < column
      continue;
    elseif strncmp(row{1}, 'mixture of trees', 16)
      trees = str2double(row{column});
    elseif strncmp(row{1}, 'ID-SPN', 6)
      idspn = str2double(row{column});
    end
  end
end

function cells = cells_of(line)
  cells = strtrim(strsplit(line(2:end - 1), '|'));
end
