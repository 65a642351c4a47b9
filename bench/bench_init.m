%BENCH_INIT TavrixInit against the .m version it replaced, and against the training that follows it.
%   bench_init() prints, on the density data (../shared/data/density/):
%     - nltcs 6 x 6 and plants 8 x 8: the .m version (bench/baseline/,
%       one run) and the MEX function (best of three), and their ratio;
%     - the default size of both, and plants 14 x 14: the MEX function;
%     - at every size, 30 epochs of TavrixTrain from the MEX function's
%       first model (one run; plants at its default size only with
%       bench_init('full'): about four minutes), and the ratio first
%       model / epochs.
%   One thread each; processor seconds (cputime), which a loaded machine
%   moves less than wall-clock ones. Run from bench/ with build/octave on the path.
function bench_init(mode)
  if nargin < 1
    mode = '';
  end
  here = fileparts(mfilename('fullpath'));
  addpath(fullfile(here, 'baseline'));
  restore = onCleanup(@() rmpath(fullfile(here, 'baseline')));
  data = fullfile(here, '..', '..', 'shared', 'data', 'density');
  cases = {'nltcs', [6 6], true; 'plants', [8 8], true; 'nltcs', [], false; 'plants', [14 14], false; ...
           'plants', [], false};
  printf('| data | map | .m | MEX | .m / MEX | 30 epochs | MEX / epochs |\n|---|---|---|---|---|---|---|\n');
  for c = 1:rows(cases)
    [name, sz, baseline] = cases{c, :};
    x = csvread(fullfile(data, [name '.train.data']))';
    args = num2cell(sz);
    mex = Inf;
    for run = 1:3
      started = cputime();
      model = TavrixInit(x, args{:}, 'Threads', 1);
      mex = min(mex, cputime() - started);
    end
    old = NaN;
    if baseline
      started = cputime();
      tavrix_init_m(x, args{:}, 'Seed', 1);
      old = cputime() - started;
    end
    units = model.NumRowsMap * model.NumColsMap;
    epochs = NaN;
    if ~strcmp(name, 'plants') || units < 400 || strcmp(mode, 'full')
      started = cputime();
      TavrixTrain(model, x, 30, 'Threads', 1);
      epochs = cputime() - started;
    end
    printf('| %s | %d x %d | %.2f s | %.3f s | %.0f x | %.2f s | %.3f |\n', name, model.NumRowsMap, ...
           model.NumColsMap, old, mex, old / mex, epochs, mex / epochs);
    fflush(stdout);
  end
end
