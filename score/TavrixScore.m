%TAVRIXSCORE Average negative log-likelihood of samples under a trained map.
%   NLL = TavrixScore(MODEL, SAMPLES) scores every column of SAMPLES under the
%   map taken as a mixture of its units: the log-likelihood of sample j is
%   L(j) = log(sum over units k of Pi(k) * exp(log-likelihood of j under k)),
%   where units with a non-finite log-likelihood add nothing. A missing entry
%   (NaN, or 0 in 'Mask') means the value is unknown: each unit's likelihood
%   is that of the observed values, the missing ones summed over every value
%   they could take, exactly, so L(j) is the log-probability of what was
%   observed (for a sample with every entry missing, the log of the sum of
%   Pi over the units of a trained map: 0). A sample without missing entries
%   is scored as ever. NLL is the average -L(j) over the samples, accumulated
%   in sample order (NaN when SAMPLES has no columns, Inf when some L(j) is
%   -Inf).
%
%   [NLL, L] = TavrixScore(MODEL, SAMPLES) also returns the N x 1 vector of
%   per-sample log-likelihoods. It is only stored when requested; NLL is the
%   same either way.
%
%   [...] = TavrixScore(..., 'Mask', M) takes the missing entries from M, a
%   Dimension x N array whose 0 entries mark them (their values are never
%   read); without it, the NaN entries of SAMPLES are missing.
%
%   [...] = TavrixScore(..., 'Threads', N) spreads the samples over N threads.
%   Results are bit-identical for every thread count.
%
%   Where every unit's likelihood of a sample underflows (hundreds of
%   variables), the mixture is summed scaled by the largest unit likelihood
%   and stays finite; elsewhere it is summed plainly in unit order.
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
%   The grid's lattice (the model's Lattice field, hexagonal or rectangular)
%   shapes training only: every unit is scored on its own.
%
%   Errors (identifiers Tavrix:TavrixScore:<reason>)
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
%     [nll, L] = TavrixScore(model, votes);
%
%   See also TavrixTrain, TavrixBest, TavrixHoles, TavrixImpute, TavrixInit.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixScore(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixScore has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
