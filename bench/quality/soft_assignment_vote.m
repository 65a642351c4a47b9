% Held-out values on vote (the protocol of tests/octave/tavrix_heldout.m: 80/20
% split, three observed votes hidden per test member), 5 x 5, 30 epochs with
% the default prior and radius (or radius R0 down to each final radius of
% RADII), six splits: hard, soft, and hard for the first half then soft (the
% same radius schedule).
%   octave-cli --eval "addpath('build/octave'); addpath('tests/octave'); ...
%                      addpath('bench/quality'); soft_assignment_vote([1.5 1 0.5 0.3])"
function soft_assignment_vote(radii)
  if nargin < 1
    radii = 1.5;
  end
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  [codes, info, mask] = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  votes = 1:16;
  codes = codes(votes, :); mask = mask(votes, :); ranges = info.Ranges(votes);
  variants = {'hard', 'soft', 'hard>soft'};
  for r1 = radii
    for v = 1:numel(variants)
      r = zeros(6, 3);
      for seed = 1:6
        out = tavrix_heldout(codes, mask, ranges, @(m, c, k) train(m, c, variants{v}, r1), 'Seed', seed);
        r(seed, :) = [out.nll, out.accuracy, out.topo];
      end
      printf('vote 5x5 r=%.1f %-9s NLL %.3f accuracy %.3f topographic error %.3f\n', r1, variants{v}, mean(r, 1));
    end
  end
end

function m = train(m, c, variant, r1)
  epochs = 30;
  r0 = max(1.5, 0.5 * max(m.NumRowsMap, m.NumColsMap));
  if ~strcmp(variant, 'hard>soft')
    m = TavrixTrain(m, c, epochs, 'Radius', [r0 r1], 'Assignment', variant);
    return;
  end
  half = floor(epochs / 2);
  at = @(e) r0 * (r1 / r0)^(e / (epochs - 1));
  m = TavrixTrain(m, c, half, 'Radius', [r0 at(half - 1)], 'Assignment', 'hard');
  m = TavrixTrain(m, c, epochs - half, 'Radius', [at(half) r1], 'Assignment', 'soft');
end
