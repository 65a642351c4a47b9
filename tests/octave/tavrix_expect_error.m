function tavrix_expect_error(id, fn)
% Fails unless calling fn() raises an error with identifier id.
  try
    fn();
  catch err
    if ~strcmp(err.identifier, id)
      error('test:wrongError', 'expected %s, got %s: %s', id, err.identifier, err.message);
    end
    return;
  end
  error('test:noError', 'expected error %s, got none', id);
end
