% How a message shows what was found: short text or a scalar as itself,
% anything else as its size and class ("a 2x3 cell array").
function text = tavrix_describe(value)
  if ischar(value) && size(value, 1) <= 1 && numel(value) <= 40
    text = sprintf('''%s''', value);
  elseif isnumeric(value) && isscalar(value) && isreal(value)
    text = tavrix_number(value);
  elseif (isnumeric(value) || islogical(value)) && isscalar(value)
    text = mat2str(value);
  else
    dims = strjoin(arrayfun(@num2str, size(value), 'UniformOutput', false), 'x');
    if isstruct(value)
      kind = 'struct';
    elseif isa(value, 'function_handle')
      kind = 'function handle';
    else
      kind = [class(value) ' array'];
    end
    text = sprintf('a %s %s', dims, kind);
  end
end
