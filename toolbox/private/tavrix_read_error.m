% Raises Tavrix:TavrixRead:format for a malformed FILE: at line LINE, or
% for the whole file where LINE is 0. FORMAT and its arguments say what is
% wrong and what to do.
function tavrix_read_error(file, line, format, varargin)
  if line > 0
    where = sprintf('%s line %d: ', file, line);
  else
    where = sprintf('%s: ', file);
  end
  tavrix_fail('TavrixRead', 'format', '%s', [where sprintf(format, varargin{:})]);
end
