% One candidate of TavrixMake: FIRST trained on FIT for up to EPOCHS epochs,
% the radius falling geometrically from RADIUS(1) to RADIUS(2), with
% THREADS ({} or {'Threads', n}); every epoch's model is scored on HELD (mean log-likelihood of its observed values, as a
% mixture); the best of the first model and the epochs' models comes back.
% INFO as TavrixTrain's, with Radius, HeldOutLogLikelihood (one per epoch),
% StartHeldOutLogLikelihood and ChosenEpoch (0 for the first model).
function [best, info] = tavrix_make_train(first, fit, held, epochs, radius, threads)
  info.Radius = radius(1) * (radius(2) / radius(1)) .^ ((0:epochs - 1)' / max(1, epochs - 1));
  if epochs == 1
    info.Radius = radius(2);
  end
  info.StartHeldOutLogLikelihood = held_out_score(first, held, threads);
  info.HeldOutLogLikelihood = zeros(epochs, 1);
  info.ChosenEpoch = 0;
  best = first;
  top = info.StartHeldOutLogLikelihood;
  model = first;
  for e = 1:epochs
    model = TavrixTrain(model, fit, 1, 'Radius', info.Radius(e), threads{:});
    info.HeldOutLogLikelihood(e) = held_out_score(model, held, threads);
    if info.HeldOutLogLikelihood(e) > top
      top = info.HeldOutLogLikelihood(e);
      best = model;
      info.ChosenEpoch = e;
    end
  end
end

function score = held_out_score(model, held, threads)
  [~, ~, loglik] = TavrixStats(model, held, threads{:});
  score = mean(loglik);
end
