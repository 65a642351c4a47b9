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
%           not at city-block distance 1 on the NumRowsMap x NumColsMap grid
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
%   Missing entries (NaN) are refused: complete the samples first with
%   TavrixImpute, or use TavrixStats, whose log-likelihoods sum missing
%   entries out (under the map as a mixture, with best units by the batch
%   rule).
%
%   Errors (identifiers Tavrix:TavrixQuality:<reason>)
%     argumentCount  not two arguments
%     dataClass      DATA is not a numeric matrix
%     codeRange      DATA holds NaN or a code out of its variable's range
%     and TavrixBest's other reasons (notModel, dataSize, ...) for a
%     malformed MODEL or DATA.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     complete = votes(:, all(~isnan(votes), 1));
%     [nll, topo, hits] = TavrixQuality(model, complete)
%
%   See also TavrixBest, TavrixScore, TavrixLabelUnits, TavrixPlotHits, TavrixStats.
function [nll, topo, hits, sampleNll, best, varargout] = TavrixQuality(model, data, varargin)
  tavrix_check_outputs('TavrixQuality', nargout, 5, '[NLL, TOPO, HITS, SAMPLENLL, BEST] = TavrixQuality(MODEL, DATA)');
  tavrix_check_count('TavrixQuality', nargin, 2, 2, 'TavrixQuality(MODEL, DATA)');
  tavrix_check_model('TavrixQuality', model, 1, {});   % TavrixBest checks the rest
  [best, second, scores] = tavrix_best_units('TavrixQuality', model, data);
  rows = model.NumRowsMap;
  units = rows * model.NumColsMap;
  won = find(best > 0);
  sampleNll = Inf(numel(best), 1);
  unitScore = scores(sub2ind(size(scores), best(won), won));
  sampleNll(won) = -(unitScore(:) - log(model.Pi(best(won))));
  nll = mean(sampleNll);

  apart = false(size(won));
  paired = second(won) > 0;
  apart(paired) = grid_distance(best(won(paired)), second(won(paired)), rows) ~= 1;
  topo = sum(apart) / numel(won);
  if isempty(won)
    topo = NaN;
  end
  hits = reshape(accumarray(best(won), 1, [units 1]), rows, model.NumColsMap);
end

% City-block distance on the grid of units numbered column-major from 1.
function d = grid_distance(a, b, rows)
  d = abs(mod(a - 1, rows) - mod(b - 1, rows)) + abs(floor((a - 1) / rows) - floor((b - 1) / rows));
end
