%TAVRIXBEST Best unit of every sample on a trained map.
%   BEST = TavrixBest(MODEL, SAMPLES) returns, for every column of SAMPLES, the
%   1-based number of the unit with the largest log(Pi(k)) + log-likelihood of
%   the sample under unit k. Units are numbered column-major over the grid:
%   k = (col-1)*NumRowsMap + row. BEST is N x 1; an entry is 0 when no unit has
%   a finite log-likelihood of the sample and a score above -realmax.
%
%   [BEST, SCORES] = TavrixBest(MODEL, SAMPLES) also returns the
%   (NumRowsMap*NumColsMap) x N matrix of unit scores log(Pi(k)) + log-likelihood,
%   stored as computed (NaN, -Inf and Inf included). It is only computed when
%   requested.
%
%   [...] = TavrixBest(..., 'Threads', N) spreads the samples over N threads.
%   Results are bit-identical for every thread count.
%
%   Arguments
%     MODEL    a MapModel struct (see TavrixInit for one made from data).
%     SAMPLES  Dimension x N matrix of 0-based value codes, double, any integer
%              class or logical; codes are truncated toward zero.
%
%   Options
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   Ties go to the lower unit number. A unit with Pi(k) = 0 is never best; the
%   log-likelihood factorises along the unit's Graph, undirected when
%   RootNode is 0 and rooted at variable RootNode otherwise.
%
%   Errors (identifiers Tavrix:TavrixBest:<reason>)
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
%     best = TavrixBest(model, complete);
%
%   See also TavrixTrain, TavrixScore, TavrixHoles, TavrixImpute, TavrixInit.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixBest(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixBest has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
