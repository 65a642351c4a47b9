%TAVRIXINIT A first MapModel from categorical data, ready for TavrixTrain or TavrixFit.
%   MODEL = TavrixInit(CODES, ROWS, COLS) builds a ROWS x COLS map for the
%   Dimension x N matrix CODES of 0-based value codes (one sample a column).
%   MODEL = TavrixInit(CODES) picks the map size from the data:
%     units  U = round(5 * sqrt(N));
%     ratio  r = sqrt(l1 / l2), l1 >= l2 the two largest eigenvalues of the
%            covariance of the one-hot coded samples (their two largest
%            principal spreads, squared; samples completed as in Samples,
%            eigenvalues below 1e-12 count as 0); r = 1 when the data do
%            not vary, r = Inf when they vary along one direction only;
%     ROWS = max(2, round(sqrt(U / r))), COLS = max(2, round(U / ROWS)),
%   so the map is at least 2 x 2 and its longer side runs along the columns.
%   Either method gives proper tables (each variable's marginal and each
%   pair's joint sum to 1), symmetric and consistent; the block of a
%   variable with itself holds its marginal on the diagonal and zeros
%   elsewhere. Graph and Mutual come from each unit's tables by the rule
%   training uses (mutual information in bits, maximum-weight spanning
%   tree from the start variable). Pi is uniform, NumVictories zero and
%   Samples the data.
%
%   Methods ('Method' option)
%     'linear'  (default) the map is ordered from the start: the grid is
%               laid over the plane of the two largest principal directions
%               of the one-hot coded samples, one standard deviation of each
%               direction from the mean to the grid's edge (the longer side
%               along the first). Each sample goes to the unit whose place is
%               nearest its own; each unit's tables are the counts of its
%               samples smoothed over the grid (Gaussian of radius 1.5 over
%               units at most 2 grid steps apart) plus TavrixTrain's
%               default Prior spread uniformly, as a batch update makes them.
%               No randomness: Seed and Spread are not used.
%     'random'  each unit mixes the data's frequencies with those of its own
%               random draw, with replacement, of N/16 samples (Spread sets
%               the mix), then with 1% of the uniform tables so that no
%               probability is zero. The draws come from the portable
%               generator of TavrixFit: a seed gives the same model on every
%               platform and word size.
%
%   Missing entries: NaN codes, and entries where the 'Mask' option is 0,
%   are missing. In Samples they are set to the most frequent observed
%   value of their variable (training needs complete samples). The linear
%   method lays out and counts these completed samples; the random method
%   leaves missing entries out of its frequencies.
%
%   Options
%     RootNode:: [0]     0 for the undirected form, r in 1..Dimension to root
%                        every unit's tree at variable r.
%     Seed::     []      random method: an integer in 0..2^32-1; the same seed
%                        gives the same model. Without it one draw of the
%                        host's rand gives the seed (so rand('state', s) or
%                        rng(s) before the call repeats it).
%     Spread::   [0.5]   random method: 0..1, the share of each unit's tables
%                        that comes from its own draw of the samples; 0 gives
%                        every unit the data's frequencies.
%     Mask::     []      Dimension x N, 0 (false) marks a missing entry.
%     Ranges::   []      Dimension values: the number of values of each
%                        variable (e.g. from TavrixRead's labels), at least
%                        the largest code + 1. By default the largest code + 1
%                        (at least 1).
%     Threads::  [cores] 1..1024; the model is the same for every count.
%     Method::   ['linear'] 'linear' or 'random' (see Methods).
%     Lattice::  ['rectangular'] 'rectangular' or 'hexagonal'. A hexagonal
%                        map gets the field Lattice = 'hexagonal' (odd rows
%                        shifted right by half a unit); without the field a
%                        model is rectangular. The linear layout uses the
%                        lattice's unit positions.
%     Compact::  []      true makes a compact model (docs/compact.md): each
%                        unit keeps only what its tree needs, as sparse
%                        cells, the very cells of the full model; linear
%                        method only. By default compact where the full
%                        Intersect cells would pass 512 MiB (linear method).
%
%   Errors (identifiers Tavrix:TavrixInit:<reason>)
%     argumentCount   no CODES, or ROWS without COLS
%     dataClass       CODES is not a real numeric or logical matrix
%     codeRange       a code is negative, not an integer or infinite, or
%                     not below its variable's Ranges entry
%     dataSize        ROWS, COLS not positive integers, a Mask or Ranges
%                     of the wrong size, no observed entry at all, or more
%                     than 46340 values in all
%     option          an unknown or malformed option
%     outputCount     more than one result requested
%   The messages name the first bad entry as (variable, sample).
%
%   Warnings
%     Tavrix:TavrixInit:transposed  more variables (rows) than samples
%                                   (columns): CODES may need transposing.
%     Tavrix:TavrixInit:oneBased    no variable uses code 0: the codes may
%                                   be 1-based; subtract 1.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     model = TavrixInit(codes, 6, 6, 'Seed', 1);
%     model = TavrixTrain(model, codes, 30);
%     hex = TavrixInit(codes, 6, 6, 'Lattice', 'hexagonal', 'Method', 'random', 'Seed', 2);
%
%   See also TavrixTrain, TavrixMake, TavrixFit, TavrixRead, TavrixTree.

% The help text of the compiled MEX file TavrixInit, which takes precedence.
function varargout = TavrixInit(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', 'TavrixInit is not compiled for this host: run ./run build (Octave) or tavrix_build_matlab (MATLAB).');
end
