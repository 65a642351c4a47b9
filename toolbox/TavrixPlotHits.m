%TAVRIXPLOTHITS Hit map: how many samples each unit wins.
%   HITS = TavrixPlotHits(MODEL) shows MODEL.NumVictories (the training
%   wins) over the NumRowsMap x NumColsMap grid, the count written in each
%   unit. HITS is the NumRowsMap x NumColsMap matrix shown.
%   HITS = TavrixPlotHits(MODEL, SAMPLES) counts instead the samples
%   (columns of SAMPLES) whose best unit (TavrixBest) is each unit. A
%   missing entry (NaN, or 0 in the Mask option) means the value is
%   unknown: it is summed out when the best unit is found.
%   [HITS, PURITY, FIG] = TavrixPlotHits(..., 'Classes', CLASSES) also
%   colours each unit by the share of one class among the samples it wins
%   (CLASSES: 1 x N codes 0..K-1, e.g. a variable held out of the model;
%   the class is the ShareOf option, by default class 0), and writes that
%   share under the count. The title and the colour bar name the class.
%   With two classes the colours run from the other class's colour (0%)
%   through white (50%) to the class's own (100%); with more, from white
%   to the class's colour. The colours darken further towards both ends, so
%   that shares such as 55% and 85% look clearly different. Units that win
%   no sample are grey. PURITY is the share of the most frequent class per
%   unit (NaN where none). FIG is the figure handle (empty when the picture
%   went to a file). TavrixLabelUnits returns every class's share.
%
%   Pictures are 760 pixels wide; their height follows the map's shape,
%   so the grid fills the picture whatever its size. A model whose field
%   Lattice is 'hexagonal' is drawn with hexagonal units (odd rows, counted
%   from 0, shifted right by half a unit).
%
%   Options
%     File::        ['']  write the picture to this PNG file (headless);
%                         without it the figure opens on screen.
%     Title::       ['Hits']
%     Classes::     []    class code of every sample.
%     ClassNames::  {}    names of the classes (default 'class 0', ...).
%     ShareOf::     [0]   the class whose share is shown: a code or a name.
%     Mask::        []    Dimension x N, 0 where SAMPLES is missing.
%     CellText::    ['auto']  the text in the cells: 'auto' scales it to
%                         the cells, keeps only its first line, or leaves
%                         it out where it would not fit; 'on' writes all
%                         of it, as small as need be; 'off' none.
%
%   Errors (identifiers Tavrix:TavrixPlotHits:<reason>)
%     argumentCount  no MODEL, or Classes without SAMPLES
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                    MODEL is not a valid model
%     dataClass, codeRange  SAMPLES not a numeric matrix of codes
%     dataSize       Classes does not hold one code per sample
%     codeRange      Classes holds codes 1..K (no class 0: pass CLASSES - 1)
%                    or a code beyond ClassNames
%     outputCount    more than three outputs asked for
%     option         an unknown or malformed option
%     cannotWrite    File cannot be written (not .png, no such folder, no
%                    permission); checked before drawing, and no partial
%                    file is left behind
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     TavrixPlotHits(model, votes, 'Classes', codes(17, :), ...
%                    'ClassNames', info.Labels{17}, 'File', fullfile(tempdir, 'hits.png'));
%
%   See also TavrixBest, TavrixLabelUnits, TavrixQuality, TavrixPlotComponent,
%   TavrixPlotUMatrix.
function [hits, purity, fig, varargout] = TavrixPlotHits(model, varargin)
  caller = 'TavrixPlotHits';
  tavrix_check_outputs(caller, nargout, 3, '[HITS, PURITY, FIG] = TavrixPlotHits(MODEL, SAMPLES, options...)');
  tavrix_check_count(caller, nargin, 1, Inf, ...
                     'TavrixPlotHits(MODEL, options...) or TavrixPlotHits(MODEL, SAMPLES, options...)');
  samples = [];
  if ~isempty(varargin) && ~ischar(varargin{1})
    samples = varargin{1};
    varargin = varargin(2:end);
  end
  first = nargin - numel(varargin) + 1;   % the position of the first option
  opts = tavrix_picture_options(caller, varargin, ...
      struct('File', '', 'Title', 'Hits', 'Classes', [], 'ClassNames', {{}}, 'ShareOf', 0, 'CellText', 'auto', ...
             'Mask', []), first);
  check_class_options(caller, opts);
  if isempty(samples) && ~isempty(opts.Classes)
    tavrix_fail(caller, 'argumentCount', ['option ''Classes'' needs SAMPLES: call ' ...
                'TavrixPlotHits(MODEL, SAMPLES, ''Classes'', CLASSES).']);
  end
  needs = {};   % TavrixBest checks the rest of the model
  if isempty(samples)
    needs = {'NumVictories'};
  end
  tavrix_check_model(caller, model, 1, needs);
  look = struct('Hexagonal', tavrix_hexagonal(caller, model), 'CellText', opts.CellText);
  rows = model.NumRowsMap;
  cols = model.NumColsMap;
  if isempty(samples)
    hits = reshape(model.NumVictories, rows, cols);
    best = [];
  else
    best = tavrix_best_units(caller, model, samples, 'SAMPLES', opts.Mask);
    hits = reshape(accumarray(best(best > 0), 1, [rows * cols 1]), rows, cols);
  end
  cellText = arrayfun(@(h) sprintf('%d', h), hits, 'UniformOutput', false);
  purity = NaN(rows, cols);
  if isempty(opts.Classes)
    look.BarLabel = 'samples';
    fig = tavrix_picture(caller, hits, opts.Title, opts.File, cellText, flipud(gray(256)) * 0.55 + 0.45, look);
    return;
  end
  classes = double(opts.Classes(:));
  if numel(classes) ~= numel(best) || any(classes < 0 | classes ~= fix(classes) | isinf(classes))
    tavrix_fail(caller, 'dataSize', 'option ''Classes'' must hold one code 0..K-1 per sample (%d); found %s.', ...
                numel(best), tavrix_describe(opts.Classes));
  end
  given = [];
  if ~isempty(opts.ClassNames)
    given = numel(opts.ClassNames);
  end
  k = max(tavrix_check_classes(caller, classes, given, '''ClassNames'''), 2);
  names = opts.ClassNames;
  for c = numel(names) + 1:k
    names{c} = sprintf('class %d', c - 1);
  end
  shown = class_code(opts.ShareOf, names);
  won = best > 0;
  counts = accumarray([best(won) classes(won) + 1], 1, [rows * cols k]);
  totals = sum(counts, 2);
  some = totals > 0;
  purity(some) = max(counts(some, :), [], 2) ./ totals(some);
  share = NaN(rows, cols);
  share(some) = 100 * counts(some, shown + 1) ./ totals(some);
  for u = find(some)'
    cellText{u} = {sprintf('%d', hits(u)), sprintf('%.0f%%', share(u))};
  end
  palette = [0.10 0.30 0.80; 0.80 0.15 0.10; 0.15 0.55 0.20; 0.85 0.50 0.05; 0.50 0.25 0.70];
  colour = palette(mod(shown, size(palette, 1)) + 1, :);
  barLabel = sprintf('%% %s', names{shown + 1});
  if k == 2
    % Two classes: the other class's colour at 0%, white at 50%.
    other = palette(mod(1 - shown, size(palette, 1)) + 1, :);
    colourMap = [ramp(other, 128); flipud(ramp(colour, 128))];
    barLabel = sprintf('%s (0 = all %s)', barLabel, names{2 - shown});
  else
    colourMap = flipud(ramp(colour, 256));
  end
  titleText = sprintf('%s (%% %s)', opts.Title, names{shown + 1});
  look.Limits = [0 100];
  look.BarLabel = barLabel;
  look.Blank = ~some;
  fig = tavrix_picture(caller, share, titleText, opts.File, cellText, colourMap, look);
