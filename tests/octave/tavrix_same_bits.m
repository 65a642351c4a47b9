function tavrix_same_bits(expected, actual, what)
% Fails unless two double arrays have the same size and the same bit patterns.
  if ~isequal(size(expected), size(actual)) || ...
     ~isequal(typecast(expected(:), 'uint64'), typecast(actual(:), 'uint64'))
    bad = find(typecast(expected(:), 'uint64') ~= typecast(actual(:), 'uint64'), 1);
    error('test:bits', '%s differs (first at %d)', what, bad);
  end
end
