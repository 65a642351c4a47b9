%BENCH_WIDE Compact training on wide sparse binary data: time and peak memory.
%   bench_wide(D, N, ROWS, COLS, EPOCHS, COMPACT) generates N training and
%   N / 5 test samples of D binary variables, about 1% ones, from 20 topics
%   (each sample draws one; a topic's own words are 8 times as frequent),
%   makes a ROWS x COLS first model with TavrixInit and trains it EPOCHS
%   epochs with TavrixTrain, both 'Compact' COMPACT, and prints one line:
%   first-model and per-epoch wall seconds, the process's peak resident
%   memory (VmHWM), the model's bytes and the test mean log-likelihood.
%   Peak memory is the process's: run each case in a fresh Octave
%   (bench/wide.sh runs the issue's workloads). Needs build/octave on the path.
function bench_wide(d, n, rows, cols, epochs, compact)
  rand('seed', 7);
  topics = 20;
  base = 0.004 ./ (1:d)' .^ 0.2;                  % a slow fall from the most frequent word
  base = base * (0.01 * d / sum(base) / 1.6);     % about 1% ones on average with the topic boost
  own = mod(0:d - 1, topics)' + 1;                % the topic each word belongs to
  [train, test] = deal(draw(n), draw(ceil(n / 5)));
  function x = draw(count)
    x = false(d, count);
    for first = 1:1000:count
      last = min(count, first + 999);
      topic = randi(topics, 1, last - first + 1);
      p = repmat(base, 1, numel(topic)) .* (1 + 7 * (own == topic));
      x(:, first:last) = rand(d, numel(topic)) < p;
    end
  end
  tic;
  model = TavrixInit(train, rows, cols, 'Compact', compact);
  initSeconds = toc;
  tic;
  model = TavrixTrain(model, train, epochs, 'Compact', compact);
  epochSeconds = toc / epochs;
  score = mean(TavrixScore(model, double(test)));
  info = whos('model');
  status = fileread('/proc/self/status');
  peak = sscanf(status(strfind(status, 'VmHWM:') + 6:end), '%f', 1) / 1024;
  printf('| %d | %d | %d x %d | %d | %d | %.2f | %.2f | %.0f | %.1f | %.3f |\n', d, n, rows, cols, epochs, ...
         compact, initSeconds, epochSeconds, peak, info.bytes / 2^20, score);
end
