% The trimmed LINES from START on without blank lines (and % comments
% where COMMENTS is true), with their 1-based line numbers.
function [rows, lineNumbers] = tavrix_read_data_lines(lines, start, comments)
  rows = lines(start:end);
  lineNumbers = start:numel(lines);
  keep = ~cellfun('isempty', rows);
  if comments
    keep = keep & ~strncmp(rows, '%', 1);
  end
  rows = rows(keep);
  lineNumbers = lineNumbers(keep);
end
