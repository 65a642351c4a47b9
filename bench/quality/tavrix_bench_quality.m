%TAVRIX_BENCH_QUALITY The quality benchmark: ./run bench-quality DIR [...].
%   tavrix_bench_quality(DIR, OUT, VALUES) runs the density protocol on the
%   data sets of folder DIR (tavrix_bench_density; DIR may be empty) and the
%   held-out values protocol on each ARFF file of the N x 2 cell VALUES
%   ({file, keep}; tavrix_bench_values), and writes both tables in markdown
%   to OUT and to the screen. The gap to ID-SPN is (ID-SPN - ours) / |ID-SPN|
%   in %: positive when ours is worse.
function tavrix_bench_quality(dir, out, values)
  lines = {};
  if ~isempty(dir)
    rows = tavrix_bench_density(dir);
    lines{end + 1} = sprintf('Density data sets of %s (mean test log-likelihood, nats per sample):', dir);
    lines{end + 1} = '';
    lines{end + 1} = ['| data set | TavrixMake | size, epoch | topo | seconds | 8 x 8 defaults | seconds | ' ...
                      'mixture of trees | ID-SPN | TavrixMake gap | 8 x 8 gap |'];
    lines{end + 1} = '|---|---|---|---|---|---|---|---|---|---|---|';
    gaps = zeros(numel(rows), 2);
    for r = 1:numel(rows)
      x = rows(r);
      gaps(r, :) = 100 * (x.idspn - [x.makeTest x.defaultTest]) / abs(x.idspn);
      lines{end + 1} = sprintf('| %s | %.3f | %s, %d | %.3f | %.0f | %.3f | %.0f | %.2f | %.2f | %.1f%% | %.1f%% |', ...
                               x.name, x.makeTest, x.makeSize, x.makeEpoch, x.makeTopo, x.makeSeconds, ...
                               x.defaultTest, x.defaultSeconds, x.trees, x.idspn, gaps(r, 1), gaps(r, 2));
    end
    published = ~isnan(gaps(:, 1));
    if any(published)
      beat = [rows.makeTest] > [rows.trees];
      lines{end + 1} = sprintf(['| mean gap | | | | | | | TavrixMake ahead on %d of %d | | %.2f%% | %.2f%% |'], ...
                               sum(beat(published)), sum(published), mean(gaps(published, :), 1));
    end
    lines{end + 1} = '';
  end
  for v = 1:size(values, 1)
    rows = tavrix_bench_values(values{v, 1}, values{v, 2});
    lines{end + 1} = sprintf(['Held-out values of %s (six 80/20 splits, three entries hidden per test sample, ' ...
                              '"?" %s):'], values{v, 1}, ifelse(values{v, 2}, 'a value', 'missing'));
    lines{end + 1} = '';
    lines{end + 1} = '| model | -log P(hidden given visible) | accuracy | topographic error | seconds | sizes |';
    lines{end + 1} = '|---|---|---|---|---|---|';
    for r = 1:numel(rows)
      x = rows(r);
      lines{end + 1} = sprintf('| %s | %.3f | %.3f | %.3f | %.2f | %s |', x.model, x.nll, x.accuracy, x.topo, ...
                               x.seconds, x.sizes);
    end
    lines{end + 1} = '';
  end
  text = sprintf('%s\n', lines{:});
  fprintf('%s', text);
  temporary = [out '.part'];
  handle = fopen(temporary, 'w');
  fprintf(handle, '%s', text);
  fclose(handle);
  movefile(temporary, out, 'f');
end

function value = ifelse(condition, yes, no)
  value = no;
  if condition
    value = yes;
  end
end
