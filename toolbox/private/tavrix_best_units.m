% Shared by TavrixQuality, TavrixLabelUnits and TavrixPlotHits: each
% sample's best unit (TavrixBest) and, when asked for, its second-best unit
% and the unit scores. Missing entries (NaN in DATA, or 0 in MASK when it is
% not empty) go to TavrixBest, which sums them out; its errors are raised
% under the caller's name. NAME is the samples' name in the caller's help.
function [best, second, scores] = tavrix_best_units(caller, model, data, name, mask)
  if nargin < 5
    mask = [];
  end
  options = {};
  if ~isempty(mask)
    options = {'Mask', mask};
  end
  if ~isnumeric(data) && ~islogical(data)
    tavrix_fail(caller, 'dataClass', '%s must be a numeric matrix of 0-based codes; found %s. %s', name, ...
                tavrix_describe(data), 'TavrixRead turns a file into one.');
  end
  try
    if nargout < 2
      best = TavrixBest(model, data, options{:});
      return;
    end
    [best, scores] = TavrixBest(model, data, options{:});
  catch err
    prefix = 'Tavrix:TavrixBest:';
    if ~strncmp(err.identifier, prefix, numel(prefix))
      rethrow(err);
    end
    error(['Tavrix:' caller ':' err.identifier(numel(prefix) + 1:end)], '%s', ...
          strrep(err.message, 'TavrixBest', caller));
  end
  % The runner-up by the same rule: non-finite scores never win, ties go to
  % the lower unit number (max returns the first largest).
  ranked = scores;
  ranked(~isfinite(ranked)) = -Inf;
  ranked(sub2ind(size(ranked), best(best > 0), find(best > 0))) = -Inf;
  [top, second] = max(ranked, [], 1);
  second = second(:);
  second(top(:) == -Inf | best == 0) = 0;
end
