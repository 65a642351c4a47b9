%TAVRIXINIT A first MapModel from categorical data, ready for TavrixTrain or TavrixFit.
%   MODEL = TavrixInit(CODES, ROWS, COLS) builds a ROWS x COLS map for the
%   Dimension x N matrix CODES of 0-based value codes (one sample a column).
%   MODEL = TavrixInit(CODES) picks the map size from the data:
%     units  U = round(5 * sqrt(N));
%     ratio  r = sqrt(l1 / l2), l1 >= l2 the two largest eigenvalues of the
%            covariance of the one-hot coded samples (their two largest
%            principal spreads, squared; samples completed as in Samples,
%            eigenvalues below 1e-12 count as 0); r = 1 when the data do
%            not vary, r = Inf when they vary along one direction only;
%     ROWS = max(2, round(sqrt(U / r))), COLS = max(2, round(U / ROWS)),
%   so the map is at least 2 x 2 and its longer side runs along the columns.
%   Either method gives proper tables (each variable's marginal and each
%   pair's joint sum to 1), symmetric and consistent; the block of a
%   variable with itself holds its marginal on the diagonal and zeros
%   elsewhere. Graph and Mutual come from each unit's tables by the rule
%   training uses (mutual information in bits, maximum-weight spanning
%   tree from the start variable). Pi is uniform, NumVictories zero and
%   Samples the data.
%
%   Methods ('Method' option)
%     'linear'  (default) the map is ordered from the start: the grid is
%               laid over the plane of the two largest principal directions
%               of the one-hot coded samples, one standard deviation of each
%               direction from the mean to the grid's edge (the longer side
%               along the first). Each sample goes to the unit whose place is
%               nearest its own; each unit's tables are the counts of its
%               samples smoothed over the grid (Gaussian of radius 1.5 over
%               units at most 2 apart, city-block) plus TavrixTrain's
%               default Prior spread uniformly, as a batch update makes them.
%               No randomness: Seed and Spread are not used.
%     'random'  each unit mixes the data's frequencies with those of its own
%               random draw, with replacement, of N/16 samples (Spread sets
%               the mix), then with 1% of the uniform tables so that no
%               probability is zero. The draws come from the portable
%               generator of TavrixFit: a seed gives the same model on every
%               platform and word size.
%
%   Missing entries: NaN codes, and entries where the 'Mask' option is 0,
%   are missing. In Samples they are set to the most frequent observed
%   value of their variable (training needs complete samples). The linear
%   method lays out and counts these completed samples; the random method
%   leaves missing entries out of its frequencies.
%
%   Options
%     RootNode:: [0]     0 for the undirected form, r in 1..Dimension to root
%                        every unit's tree at variable r.
%     Seed::     []      random method: an integer in 0..2^32-1; the same seed
%                        gives the same model. Without it one draw of the
%                        host's rand gives the seed (so rand('state', s) or
%                        rng(s) before the call repeats it).
%     Spread::   [0.5]   random method: 0..1, the share of each unit's tables
%                        that comes from its own draw of the samples; 0 gives
%                        every unit the data's frequencies.
%     Mask::     []      Dimension x N, 0 (false) marks a missing entry.
%     Ranges::   []      Dimension values: the number of values of each
%                        variable (e.g. from TavrixRead's labels), at least
%                        the largest code + 1. By default the largest code + 1
%                        (at least 1).
%     Threads::  [cores] 1..1024; the model is the same for every count.
%     Method::   ['linear'] 'linear' or 'random' (see Methods).
%     Lattice::  ['rectangular'] 'rectangular' or 'hexagonal'. A hexagonal
%                        map gets the field Lattice = 'hexagonal' (odd rows
%                        shifted right by half a unit); without the field a
%                        model is rectangular. The linear layout uses the
%                        lattice's unit positions.
%
%   Errors (identifiers Tavrix:TavrixInit:<reason>)
%     argumentCount   no CODES, or ROWS without COLS
%     dataClass       CODES is not a real numeric or logical matrix
%     codeRange       a code is negative, not an integer or infinite, or
%                     not below its variable's Ranges entry
%     dataSize        ROWS, COLS not positive integers, a Mask or Ranges
%                     of the wrong size, no observed entry at all, or more
%                     than 46340 values in all
%     option          an unknown or malformed option
%     outputCount     more than one result requested
%   The messages name the first bad entry as (variable, sample).
%
%   Warnings
%     Tavrix:TavrixInit:transposed  more variables (rows) than samples
%                                   (columns): CODES may need transposing.
%     Tavrix:TavrixInit:oneBased    no variable uses code 0: the codes may
%                                   be 1-based; subtract 1.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     model = TavrixInit(codes, 6, 6, 'Seed', 1);
%     model = TavrixFit(model, 5000, 'Seed', 1);
%     hex = TavrixInit(codes, 6, 6, 'Lattice', 'hexagonal', 'Method', 'random', 'Seed', 2);
%
%   See also TavrixFit, TavrixTrain, TavrixRead, TavrixTree.
function model = TavrixInit(codes, varargin)
  if nargin < 1
    fail('argumentCount', 'CODES is missing: call TavrixInit(CODES) or TavrixInit(CODES, ROWS, COLS).');
  end
  if ischar(codes)
    fail('dataClass', 'CODES must be a numeric matrix of value codes; found text. %s', read_advice());
  elseif iscell(codes)
    fail('dataClass', 'CODES must be a numeric matrix of value codes; found a cell array. %s', read_advice());
  end
  if ~(isnumeric(codes) || islogical(codes)) || ~isreal(codes) || ndims(codes) ~= 2
    fail('dataClass', 'CODES must be a real numeric or logical Dimension x N matrix; found %s.', ...
         tavrix_describe(codes));
  end
  codes = double(codes);
  [dimension, n] = size(codes);
  sizeGiven = ~isempty(varargin) && ~ischar(varargin{1});
  if sizeGiven
    if numel(varargin) < 2
      fail('argumentCount', 'COLS is missing after ROWS: give both, TavrixInit(CODES, ROWS, COLS), or neither.');
    end
    rows = checked_count(varargin{1}, 'ROWS');
    cols = checked_count(varargin{2}, 'COLS');
    varargin = varargin(3:end);
  end
  opts = parse_options(varargin, dimension, n, 2 + 2 * sizeGiven);

  observed = ~isnan(codes);
  if ~isempty(opts.Mask)
    observed = observed & (opts.Mask ~= 0);
  end
  check_codes(codes, observed & (codes < 0 | codes ~= fix(codes) | isinf(codes)));
  if ~any(observed(:))
    fail('dataSize', 'CODES has no observed entry.');
  end

  codes(~observed) = -1;
  ranges = max(1, max(codes, [], 2) + 1);
  if ~isempty(opts.Ranges)
    given = opts.Ranges(:);
    check_codes(codes, codes >= repmat(given, 1, n), given);
    ranges = given;
  end
  warn_about_layout(codes, observed, dimension, n);
  maxRange = max(ranges);
  numValues = sum(ranges);
  offsets = cumsum([0; ranges(1:end-1)]);
  translate = zeros(maxRange, dimension);
  for i = 1:dimension
    translate(1:ranges(i), i) = offsets(i) + (1:ranges(i))';
  end

  % Missing entries take their variable's most frequent observed value.
  samples = codes;
  for i = 1:dimension
    missing = ~observed(i, :);
    if any(missing)
      counts = accumarray(codes(i, ~missing)' + 1, 1, [ranges(i) 1]);
      [~, mode] = max(counts);
      samples(i, missing) = mode - 1;
    end
  end

  % One-hot indicators of the observed entries: NumValues x N.
  [var, col] = find(observed);
  index = sub2ind(size(codes), var, col);
  indicators = sparse(offsets(var) + codes(index) + 1, col, 1, numValues, n);
  [pairCounts, marginalCounts] = deal(full(indicators * indicators'), full(sum(indicators, 2)));
  owner = reshape(repelem((1:dimension)', ranges), [], 1);
  uniform = 1 ./ ranges(owner);
  [empiricalMarginal, empiricalJoint] = normalise(marginalCounts, pairCounts, owner, dimension);

  if ~sizeGiven
    [rows, cols] = default_size(marginalCounts, pairCounts, n);
  end
  if ~isempty(opts.Seed)
    saved = set_seed(opts.Seed);
    restore = onCleanup(@() restore_seed(saved));
  end
  units = rows * cols;
  model.Marginal = cell(rows, cols);
  model.Intersect = cell(rows, cols);
  model.Graph = cell(rows, cols);
  model.Mutual = cell(rows, cols);
  sameVariable = owner == owner';
  floorShare = 0.01;
  for k = 1:units
    % A few samples dominate each unit's reweighting, so units start apart.
    weights = rand(1, n) .^ 30;
    weighted = indicators * spdiags(weights', 0, n, n);
    [m, j] = normalise(full(sum(weighted, 2)), full(weighted * indicators'), owner, dimension);
    m = (1 - opts.Spread) * empiricalMarginal + opts.Spread * m;
    j = (1 - opts.Spread) * empiricalJoint + opts.Spread * j;
    m = (1 - floorShare) * m + floorShare * uniform;
    j = (1 - floorShare) * j + floorShare * (uniform * uniform');
    j(sameVariable) = 0;
    j(logical(eye(numValues))) = m;
    j = (j + j') / 2;
    model.Marginal{k} = m;
    model.Intersect{k} = j;
  end
  model.Pi = repmat(1 / units, rows, cols);
  model.NumVictories = zeros(rows, cols);
  model.Translate = translate;
  model.Ranges = ranges;
  model.NumRowsMap = rows;
  model.NumColsMap = cols;
  model.Dimension = dimension;
  model.MaxRange = maxRange;
  model.NumValues = numValues;
  model.RootNode = opts.RootNode;
  model.Samples = samples;
  for k = 1:units
    [model.Graph{k}, model.Mutual{k}] = tavrix_unit_tree(model, k);
  end
  model = orderfields(model, {'Marginal', 'Intersect', 'Graph', 'Mutual', 'Pi', 'NumVictories', ...
      'Translate', 'Ranges', 'NumRowsMap', 'NumColsMap', 'Dimension', 'MaxRange', 'NumValues', ...
      'RootNode', 'Samples'});
end

% Counts become probabilities: each variable's marginal sums to 1 over its
% values and each pair block of the joint to 1 over its value pairs.
function [marginal, joint] = normalise(marginalCounts, pairCounts, owner, dimension)
  perVariable = accumarray(owner, marginalCounts, [dimension 1]);
  perVariable(perVariable == 0) = 1;
  marginal = marginalCounts ./ perVariable(owner);
  owners = sparse(owner, 1:numel(owner), 1, dimension, numel(owner));
  block = full(owners * pairCounts * owners');   % total of every pair block
  block(block == 0) = 1;
  joint = pairCounts ./ block(owner, owner);
end

% The map size for N samples (see the help): about 5 sqrt(N) units, the
% sides in the ratio of the two largest principal spreads of the one-hot
% coded samples.
function [rows, cols] = default_size(marginalCounts, pairCounts, n)
  units = round(5 * sqrt(n));
  share = marginalCounts / n;
  covariance = pairCounts / n - share * share';
  spreads = sort(eig((covariance + covariance') / 2), 'descend');
  spreads(spreads < 1e-12) = 0;   % rounding noise of a zero eigenvalue
  if numel(spreads) < 2 || spreads(1) == 0
    ratio = 1;
  elseif spreads(2) == 0
    ratio = Inf;
  else
    ratio = sqrt(spreads(1) / spreads(2));
  end
  rows = max(2, round(sqrt(units / ratio)));
  cols = max(2, round(units / rows));
end

% Fails at the first entry (in sample order) flagged in BAD, naming its
% place and what its code must be: a non-negative integer, or with RANGES
% one below its variable's entry (a code equal to it is likely 1-based).
function check_codes(codes, bad, ranges)
  index = find(bad, 1);
  if isempty(index)
    return;
  end
  [i, j] = ind2sub(size(codes), index);
  code = codes(index);
  requirement = 'a non-negative integer';
  advice = '';
  if nargin > 2
    requirement = sprintf('within 0..%d as Ranges(%d) = %d', ranges(i) - 1, i, ranges(i));
    if code == ranges(i)
      advice = ' Codes are 0-based: subtract 1 from 1-based codes.';
    end
  end
  fail('codeRange', 'CODES entry (%d, %d) must be a value code of variable %d, %s; found %s.%s', ...
       i, j, i, requirement, mat2str(code), advice);
end

% Data that look transposed or 1-based give a warning, not an error: both
% can be meant.
function warn_about_layout(codes, observed, dimension, n)
  if dimension > n
    warning('Tavrix:TavrixInit:transposed', ['TavrixInit: CODES has more variables (%d rows) than samples ' ...
            '(%d columns); each sample is a column: if the samples are rows, pass CODES''.'], dimension, n);
  end
  if ~any(codes(observed) == 0)
    warning('Tavrix:TavrixInit:oneBased', ['TavrixInit: no variable uses code 0. Codes are 0-based: ' ...
            'if these are 1-based, pass CODES - 1.']);
  end
end

% Raises Tavrix:TavrixInit:<reason> with the function's name before the message.
function fail(reason, format, varargin)
  tavrix_fail('TavrixInit', reason, format, varargin{:});
end

function text = read_advice()
  text = 'TavrixRead reads a data file into codes.';
end

function value = checked_count(value, name)
  if ~isnumeric(value) || ~isscalar(value) || ~isreal(value) || value < 1 || value ~= fix(value) || isinf(value)
    fail('dataSize', '%s must be a positive integer; found %s.', name, tavrix_describe(value));
  end
  value = double(value);
end

% Options start at argument FIRST of the call.
function opts = parse_options(args, dimension, n, first)
  defaults = struct('RootNode', 0, 'Seed', [], 'Spread', 0.5, 'Mask', [], 'Ranges', []);
  opts = tavrix_options('TavrixInit', args, defaults, first);
  value = opts.RootNode;
  if ~is_real(value) || ~isscalar(value) || value ~= fix(value) || value < 0 || value > dimension
    fail('option', 'option ''RootNode'' must be an integer in 0..%d; found %s.', dimension, tavrix_describe(value));
  end
  value = opts.Seed;
  if ~isempty(value) && (~is_real(value) || ~isscalar(value) || value ~= fix(value) || value < 0 || value >= 2^32)
    fail('option', 'option ''Seed'' must be an integer in 0..2^32-1; found %s.', tavrix_describe(value));
  end
  value = opts.Spread;
  if ~is_real(value) || ~isscalar(value) || ~(value >= 0 && value <= 1)
    fail('option', 'option ''Spread'' must be a number in 0..1; found %s.', tavrix_describe(value));
  end
  value = opts.Mask;
  if ~isempty(value) && (~(is_real(value) || islogical(value)) || ~isequal(size(value), [dimension n]))
    fail('dataSize', 'option ''Mask'' must be a %d x %d matrix, the size of CODES; found %s.', dimension, n, ...
         tavrix_describe(value));
  end
  value = opts.Ranges;
  if ~isempty(value) && (~is_real(value) || numel(value) ~= dimension || ...
                         any(value(:) < 1 | value(:) ~= fix(value(:)) | isinf(value(:))))
    fail('dataSize', 'option ''Ranges'' must hold %d positive integers, one per variable; found %s.', dimension, ...
         tavrix_describe(value));
  end
  opts.RootNode = double(opts.RootNode);
  opts.Seed = double(opts.Seed);
  opts.Spread = double(opts.Spread);
  opts.Ranges = double(opts.Ranges);
end

function ok = is_real(value)
  ok = isnumeric(value) && isreal(value);
end

% The random state is set for this call only and restored afterwards.
function saved = set_seed(seed)
  if exist('OCTAVE_VERSION', 'builtin')
    saved = rand('state');
    rand('state', seed);
  else
    saved = rng();
    rng(seed, 'twister');
  end
end

function restore_seed(saved)
  if exist('OCTAVE_VERSION', 'builtin')
    rand('state', saved);
  else
    rng(saved);
  end
end
