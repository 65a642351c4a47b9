% Held-out quality of soft against hard assignment on the density benchmark:
% an 8 x 8 map from TavrixInit(X, 8, 8, 'Seed', 1), 30 epochs, radius 4 down
% to each final radius; hard, soft, and hard for the first half then soft
% (the same radius schedule). Prints validation and test log-likelihoods.
%   octave-cli --eval "addpath('build/octave'); addpath('bench/quality'); soft_assignment_density(DIR, NAME, CACHE)"
% DIR holds NAME.{train,valid,test}.data; CACHE a folder for the first model;
% RADII the final radii (0.5 and 0.3 when left out).
function soft_assignment_density(dir, name, cache, radii)
  if nargin < 4
    radii = [0.5 0.3];
  end
  read = @(part) dlmread(fullfile(dir, [name '.' part '.data']))';
  X = read('train'); V = read('valid'); T = read('test');
  first = fullfile(cache, [name '_8x8_seed1.mat']);
  if exist(first, 'file')
    load(first, 'model0');
  else
    model0 = TavrixInit(X, 8, 8, 'Seed', 1);
    save('-v7', first, 'model0');
  end
  epochs = 30;
  for r = radii
    half = floor(epochs / 2);
    mid = [4 * (r / 4)^((half - 1) / (epochs - 1)), 4 * (r / 4)^(half / (epochs - 1))];
    for variant = {'hard', 'soft', 'hard>soft'}
      started = tic;
      switch variant{1}
        case 'hard>soft'
          m = TavrixTrain(model0, X, half, 'Radius', [4 mid(1)], 'Assignment', 'hard');
          m = TavrixTrain(m, X, epochs - half, 'Radius', [mid(2) r], 'Assignment', 'soft');
        otherwise
          m = TavrixTrain(model0, X, epochs, 'Radius', [4 r], 'Assignment', variant{1});
      end
      seconds = toc(started);
      printf('%s r=%.1f %-9s valid %.4f test %.4f (%.1f s)\n', name, r, variant{1}, -TavrixScore(m, V), ...
             -TavrixScore(m, T), seconds);
    end
  end
end