end

% N colours from COLOUR darkened, through COLOUR, to white: the lightness
% changes all along, so near shares still look different.
function map = ramp(colour, n)
  dark = colour * 0.45;
  t = linspace(0, 1, n)';
  half = t < 0.5;
  map = zeros(n, 3);
  map(half, :) = dark + (2 * t(half)) * (colour - dark);
  map(~half, :) = colour + (2 * t(~half) - 1) * ([1 1 1] - colour);
end

function code = class_code(shareOf, names)
  code = shareOf;
  if ischar(shareOf)
    code = find(strcmp(names, shareOf), 1) - 1;
  end
  if ~isscalar(code) || ~isnumeric(code) || code < 0 || code >= numel(names) || code ~= fix(code)
    tavrix_fail('TavrixPlotHits', 'option', ['option ''ShareOf'' must be a class code 0..%d or a class name; ' ...
                'found %s.'], ...
                numel(names) - 1, tavrix_describe(shareOf));
  end
end

function check_class_options(caller, opts)
  if ~(isnumeric(opts.Classes) || islogical(opts.Classes)) || ~isreal(opts.Classes)
    tavrix_fail(caller, 'option', 'option ''Classes'' must be numeric class codes 0..K-1; found %s.', ...
                tavrix_describe(opts.Classes));
  end
  if ~iscellstr(opts.ClassNames)
    tavrix_fail(caller, 'option', 'option ''ClassNames'' must be a cell array of text names; found %s.', ...
                tavrix_describe(opts.ClassNames));
  end
end
