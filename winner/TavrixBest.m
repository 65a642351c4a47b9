%TAVRIXBEST Best unit of every sample on a trained map.
%   BEST = TavrixBest(MODEL, SAMPLES) returns, for every column of SAMPLES, the
%   1-based number of the unit with the largest log(Pi(k)) + log-likelihood of
%   the sample's observed values under unit k. A missing entry (NaN, or 0 in
%   'Mask') means the value is unknown: the unit's likelihood is summed over
%   every value it could take, exactly (as TavrixTrain places such samples),
%   so a sample with every entry missing goes by Pi alone. A sample without
%   missing entries is scored as ever. Units are numbered column-major over
%   the grid: k = (col-1)*NumRowsMap + row. BEST is N x 1; an entry is 0 when no unit has
%   a finite log-likelihood of the sample and a score above -realmax.
%
%   [BEST, SCORES] = TavrixBest(MODEL, SAMPLES) also returns the
%   (NumRowsMap*NumColsMap) x N matrix of unit scores log(Pi(k)) + log-likelihood,
%   stored as computed (NaN, -Inf and Inf included). It is only computed when
%   requested.
%
%   [...] = TavrixBest(..., 'Mask', M) takes the missing entries from M, a
%   Dimension x N array whose 0 entries mark them (their values are never
%   read); without it, the NaN entries of SAMPLES are missing.
%
%   [...] = TavrixBest(..., 'Threads', N) spreads the samples over N threads.
%   Results are bit-identical for every thread count.
%
%   Arguments
%     MODEL    a MapModel struct (see TavrixInit for one made from data).
%     SAMPLES  Dimension x N matrix of 0-based value codes, double, any integer
%              class or logical; codes are truncated toward zero; NaN where
%              missing.
%
%   Options
%     Mask::    []  Dimension x N, 0 marks a missing entry.
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   Ties go to the lower unit number. A unit with Pi(k) = 0 is never best; the
%   log-likelihood factorises along the unit's Graph, undirected when
%   RootNode is 0 and rooted at variable RootNode otherwise.
%
%   The grid's lattice (the model's Lattice field, hexagonal or rectangular)
%   shapes training only: every unit is scored on its own.
%
%   Errors (identifiers Tavrix:TavrixBest:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel (a
%                                  Lattice field other than 'rectangular' or
%                                  'hexagonal' included)
%     dataClass, dataSize          SAMPLES or Mask is not a real matrix with
%                                  Dimension rows (and SAMPLES' size)
%     codeRange                    an observed code is not a valid value of its
%                                  variable
%     option                       an unknown or malformed option
%     tooManyCompletions           a unit's graph has a cycle through missing
%                                  variables with 2^31 completions or more
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');  % NaN marks a missing vote
%     votes = codes(1:16, :);
%     model = TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     model = TavrixTrain(model, votes, 30);
%     [best, scores] = TavrixBest(model, votes);
%
%   See also TavrixTrain, TavrixScore, TavrixHoles, TavrixImpute, TavrixInit.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixBest(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixBest has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
