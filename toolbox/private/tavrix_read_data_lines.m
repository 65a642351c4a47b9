% The lines from START on, trimmed, without blank lines (and % comments
% where COMMENTS is true), with their 1-based line numbers.
function [rows, lineNumbers] = tavrix_read_data_lines(lines, start, comments)
  rows = lines(start:end);
  lineNumbers = start:numel(lines);
  trimmed = strtrim(rows);
  keep = ~cellfun('isempty', trimmed);
  if comments
    keep = keep & ~strncmp(trimmed, '%', 1);
  end
  rows = trimmed(keep);
  lineNumbers = lineNumbers(keep);
end
