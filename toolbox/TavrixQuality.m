%TAVRIXQUALITY Quality of a trained map: fit, topology and hits.
%   [NLL, TOPO, HITS] = TavrixQuality(MODEL, DATA) measures the map MODEL on
%   the samples DATA (Dimension x N, 0-based codes, one sample a column):
%     NLL   the mean over the samples of the negative log-likelihood (nats)
%           of the sample under its best unit (TavrixBest), the unit's own
%           likelihood without its weight Pi: the analogue of the
%           quantisation error of other self-organising maps (lower is a
%           closer fit).
%     TOPO  the topographic error: the share of the samples whose best and
%           second-best units (by TavrixBest's scores, log Pi + log-likelihood,
%           ties to the lower unit number) are not grid neighbours, that is
%           not at city-block distance 1 on the NumRowsMap x NumColsMap grid,
%           or, on a hexagonal map (model field Lattice 'hexagonal'), not
%           among the six units around each other (odd rows, counted from
%           0, shifted right by half a unit)
%           (0 is a map that keeps the data's topology; 0 on a one-unit map).
%     HITS  NumRowsMap x NumColsMap, the number of samples whose best unit is
%           each unit.
%   [NLL, TOPO, HITS, SAMPLENLL, BEST] = TavrixQuality(...) also returns each
%   sample's negative log-likelihood under its best unit (N x 1; NLL is their
%   mean) and its best unit (N x 1, as TavrixBest numbers units:
%   k = (col-1)*NumRowsMap + row).
%
%   A sample no unit can produce (TavrixBest gives 0) has SAMPLENLL Inf, so
%   NLL is Inf; it counts in neither TOPO nor HITS. With no samples NLL and
%   TOPO are NaN.
%
%   Missing entries (NaN in DATA, or 0 in the option 'Mask', M) mean the
%   value is unknown: it is summed out, as TavrixBest does, so a sample's
%   best unit and SAMPLENLL are those of its observed values. Complete
%   samples give what they always gave.
%
%   Errors (identifiers Tavrix:TavrixQuality:<reason>)
%     argumentCount  fewer than two arguments
%     outputCount    more than five outputs asked for
%     dataClass      DATA is not a numeric matrix
%     codeRange      DATA holds a code out of its variable's range
%     option         an unknown or malformed option
%     and TavrixBest's other reasons (notModel, dataSize, ...) for a
%     malformed MODEL or DATA.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     [nll, topo, hits] = TavrixQuality(model, votes)   % NaN votes summed out
%
%   See also TavrixBest, TavrixScore, TavrixLabelUnits, TavrixPlotHits, TavrixStats.
function [nll, topo, hits, sampleNll, best, varargout] = TavrixQuality(model, data, varargin)
  tavrix_check_outputs('TavrixQuality', nargout, 5, '[NLL, TOPO, HITS, SAMPLENLL, BEST] = TavrixQuality(MODEL, DATA)');
  caller = 'TavrixQuality';
  tavrix_check_count(caller, nargin, 2, Inf, 'TavrixQuality(MODEL, DATA) or TavrixQuality(MODEL, DATA, ''Mask'', M)');
  tavrix_check_model(caller, model, 1, {});   % TavrixBest checks the rest
  opts = tavrix_options(caller, varargin, struct('Mask', []), 3);
  hexagonal = tavrix_hexagonal(caller, model);
  [best, second, scores] = tavrix_best_units(caller, model, data, 'DATA', opts.Mask);
  rows = model.NumRowsMap;
  units = rows * model.NumColsMap;
  won = find(best > 0);
  sampleNll = Inf(numel(best), 1);
  unitScore = scores(sub2ind(size(scores), best(won), won));
  sampleNll(won) = -(unitScore(:) - log(model.Pi(best(won))));
  nll = mean(sampleNll);

  apart = false(size(won));
  paired = second(won) > 0;
  apart(paired) = ~neighbours(best(won(paired)), second(won(paired)), rows, model.NumColsMap, hexagonal);
  topo = sum(apart) / numel(won);
  if isempty(won)
    topo = NaN;
  end
  hits = reshape(accumarray(best(won), 1, [units 1]), rows, model.NumColsMap);
end

% Whether units A(k) and B(k) (numbered column-major from 1) are grid
% neighbours: at city-block distance 1 on a rectangular map, one of the six
% around each other on a hexagonal one.
function yes = neighbours(a, b, rows, cols, hexagonal)
  pairs = tavrix_grid_neighbours(rows, cols, hexagonal);
  units = rows * cols;
  touching = sparse([pairs(:, 1); pairs(:, 2)], [pairs(:, 2); pairs(:, 1)], true, units, units);
  yes = full(touching(sub2ind([units units], a(:), b(:))));
end
