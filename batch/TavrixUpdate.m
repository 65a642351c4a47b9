%TAVRIXUPDATE The update of batch training, from counted statistics.
%   MODEL = TavrixUpdate(MODEL, STATS, RADIUS) smooths the counts of STATS
%   (from TavrixStats, possibly added up over parts of the data) over the
%   grid (the model's Lattice: the city-block distance, or hexagonal steps)
%   with Gaussian weights at RADIUS (> 0) and rebuilds every unit's
%   Marginal, Intersect, Pi, Mutual and Graph from them, as one epoch of
%   TavrixTrain does; NumVictories gets the counts of STATS.Count. The
%   input struct is never changed.
%
%   With n the smoothed counts of a unit, alpha the Prior and r_i the range
%   of variable i:
%     Marginal(i = a)         = (n(i = a) + alpha / r_i) / (n + alpha)
%     Intersect(i = a, j = b) = (n(i = a, j = b) + alpha / (r_i r_j)) / (n + alpha)
%     Pi                      proportional to n + alpha
%   so every table is proper and consistent; a variable's block with itself
%   holds its marginal on the diagonal. Of the pair counts, those of two
%   values off their baselines are smoothed and the others are the rest of
%   their row or column (docs/batch.md). A compact MODEL (docs/compact.md)
%   stays compact: only the cells of its new trees are kept.
%
%   Options
%     Prior::   [TavrixTrain's default, the samples being sum(STATS.Count)]
%                                                virtual samples (> 0).
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   Errors (identifiers Tavrix:TavrixUpdate:<reason>): as TavrixTrain's, and
%     dataSize, fieldValue, missingField  STATS is not the statistics of a
%                                         model of this shape
%     dataClass                           RADIUS is not positive and finite
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixInit(votes, 4, 4, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     for radius = [2 1.5 1]
%       model = TavrixUpdate(model, TavrixStats(model, votes), radius);
%     end
%
%   See also TavrixStats, TavrixTrain.

% The help text of the compiled MEX file TavrixUpdate, which takes precedence.
function varargout = TavrixUpdate(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', 'TavrixUpdate is not compiled for this host: run ./run build (Octave) or tavrix_build_matlab (MATLAB).');
end
