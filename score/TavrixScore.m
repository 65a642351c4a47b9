%TAVRIXSCORE Average negative log-likelihood of samples under a trained map.
%   NLL = TavrixScore(MODEL, SAMPLES) scores every column of SAMPLES under the
%   map taken as a mixture of its units: the log-likelihood of sample j is
%   L(j) = log(sum over units k of Pi(k) * exp(log-likelihood of j under k)),
%   where units with a non-finite log-likelihood add nothing. NLL is the
%   average -L(j) over the samples, accumulated in sample order (NaN when
%   SAMPLES has no columns, Inf when some L(j) is -Inf).
%
%   [NLL, L] = TavrixScore(MODEL, SAMPLES) also returns the N x 1 vector of
%   per-sample log-likelihoods. It is only stored when requested; NLL is the
%   same either way.
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
%              class or logical; codes are truncated toward zero.
%
%   Options
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   Errors (identifiers Tavrix:TavrixScore:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel
%     dataClass, dataSize          SAMPLES is not a real matrix with Dimension rows
%     codeRange                    a code is not a valid value of its variable
%     option                       an unknown or malformed option
%
%   Example
%     [codes, info, observed] = TavrixRead('data/vote.arff');
%     complete = codes(:, all(observed, 1));       % members without a missing vote
%     model = TavrixTrain(TavrixInit(complete, 6, 6, 'Seed', 1), complete, 30);
%     [nll, L] = TavrixScore(model, complete);
%
%   See also TavrixTrain, TavrixBest, TavrixHoles, TavrixImpute, TavrixInit.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixScore(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixScore has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
