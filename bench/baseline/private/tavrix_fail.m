% Raises Tavrix:<caller>:<reason> with the caller's name in front of the
% message, as the MEX functions' errors read.
function tavrix_fail(caller, reason, format, varargin)
  error(['Tavrix:' caller ':' reason], [caller ': ' format], varargin{:});
end
