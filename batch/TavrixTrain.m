%TAVRIXTRAIN Train a map in batch epochs on data.
%   MODEL = TavrixTrain(MODEL, DATA, EPOCHS) trains a copy of MODEL for
%   EPOCHS epochs on DATA, a Dimension x N matrix of 0-based value codes (one
%   sample a column, NaN where missing), and returns it. Each epoch is one
%   pass over all samples:
%     1. every sample goes to its best unit, the largest log(Pi) +
%        log-likelihood of its observed values (missing values summed out
%        exactly); ties go to the lowest unit;
%     2. each unit counts its samples, their values and their pairs of
%        values; a missing value is counted as a draw from its unit's
%        posterior given the sample's observed values, the draw fixed by the
%        sample's own codes (so any split of the data counts the same);
%     3. the counts are smoothed over the grid with Gaussian weights of the
%        grid distance between units, at the epoch's radius: the city-block
%        distance, or on a hexagonal map the number of hexagonal steps;
%     4. every unit's Marginal, Intersect, Pi, Mutual and Graph are rebuilt
%        from its smoothed counts plus Prior virtual samples spread evenly
%        over the values; NumVictories gets each unit's sample count.
%   The radius shrinks geometrically from Radius(1) in the first epoch to
%   Radius(2) in the last. Training is deterministic: no seed, and the same
%   model for every thread count. The input struct is never changed.
%
%   [MODEL, INFO] = TavrixTrain(...) also returns, one row per epoch:
%     INFO.Radius         the epoch's radius
%     INFO.LogLikelihood  the mean log-likelihood of the data (observed
%                         values) under the map the epoch started from
%     INFO.Changed        the share of samples whose unit differs from the
%                         epoch before (1 in the first epoch)
%
%   Options
%     Radius::  [max(NumRowsMap, NumColsMap)/2 (at least 1.5), 1.5]
%                         the first and the last epoch's radius; one number
%                         keeps the radius fixed.
%     Prior::   [average cells of a two-variable table]
%                         virtual samples added to every unit (> 0); the
%                         default gives each cell of a pair table about one.
%     Mask::    []        Dimension x N, 0 marks a missing entry (its value
%                         is never read). Without it, NaN entries are missing.
%     Lattice:: [the model's]  'rectangular' or 'hexagonal': the grid to train,
%                         kept in the result's Lattice field. Hexagonal rows
%                         are offset, odd rows (counting from 0) half a unit
%                         to the right, so each unit has six neighbours. A
%                         model without the field is rectangular.
%     Threads:: [number of cores]  threads to use, 1..1024.
%     Verbose:: [false]   print one line per epoch: the mean log-likelihood,
%                         the share of samples that changed unit, time left.
%     UseParallel:: [false]  count the samples of each epoch in blocks, in
%                         parfor over the workers of the current parallel pool
%                         (Parallel Computing Toolbox; gcp starts one as its
%                         preferences say), each block by TavrixStats with
%                         Threads threads; without the toolbox (Octave) four
%                         blocks one after another. The model and INFO are
%                         the same, bit for bit. Needs tavrix_block_statistics.m
%                         on the path (it is beside the toolbox's functions).
%
%   The model needs one global value index per (variable, code), as
%   TavrixInit makes it. TavrixTrain is TavrixStats and TavrixUpdate in a
%   loop; see those to train on data that do not fit one call, and
%   docs/scaling.md for tavrix-train, the same training over MPI ranks.
%
%   Errors (identifiers Tavrix:TavrixTrain:<reason>)
%     argumentCount, outputCount   wrong number of arguments or results, or
%                                  an option name where DATA or EPOCHS is due
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  the model is not a valid MapModel for batch
%                                  training (Dimension < 1, no units, no
%                                  Mutual or NumVictories, a Translate that
%                                  gives two values one index, a Lattice
%                                  other than 'rectangular' or 'hexagonal')
%     dataClass, dataSize          DATA or Mask of the wrong class or size;
%                                  EPOCHS not a real scalar (dataClass) or not
%                                  a whole number 0 or more (dataSize)
%     codeRange                    an observed code outside its variable's range
%     option                       an unknown or malformed option
%     parallelPass                 the 'UseParallel' loop failed (its message
%                                  says why), or tavrix_block_statistics is
%                                  not on the path
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);                       % the party held aside
%     model = TavrixInit(votes, 5, 5, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     [model, history] = TavrixTrain(model, votes, 30);
%     plot(history.LogLikelihood)
%     hexagonal = TavrixTrain(model, votes, 10, 'Lattice', 'hexagonal');
%
%   See also TavrixStats, TavrixUpdate, TavrixFit, TavrixInit, TavrixImpute.

% The help text of the compiled MEX file TavrixTrain, which takes precedence.
function varargout = TavrixTrain(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', 'TavrixTrain is not compiled for this host: run ./run build (Octave) or tavrix_build_matlab (MATLAB).');
end
