% [stats, best, loglik, message] = tavrix_block_statistics(model, data, mask, threads, heldout)
% The statistics pass of TavrixTrain(..., 'UseParallel', true): TavrixStats on
% contiguous blocks of sample columns in parfor, one block per worker of the
% current pool (started as the Parallel Computing Toolbox's preferences say),
% or four blocks one after another without the toolbox (Octave runs parfor as
% a for loop). Each block is told its first column, so that it holds back the
% samples that HELDOUT holds back of the whole (0 when left out). The counts
% are whole numbers, so their sum is that of one pass over all samples, bit
% for bit. Errors, bad arguments included, come back as
% MESSAGE, the results empty; called without asking for MESSAGE, it raises
% them (Tavrix:tavrix_block_statistics:<reason> for bad arguments).
function [stats, best, loglik, message] = tavrix_block_statistics(model, data, mask, threads, heldout)
stats = []; best = []; loglik = []; message = '';
try
  tavrix_check_count('tavrix_block_statistics', nargin, 4, 5, ...
                     'tavrix_block_statistics(MODEL, DATA, MASK, THREADS, HELDOUT)');
  if nargin < 5
    heldout = 0;
  end
  check_arguments(model, data, mask, threads);
  n = size(data, 2);
  blocks = min(max(n, 1), pool_workers());
  edges = floor((0:blocks) * n / blocks);
  dataBlocks = cell(1, blocks);
  maskBlocks = cell(1, blocks);
  for b = 1:blocks
    columns = edges(b) + 1:edges(b + 1);
    dataBlocks{b} = data(:, columns);
    if ~isempty(mask)
      maskBlocks{b} = mask(:, columns);
    end
  end
  parts = cell(1, blocks);
  bests = cell(blocks, 1);
  logs = cell(blocks, 1);
  firsts = edges(1:blocks) + 1;
  parfor b = 1:blocks
    options = {'Threads', threads, 'HeldOut', heldout, 'FirstColumn', firsts(b)};
    if ~isempty(maskBlocks{b})
      options = [options, {'Mask', maskBlocks{b}}];
    end
    [parts{b}, bests{b}, logs{b}] = TavrixStats(model, dataBlocks{b}, options{:});
  end
  stats = parts{1};
  for b = 2:blocks
    stats.Count = stats.Count + parts{b}.Count;
    stats.Values = stats.Values + parts{b}.Values;
    stats.Pairs = stats.Pairs + parts{b}.Pairs;
  end
  best = vertcat(bests{:});
  loglik = vertcat(logs{:});
catch err
  if nargout < 4
    rethrow(err);
  end
  message = err.message;
end
end

% The model's shape only: TavrixStats checks the rest.
function check_arguments(model, data, mask, threads)
caller = 'tavrix_block_statistics';
tavrix_check_model(caller, model, 1, {});
if ~(isnumeric(data) || islogical(data)) || ndims(data) ~= 2
  tavrix_fail(caller, 'dataClass', 'DATA must be a numeric matrix of codes; found %s.', tavrix_describe(data));
end
if ~isempty(mask) && ~isequal(size(mask), size(data))
  tavrix_fail(caller, 'dataSize', 'MASK must be empty or the size of DATA; found %s.', tavrix_describe(mask));
end
if ~isnumeric(threads) || ~isscalar(threads) || ~(threads >= 1) || threads ~= fix(threads)
  tavrix_fail(caller, 'option', 'THREADS must be a positive whole number; found %s.', tavrix_describe(threads));
end
end

function workers = pool_workers()
workers = 4;
if exist('gcp', 'file') && license('test', 'Distrib_Computing_Toolbox')
  pool = gcp();
  if ~isempty(pool)
    workers = pool.NumWorkers;
  end
end
end
