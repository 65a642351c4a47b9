% TavrixMake's arguments, checked before anything is trained. DATA and the
% 'Validation' samples come back as doubles with NaN for every missing entry
% (the 'Mask' applied), so that any subset of their columns carries its own
% missing entries; OPTS holds the checked options with their defaults filled
% in (Ranges from both sets of samples, Sizes as a K x 2 list) and
% ThreadsOption and CompactOption, the 'Threads' and 'Compact' pairs to pass
% on ({} without them).
function [data, opts] = tavrix_make_options(data, args)
  caller = 'TavrixMake';
  defaults = struct('Sizes', [], 'Validation', [], 'Mask', [], 'Ranges', [], 'Seed', [], 'Epochs', 30, ...
                    'SoftEpochs', 30, 'Threads', [], 'Verbose', false, 'HeldOut', 0.1, 'Retrain', true, ...
                    'MaxSeconds', 150, 'Compact', []);
  opts = tavrix_options(caller, args, defaults, 2);
  data = checked_codes(data, 'DATA');
  [dimension, n] = size(data);
  if dimension < 1
    tavrix_fail(caller, 'dataSize', 'DATA must have at least one variable (row); found %s.', tavrix_describe(data));
  end

  if ~isempty(opts.Mask)
    mask = opts.Mask;
    if ~(isnumeric(mask) || islogical(mask)) || ~isreal(mask) || ~isequal(size(mask), [dimension n])
      tavrix_fail(caller, 'dataSize', 'option ''Mask'' must be a %d x %d matrix, the size of DATA; found %s.', ...
                  dimension, n, tavrix_describe(mask));
    end
    data(mask == 0) = NaN;
  end
  heldOutGiven = ~isempty(opts.Validation);
  if heldOutGiven
    opts.Validation = checked_codes(opts.Validation, 'option ''Validation''');
    if size(opts.Validation, 1) ~= dimension || size(opts.Validation, 2) < 1
      tavrix_fail(caller, 'dataSize', ['option ''Validation'' must hold samples of the %d variables of DATA, ' ...
                  'one a column; found %s.'], dimension, tavrix_describe(opts.Validation));
    end
  end
  opts.Ranges = checked_ranges(opts.Ranges, data, opts.Validation, dimension);

  share = opts.HeldOut;
  if ~is_real_scalar(share) || ~(share > 0 && share < 1)
    tavrix_fail(caller, 'option', 'option ''HeldOut'' must be a share in (0, 1); found %s.', tavrix_describe(share));
  end
  if ~heldOutGiven
    held = tavrix_make_split(n, share);
    if ~any(held) || all(held)
      tavrix_fail(caller, 'dataSize', ['DATA has %d samples: too few to hold back a share of %g (option ' ...
                  '''HeldOut'') and train on the rest. Give more samples, or held-out samples of your own ' ...
                  'with ''Validation''.'], n, share);
    end
  elseif n < 1
    tavrix_fail(caller, 'dataSize', 'DATA must hold at least one sample (column); found %s.', tavrix_describe(data));
  end
  opts.Sizes = checked_sizes(opts.Sizes);
  opts.Epochs = checked_whole(opts.Epochs, 'Epochs', 1, 10000);
  opts.SoftEpochs = checked_whole(opts.SoftEpochs, 'SoftEpochs', 0, 10000);
  opts.ThreadsOption = {};
  if ~isempty(opts.Threads)
    opts.ThreadsOption = {'Threads', checked_whole(opts.Threads, 'Threads', 1, 1024)};
  end
  if ~isempty(opts.Seed) && (~is_real_scalar(opts.Seed) || ~(opts.Seed >= 0 && opts.Seed < 2^32) || ...
                             opts.Seed ~= fix(opts.Seed))
    tavrix_fail(caller, 'option', 'option ''Seed'' must be a whole number in 0..2^32-1; found %s.', ...
                tavrix_describe(opts.Seed));
  end
  if ~is_real_scalar(opts.MaxSeconds) || ~(opts.MaxSeconds > 0)
    tavrix_fail(caller, 'option', ['option ''MaxSeconds'' must be a positive number of seconds (Inf: no ' ...
                'limit); found %s.'], tavrix_describe(opts.MaxSeconds));
  end
  opts.CompactOption = {};
  if ~isempty(opts.Compact)
    opts.CompactOption = {'Compact', checked_logical(opts.Compact, 'Compact', ' ([]: automatic)')};
  end
  for name = {'Verbose', 'Retrain'}
    opts.(name{1}) = checked_logical(opts.(name{1}), name{1}, '');
  end
end

% A true or false option: a logical or a numeric 0 or 1 scalar; ALSO says
% what else it may be.
function value = checked_logical(value, name, also)
  if ~isscalar(value) || ~(islogical(value) || (isnumeric(value) && isreal(value) && any(value == [0 1])))
    tavrix_fail('TavrixMake', 'option', 'option ''%s'' must be true or false%s; found %s.', name, also, ...
                tavrix_describe(value));
  end
  value = logical(value);
end

% Codes as doubles; a NaN is a missing entry, anything else must be a code.
function codes = checked_codes(codes, name)
  if ~(isnumeric(codes) || islogical(codes)) || ~isreal(codes) || ndims(codes) ~= 2 || issparse(codes)
    tavrix_fail('TavrixMake', 'dataClass', ['%s must be a real numeric or logical Dimension x N matrix of ' ...
                '0-based value codes, one sample a column; found %s. TavrixRead turns a file into one.'], ...
                name, tavrix_describe(codes));
  end
  codes = double(codes);
  [i, j] = find(~isnan(codes) & (codes < 0 | codes ~= fix(codes) | isinf(codes)), 1);
  if ~isempty(i)
    tavrix_fail('TavrixMake', 'codeRange', ['%s entry (%d, %d) must be a 0-based value code (a whole number ' ...
                '>= 0) or NaN for a missing value; found %s.'], name, i, j, tavrix_describe(codes(i, j)));
  end
end

% Each variable's count of values: given, or the largest code + 1 over the
% training and the validation samples (at least 1).
function ranges = checked_ranges(given, data, validation, dimension)
  largest = max([data, validation, zeros(dimension, 1)], [], 2);   % max ignores NaN
  if isempty(given)
    ranges = largest + 1;
    return;
  end
  if ~isnumeric(given) || ~isreal(given) || numel(given) ~= dimension || ...
     any(~(given(:) >= 1 & given(:) < 2^31) | given(:) ~= fix(given(:)))
    tavrix_fail('TavrixMake', 'option', ['option ''Ranges'' must hold %d positive whole numbers, one per ' ...
                'variable; found %s.'], dimension, tavrix_describe(given));
  end
  ranges = double(given(:));
  for set = {data, 'DATA'; validation, 'option ''Validation'''}'
    if isempty(set{1})
      continue;
    end
    [i, j] = find(set{1} >= repmat(ranges, 1, size(set{1}, 2)), 1);
    if ~isempty(i)
      tavrix_fail('TavrixMake', 'codeRange', ['%s entry (%d, %d) is code %d, but option ''Ranges'' gives ' ...
                  'variable %d only %d values (codes 0..%d). Raise Ranges(%d) or mend the code.'], set{2}, i, j, ...
                  set{1}(i, j), i, ranges(i), ranges(i) - 1, i);
    end
  end
end

% The map sizes to try, one [ROWS COLS] a row.
function sizes = checked_sizes(sizes)
  if isempty(sizes)
    return;
  end
  if ~isnumeric(sizes) || ~isreal(sizes) || ndims(sizes) ~= 2 || size(sizes, 2) ~= 2 || ...
     any(~(sizes(:) >= 1 & sizes(:) <= 1000) | sizes(:) ~= fix(sizes(:)))
    tavrix_fail('TavrixMake', 'option', ['option ''Sizes'' must be a K x 2 matrix of map sizes [ROWS COLS], ' ...
                'whole numbers 1..1000, e.g. [4 4; 6 6; 8 8]; found %s.'], tavrix_describe(sizes));
  end
  sizes = double(sizes);
end

function value = checked_whole(value, name, low, high)
  if ~is_real_scalar(value) || ~(value >= low && value <= high) || value ~= fix(value)
    tavrix_fail('TavrixMake', 'option', 'option ''%s'' must be a whole number in %d..%d; found %s.', name, low, ...
                high, tavrix_describe(value));
  end
  value = double(value);
end

function ok = is_real_scalar(value)
  ok = isnumeric(value) && isreal(value) && isscalar(value);
end
