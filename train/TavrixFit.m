%TAVRIXFIT Train a map online on its own samples.
%   MODEL = TavrixFit(MODEL, T) runs T training iterations on a copy of MODEL
%   and returns it. Each iteration draws one column of MODEL.Samples at
%   random, finds the training winner (the unit whose Gaussian grid
%   neighbourhood gives the sample the highest weighted mean likelihood),
%   moves every unit's Pi, Marginal and Intersect towards the sample in
%   proportion to its neighbourhood weight, and rebuilds every unit's Mutual
%   (mutual information in bits) and Graph (maximum-weight spanning tree from
%   variable RootNode, or variable 1 when RootNode is 0). At the end Pi is
%   divided by its sum. T is truncated; T below 1 runs no iteration and only
%   divides Pi by its sum. The input struct is never changed.
%
%   [MODEL, INFO] = TavrixFit(...) also returns a struct with the Seed used,
%   the Iterations run and the Threads used.
%
%   [...] = TavrixFit(..., 'Seed', S) makes the run reproducible: the same
%   seed and model give the same result on every platform and for every
%   thread count.
%
%   Options
%     Seed::    [calendar time in seconds]  integer in 0..2^53 for the draws.
%     Threads:: [number of cores]           threads to use, 1..1024.
%     Verbose:: [false]                     show a progress line while training.
%
%   The neighbourhood radius falls linearly from (NumRowsMap+NumColsMap)/4 to
%   three quarters of that; the learning rate is 1/(100 + v/1000) at
%   iteration v. When every unit's likelihood of a sample underflows, the
%   winner is found from the likelihoods relative to the largest one.
%   NumVictories counts the wins and grows by exactly T.
%
%   Every update reads and moves the whole pair table of every unit, so a
%   compact model (sparse Intersect, see TavrixCompact), which keeps only the
%   pairs of its tree edges, is refused: TavrixFull expands it first, filling
%   the pairs it does not keep with the product of their marginals, which
%   training reads as independence.
%
%   Errors (identifiers Tavrix:TavrixFit:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel, or it has
%                                  Dimension < 1, no units, RootNode outside
%                                  0..Dimension, or no Samples while T > 0
%     dataClass                    T is not a finite real scalar below 2^31
%     codeRange                    a column of Samples holds an invalid code
%     compact                      the model is compact; TavrixFull(MODEL)
%                                  gives the full model to train
%     option                       an unknown or malformed option
%
%   Example
%     [codes, info, observed] = TavrixRead('data/vote.arff');
%     complete = codes(:, all(observed, 1));       % members without a missing vote
%     model = TavrixFit(TavrixInit(complete, 6, 6, 'Seed', 1), 5000, 'Seed', 1);
%
%   See also TavrixBest, TavrixScore, TavrixHoles, TavrixInit, TavrixFull.

% This file holds the help text; the function itself is the compiled MEX file.
function varargout = TavrixFit(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', ['TavrixFit has not been compiled for this host. ' ...
      'Run ./run build (Octave) or tavrix_build_matlab (MATLAB) first.']);
end
