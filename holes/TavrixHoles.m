%TAVRIXHOLES How well a trained map predicts held-out values.
%   NLP = TavrixHoles(MODEL, DATA, MASK) treats the entries of DATA where MASK
%   is 0 (false, 0.0 or -0.0) as hidden; every other MASK value, NaN included,
%   marks an observed entry. For every sample j (column of DATA) the units are
%   weighted by their posterior given the observed values,
%     post(k) = Pi(k) * ev(k) / sum(Pi .* ev),
%   ev(k) summing unit k's likelihood over every completion of the hidden
%   values, and the true hidden values are scored under that mixture:
%     L(j) = log(sum over units k of post(k) * P_k(hidden values of j)),
%   where P_k takes the factors of unit k's tree that belong to the hidden
%   variables (a marginal of a hidden variable; an undirected edge with both
%   ends hidden; a directed factor whose child is hidden). Units whose score is
%   not finite add nothing. NLP is the average -L(j), accumulated in sample
%   order (NaN when DATA has no columns).
%
%   [NLP, L] = TavrixHoles(MODEL, DATA, MASK) also returns the N x 1 vector
%   L. It is only stored when requested; NLP is the same either way.
%
%   [...] = TavrixHoles(..., 'Threads', N) spreads the samples over N threads.
%   Results are bit-identical for every thread count.
%
%   A sample with no hidden entry gets L(j) = 0 up to rounding. The work per
%   sample grows with the number of completions, the product of the ranges of
%   its hidden variables, which must stay below 2^31. Where the likelihoods of
%   a sample underflow (hundreds of variables), the sums are taken scaled by
%   their largest term and stay finite; elsewhere they are summed plainly.
%
%   Cost: every unit sums over every completion of a sample's hidden
%   entries, so the time is exponential in their number: a few hidden votes
%   take microseconds, 22 hidden entries of 216 variables take minutes per
%   sample. TavrixImpute gives the exact log P(hidden | visible) under the
%   map by message passing along each unit's tree, in time linear in the
%   number of variables (the chain rule; it conditions on every visible value
%   through the tree, so it is not the same number as L):
%     [~, ~, logBoth] = TavrixImpute(model, data, ones(size(data)));
%     [~, ~, logVisible] = TavrixImpute(model, data, mask);
%     L = logBoth - logVisible;      % log P(hidden | visible), one per sample
%
%   Arguments
%     MODEL  a MapModel struct (see TavrixInit for one made from data).
%     DATA   Dimension x N matrix of 0-based value codes, double, any integer
%            class or logical, hidden entries holding their true codes; codes
%            are truncated toward zero and every one must be valid.
%     MASK   matrix of the size of DATA, double, any integer class or logical.
%
%   Options
%     Threads:: [number of cores]  threads to use, 1..1024.
%
%   Errors (identifiers Tavrix:TavrixHoles:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel
%     dataClass, dataSize          DATA or MASK is not a real matrix of the
%                                  right size
%     codeRange                    a code is not a valid value of its variable
%                                  (NaN included: hidden entries are scored)
%     tooManyCompletions           a sample hides 2^31 or more completions
%     option                       an unknown or malformed option
%
%   Example
%     [codes, info, observed] = TavrixRead('data/vote.arff');
%     complete = codes(:, all(observed, 1));       % members without a missing vote
%     model = TavrixTrain(TavrixInit(complete, 6, 6, 'Seed', 1), complete, 30);
%     mask = rand(size(complete)) > 0.1;    % hide about one value in ten
%     [nlp, L] = TavrixHoles(model, complete, mask);
%
%   See also TavrixScore, TavrixImpute, TavrixTrain, TavrixBest, TavrixInit.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixHoles(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixHoles has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
