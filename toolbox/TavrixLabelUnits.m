%TAVRIXLABELUNITS Class label of every unit: its samples' majority class.
%   [MAJORITY, SHARES] = TavrixLabelUnits(MODEL, DATA, CLASSES) assigns each
%   sample (column of DATA, 0-based codes, NaN where missing) to its best unit
%   (TavrixBest) and, per unit, counts the classes of its samples. CLASSES
%   holds one class code 0..K-1 per sample (e.g. a variable held out of the
%   model); NaN marks a sample of unknown class, which is not counted.
%     MAJORITY  NumRowsMap x NumColsMap, the most frequent class code among
%               the unit's samples (ties to the lower code); NaN for a unit
%               without samples.
%     SHARES    units x K, row k the share of each class among unit k's
%               samples (units numbered as TavrixBest does,
%               k = (col-1)*NumRowsMap + row); each row sums to 1, a unit
%               without samples has a row of zeros.
%   [MAJORITY, SHARES, COUNTS] = TavrixLabelUnits(...) also returns the
%   units x K counts the shares come from.
%   [...] = TavrixLabelUnits(..., 'NumClasses', K) sets K (default
%   max(CLASSES) + 1), e.g. when some class has no samples.
%
%   [...] = TavrixLabelUnits(..., 'Mask', M) takes DATA's missing entries
%   from M (0 marks one) instead of from its NaN entries. A missing entry
%   means the value is unknown: it is summed out when the sample's best unit
%   is found, as TavrixBest does. Complete samples are placed as always.
%
%   Errors (identifiers Tavrix:TavrixLabelUnits:<reason>)
%     argumentCount  fewer than three arguments
%     dataClass      DATA or CLASSES is not numeric
%     codeRange      DATA holds a code out of range, or CLASSES a value
%                    that is not a code 0..K-1, codes 1..K (no class 0:
%                    pass CLASSES - 1), or a code NumClasses or above
%     dataSize       CLASSES does not hold one class per sample
%     option         an unknown or malformed option
%     and TavrixBest's other reasons for a malformed MODEL or DATA.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     [majority, shares] = TavrixLabelUnits(model, votes, codes(17, :));
%     TavrixLabels(info, majority(:)', 17)   % party of each unit ('?': no samples)
%
%   See also TavrixPlotHits, TavrixQuality, TavrixBest, TavrixLabels.
function [majority, shares, counts, varargout] = TavrixLabelUnits(model, data, classes, varargin)
  caller = 'TavrixLabelUnits';
  tavrix_check_outputs(caller, nargout, 3, '[MAJORITY, SHARES, COUNTS] = TavrixLabelUnits(MODEL, DATA, CLASSES)');
  tavrix_check_count(caller, nargin, 3, Inf, 'TavrixLabelUnits(MODEL, DATA, CLASSES, ''NumClasses'', K)');
  tavrix_check_model(caller, model, 1, {});   % TavrixBest checks the rest
  opts = tavrix_options(caller, varargin, struct('NumClasses', [], 'Mask', []), 4);
  numClasses = opts.NumClasses;
  if ~isempty(numClasses) && (~isscalar(numClasses) || ~isnumeric(numClasses) || ~isreal(numClasses) || ...
                              ~(numClasses >= 1 && numClasses < Inf) || numClasses ~= fix(numClasses))
    tavrix_fail(caller, 'option', 'option ''NumClasses'' must be a positive whole number; found %s.', ...
                tavrix_describe(numClasses));
  end
  if ~(isnumeric(classes) || islogical(classes)) || ~isreal(classes)
    tavrix_fail(caller, 'dataClass', 'CLASSES must be numeric class codes 0..K-1, one per sample; found %s.', ...
                tavrix_describe(classes));
  end
  best = tavrix_best_units(caller, model, data, 'DATA', opts.Mask);
  if numel(classes) ~= numel(best)
    tavrix_fail(caller, 'dataSize', 'CLASSES must hold one class code per sample (%d); found %s.', ...
                numel(best), tavrix_describe(classes));
  end
  classes = double(classes(:));
  known = ~isnan(classes);
  bad = find(known & (classes < 0 | classes ~= fix(classes) | isinf(classes)), 1);
  if ~isempty(bad)
    tavrix_fail(caller, 'codeRange', 'CLASSES(%d) = %s is not a class code: codes are whole numbers 0..K-1.', ...
                bad, tavrix_number(classes(bad)));
  end
  numClasses = tavrix_check_classes(caller, classes, numClasses, '''NumClasses''');
  units = model.NumRowsMap * model.NumColsMap;
  counted = known & best > 0;
  counts = accumarray([best(counted) classes(counted) + 1], 1, [units max(numClasses, 1)]);
  totals = sum(counts, 2);
  shares = zeros(size(counts));
  some = totals > 0;
  shares(some, :) = counts(some, :) ./ totals(some);
  [~, top] = max(counts, [], 2);
  majority = top - 1;
  majority(~some) = NaN;
  majority = reshape(majority, model.NumRowsMap, model.NumColsMap);
end
