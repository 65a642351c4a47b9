%TAVRIXSTATS One pass of batch training: assign the samples and count.
%   STATS = TavrixStats(MODEL, DATA) assigns every sample (column of DATA,
%   0-based codes, NaN where missing) to its best unit and counts, per unit,
%   its samples, values and pairs of values, as one epoch of TavrixTrain
%   does. STATS is a struct of whole counts (whole multiples of 2^-16 under
%   'Assignment', 'soft'):
%     Count   1 x units      samples per unit
%     Values  V x units      count of each value, variables in order, codes
%                            in order within a variable (V = sum of Ranges)
%     Pairs   P x units      count of each pair of values of variables
%                            i < j: blocks (1,2), (1,3), ..., (2,3), ...,
%                            each Ranges(i) x Ranges(j), column-major
%   The counts are exact (soft ones up to 2^37 samples in all), so the
%   fields of the statistics of any split of the data add with + to those
%   of the whole, bit for bit, in any order:
%     s = TavrixStats(m, part1); t = TavrixStats(m, part2);
%     s.Count = s.Count + t.Count; s.Values = s.Values + t.Values;
%     s.Pairs = s.Pairs + t.Pairs;     % = TavrixStats(m, [part1 part2])
%   MODEL may be compact (docs/compact.md); STATS is the same either way, of
%   this whole shape (P grows with the square of the values: for data of
%   thousands of variables train with TavrixTrain, which counts compactly).
%
%   [STATS, BEST, LOGLIK] = TavrixStats(...) also returns each sample's unit
%   (1-based, N x 1; its best unit under soft assignment too) and its
%   log-likelihood under the map as a Pi-weighted mixture (N x 1;
%   TavrixScore's value for complete samples; the same under either
%   assignment).
%
%   Options
%     Mask::    []                 Dimension x N, 0 marks a missing entry.
%     HeldOut:: [0]                leave out of STATS the samples TavrixTrain's
%                                  'HeldOut' holds back: column j is held back
%                                  when splitmix64(FirstColumn + j - 2) <
%                                  floor(HeldOut * 2^64). BEST and LOGLIK
%                                  still cover every sample.
%     FirstColumn:: [1]            the column of the whole data that DATA's
%                                  first column is, when DATA is a block of it.
%     Threads:: [number of cores]  threads to use, 1..1024.
%     Assignment:: ['hard']        'hard' or 'soft': each sample to its best
%                                  unit, or spread over the units by its
%                                  posterior, quantised (see TavrixTrain).
%
%   Errors (identifiers Tavrix:TavrixStats:<reason>): as TavrixTrain's.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixInit(votes, 4, 4, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     stats = TavrixStats(model, votes);
%     model = TavrixUpdate(model, stats, 1.5);
%     % a block of columns 201..435 holds back what the whole would:
%     part = TavrixStats(model, votes(:, 201:end), 'HeldOut', 0.1, 'FirstColumn', 201);
%     soft = TavrixStats(model, votes, 'Assignment', 'soft');
%     sum(soft.Count) == size(votes, 2)          % weights sum to exactly 1
%
%   See also TavrixUpdate, TavrixTrain.

% The help text of the compiled MEX file TavrixStats, which takes precedence.
function varargout = TavrixStats(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', 'TavrixStats is not compiled for this host: run ./run build (Octave) or tavrix_build_matlab (MATLAB).');
end
