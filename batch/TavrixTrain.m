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
%        under soft assignment (see 'Assignment') every sample is counted in
%        every unit, weighted by its posterior over the units;
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
%   Held-out selection. By default a share of the samples (HeldOut, 0.1) is
%   held back from the counts: sample j (1-based column) is held back when
%   splitmix64(j - 1) < floor(HeldOut * 2^64), so the same samples are held
%   back however the data are split (UseParallel, tavrix-train's ranks).
%   The model after every update is scored by the mean log-likelihood of
%   the held-back samples' observed values (missing ones summed out); the
%   best of them (ties: the earlier) then gets one last epoch on every
%   sample, held-back ones included, at its epoch's radius, and that is
%   MODEL. The first model is scored too (INFO) but competes only against
%   validation samples: TavrixInit builds its units from every sample it is
%   given, so it scores held-back ones too well. With 'Validation', V the
%   columns of V are scored instead, every sample is counted, the first model
%   competes, and MODEL is the best model itself: never one that scores worse
%   on V than the model training started from. 'HeldOut', 0 without
%   'Validation' trains without selection and returns the last model. Nothing
%   is held back where the share would leave no sample to count or none to
%   score. See docs/batch.md for the measurements behind the defaults.
%
%   [MODEL, INFO] = TavrixTrain(...) also returns, one row per epoch:
%     INFO.Radius         the epoch's radius
%     INFO.LogLikelihood  the mean log-likelihood of the counted samples
%                         (observed values) under the map the epoch started from
%     INFO.Changed        the share of counted samples whose unit differs from
%                         the epoch before (1 in the first epoch)
%     INFO.HeldOutLogLikelihood  the mean log-likelihood of the scored samples
%                         under the map after the epoch's update (NaN
%                         without selection), summed in column order
%   and
%     INFO.StartHeldOutLogLikelihood  the first model's (NaN without selection)
%     INFO.ChosenEpoch    the epoch chosen, 0 for the first model (EPOCHS
%                         without selection)
%
%   Options
%     Radius::  [max(NumRowsMap, NumColsMap)/2 (at least 1.5), 0.3]
%                         the first and the last epoch's radius; one number
%                         keeps the radius fixed.
%     Prior::   [average cells of a two-variable table, at most twice the
%               average range and at most the counted samples per unit
%               (at least 1)]
%                         virtual samples added to every unit (> 0).
%     HeldOut:: [0.1]     the share of the samples held back, 0 <= H < 1.
%     Validation:: []     Dimension x M codes (NaN missing) to score instead
%                         of held-back samples; not with a HeldOut above 0.
%     Assignment:: ['hard-then-soft' when Radius(2) < 0.5, else 'hard']
%                         'hard': each sample counts 1 in its best unit.
%                         'soft': a sample's weight in unit k is its
%                         posterior P(k | observed values), rounded to whole
%                         multiples of 2^-16 that sum to exactly 1 (units
%                         under 2^-17 get none), its missing values drawn
%                         from each unit's own posterior; the counts stay
%                         exact (up to 2^37 samples). 'hard-then-soft': hard
%                         for the first floor(EPOCHS/2) epochs, then soft.
%                         Soft assignment smooths the map more: it scores
%                         better on held-out data only at a small final
%                         radius (docs/batch.md).
%     Mask::    []        Dimension x N, 0 marks a missing entry (its value
%                         is never read). Without it, NaN entries are missing.
%     Lattice:: [the model's]  'rectangular' or 'hexagonal': the grid to train,
%                         kept in the result's Lattice field. Hexagonal rows
%                         are offset, odd rows (counting from 0) half a unit
%                         to the right, so each unit has six neighbours. A
%                         model without the field is rectangular.
%     Threads:: [number of cores]  threads to use, 1..1024.
%     Verbose:: [false]   print one line per epoch: the mean log-likelihood,
%                         the share of samples that changed unit, the held-out
%                         score, time left; then the epoch chosen.
%     UseParallel:: [false]  count the samples of each epoch in blocks, in
%                         parfor over the workers of the current parallel pool
%                         (Parallel Computing Toolbox; gcp starts one as its
%                         preferences say), each block by TavrixStats with
%                         Threads threads; without the toolbox (Octave) four
%                         blocks one after another. The model and INFO are
%                         the same, bit for bit. Needs tavrix_block_statistics.m
%                         on the path (it is beside the toolbox's functions).
%     OutputFcn:: []      a function handle F called after every epoch as
%                         STOP = F(REPORT), REPORT a struct of the epoch's
%                         Epoch, Epochs, Radius, LogLikelihood, Changed and
%                         HeldOutLogLikelihood; F of two arguments (nargin(F)
%                         >= 2, or varargin) is called as F(REPORT, MODEL)
%                         with the model after the epoch. STOP true ends the
%                         training there: MODEL is made from the epochs run
%                         as from a whole run (with held-out selection, from
%                         the best of them) and INFO holds those epochs.
%     Checkpoint:: []     a file to save the run to, as the variable
%                         'checkpoint' of a MAT file: the model, the epoch
%                         reached, the radius schedule, held-out selection's
%                         state, and fingerprints of the data and the first
%                         model. Written to a temporary file beside it and
%                         renamed, so the file only ever holds a whole
%                         checkpoint; tavrix-train reads and writes the same.
%     CheckpointEvery:: [1]  epochs between checkpoints; the last epoch, and
%                         the one an OutputFcn stops at, are saved too.
%     Resume:: []         a checkpoint file to carry on from: the same DATA,
%                         first MODEL, EPOCHS and options as the run that saved
%                         it (they are checked), giving the model and INFO of
%                         the run not stopped, bit for bit (INFO.Changed of
%                         the first resumed epoch aside, which is 1).
%     Compact:: []        true trains a compact model (docs/compact.md): only
%                         what each unit's tree needs is kept, as sparse
%                         cells, and no NumValues x NumValues array is made;
%                         the kept cells are those of training the full model,
%                         bit for bit. false trains a full model (a compact
%                         MODEL is refused: TavrixFull expands it). By
%                         default compact for a compact MODEL and where the
%                         full Intersect cells would pass 512 MiB. Compact
%                         training takes none of UseParallel, OutputFcn,
%                         Checkpoint and Resume.
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
%     checkpoint                   the 'Resume' file is missing, damaged, not a
%                                  checkpoint, or of other data, another first
%                                  model or other options; or the 'Checkpoint'
%                                  file cannot be written (the message names it)
%     outputFcn                    the 'OutputFcn' raised an error or returned
%                                  something other than a logical scalar
%     compact                      'Compact' false for a compact MODEL
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);                       % the party held aside
%     model = TavrixInit(votes, 5, 5, 'Seed', 1, 'Ranges', info.Ranges(1:16));
%     [model, history] = TavrixTrain(model, votes, 30);
%     hexagonal = TavrixTrain(model, votes, 10, 'Lattice', 'hexagonal');
%
%   See also TavrixStats, TavrixUpdate, TavrixFit, TavrixInit, TavrixImpute.

% The help text of the compiled MEX file TavrixTrain, which takes precedence.
function varargout = TavrixTrain(varargin) %#ok<STOUT>
error('Tavrix:notBuilt', 'TavrixTrain is not compiled for this host: run ./run build (Octave) or tavrix_build_matlab (MATLAB).');
end
