%TAVRIXIMPUTE Fill in missing values by exact inference under a trained map.
%   FILLED = TavrixImpute(MODEL, DATA, MASK) returns DATA with every entry
%   where MASK is 0 (false, 0 or -0) replaced by its most probable value code
%   under the map taken as a Pi-weighted mixture of its units. Observed
%   entries are returned as DATA holds them (converted to double). Missing
%   entries are never read, so they may hold NaN. FILLED is Dimension x N.
%
%   [FILLED, POST] = TavrixImpute(...) also returns the NumValues x N matrix of
%   posteriors: column j holds, at each variable's global value indices
%   (Translate), the probability of each of its values given the observed
%   values of sample j. Observed variables get a one-hot part. The posterior
%   of a missing value is the mixture, over the units, of the unit's
%   conditional P_k(value | observed), weighted by Pi(k) P_k(observed).
%
%   [FILLED, POST, LOGP] = TavrixImpute(...) also returns the N x 1 vector
%   LOGP(j) = log sum_k Pi(k) P_k(observed values of sample j).
%   The proper held-out score: with the complete column X of sample j,
%     S = TavrixScore per-sample value of X;   S - LOGP(j)
%   is log P(true hidden values | observed values) under the map.
%
%   [...] = TavrixImpute(..., 'Threads', N) spreads the samples over N threads.
%   Results are bit-identical for every thread count.
%
%   Arguments
%     MODEL  a MapModel struct (see TavrixInit for one made from data).
%     DATA   Dimension x N matrix of 0-based value codes, double, any integer
%            class or logical; observed codes are truncated toward zero and
%            must be valid codes of their variables.
%     MASK   matrix of the size of DATA, numeric or logical: 0 (false, -0)
%            marks a missing entry, any other value (NaN included) an
%            observed one.
%
%   Options
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   The model of unit k is its log-likelihood as TavrixBest and TavrixScore
%   use it, P_k(x) = exp(log-likelihood), in the factorisation RootNode
%   selects; P_k(observed) sums it over every completion of the missing
%   values. Where the unit's Graph (taken as undirected) is a forest, the
%   sums are exact message passing along it, at a cost linear in Dimension;
%   where missing variables are joined by a cycle, the completions of that
%   part of the graph are enumerated.
%   A factor that is 0, NaN or +Inf counts as probability 0. Units whose Pi
%   is 0, negative or NaN take no part. For a sample with nothing missing,
%   LOGP equals TavrixScore's per-sample value. When no unit gives a sample's
%   observed values positive probability, LOGP is -Inf and the sample's
%   missing entries get NaN in FILLED and POST.
%
%   Errors (identifiers Tavrix:TavrixImpute:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel
%     dataClass, dataSize          DATA or MASK is not a real matrix of
%                                  Dimension rows, or MASK's size differs
%     codeRange                    an observed code is not a valid value
%     tooManyCompletions           missing variables on a cycle of a unit's
%                                  graph have 2^31 or more completions
%     option                       an unknown or malformed option
%
%   Example
%     [codes, info, observed] = TavrixRead('data/vote.arff');
%     complete = codes(:, all(observed, 1));       % members without a missing vote
%     model = TavrixTrain(TavrixInit(complete, 6, 6, 'Seed', 1), complete, 30);
%     hidden = observed & rand(size(codes)) < 0.2;  % hide a fifth of the known votes
%     [filled, post, logp] = TavrixImpute(model, codes, observed & ~hidden);
%     accuracy = mean(filled(hidden) == codes(hidden));
%
%   See also TavrixHoles, TavrixScore, TavrixBest, TavrixTrain.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixImpute(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixImpute has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
