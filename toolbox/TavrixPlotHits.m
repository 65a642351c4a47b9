%TAVRIXPLOTHITS Hit map: how many samples each unit wins.
%   HITS = TavrixPlotHits(MODEL) shows MODEL.NumVictories (the training
%   wins) over the NumRowsMap x NumColsMap grid, the count written in each
%   unit. HITS is the NumRowsMap x NumColsMap matrix shown.
%   HITS = TavrixPlotHits(MODEL, SAMPLES) counts instead the samples
%   (columns of SAMPLES, complete codes) whose best unit (TavrixBest) is
%   each unit.
%   [HITS, PURITY, FIG] = TavrixPlotHits(..., 'Classes', CLASSES) colours each
%   unit by the classes of the samples it wins (CLASSES: 1 x N codes 0..K-1,
%   e.g. a variable held out of the model): the mixture of the classes'
%   colours in their shares, white when it wins none. PURITY is the share of
%   the most frequent class per unit (NaN where none); it is written under
%   the count. FIG is the figure handle (empty when the picture went to a
%   file).
%
%   Options
%     File::        ['']  write the picture to this PNG file (headless);
%                         without it the figure opens on screen.
%     Title::       ['Hits']
%     Classes::     []    class code of every sample.
%     ClassNames::  {}    names of the classes, shown in the title.
%
%   Example
%     hits = TavrixPlotHits(model, model.Samples, 'File', 'out/hits.png');
%
%   See also TavrixBest, TavrixPlotComponent, TavrixPlotUMatrix.
function [hits, purity, fig] = TavrixPlotHits(model, varargin)
  samples = [];
  if ~isempty(varargin) && ~ischar(varargin{1})
    samples = varargin{1};
    varargin = varargin(2:end);
  end
  opts = tavrix_picture_options('TavrixPlotHits', varargin, ...
      struct('File', '', 'Title', 'Hits', 'Classes', [], 'ClassNames', {{}}));
  rows = model.NumRowsMap;
  cols = model.NumColsMap;
  if isempty(samples)
    if ~isempty(opts.Classes)
      error('Tavrix:TavrixPlotHits:argumentCount', 'Classes needs SAMPLES.');
    end
    hits = reshape(model.NumVictories, rows, cols);
    best = [];
  else
    best = TavrixBest(model, samples);
    hits = reshape(accumarray(best(best > 0), 1, [rows * cols 1]), rows, cols);
  end
  cellText = arrayfun(@(h) sprintf('%d', h), hits, 'UniformOutput', false);
  purity = NaN(rows, cols);
  if isempty(opts.Classes)
    fig = tavrix_picture(hits, opts.Title, opts.File, cellText, flipud(gray(256)) * 0.55 + 0.45);
    return;
  end
  classes = opts.Classes(:);
  if numel(classes) ~= numel(best) || any(classes < 0 | classes ~= fix(classes))
    error('Tavrix:TavrixPlotHits:dataSize', 'Classes must hold one code 0..K-1 per sample.');
  end
  k = max(classes) + 1;
  won = best > 0;
  shares = accumarray([best(won) classes(won) + 1], 1, [rows * cols k]);
  palette = [0.20 0.40 0.85; 0.85 0.25 0.20; 0.30 0.70 0.30; 0.90 0.60 0.10; 0.55 0.35 0.75];
  palette = palette(mod(0:k - 1, size(palette, 1)) + 1, :);
  totals = sum(shares, 2);
  colours = ones(rows * cols, 3);
  some = totals > 0;
  colours(some, :) = (shares(some, :) ./ totals(some)) * palette;
  purity(some) = max(shares(some, :), [], 2) ./ totals(some);
  rgb = reshape(colours, rows, cols, 3);
  for u = find(some)'
    cellText{u} = {sprintf('%d', hits(u)), sprintf('%.0f%%', 100 * purity(u))};
  end
  titleText = opts.Title;
  if ~isempty(opts.ClassNames)
    names = {'blue', 'red', 'green', 'orange', 'purple'};
    parts = cell(1, k);
    for c = 1:k
      parts{c} = sprintf('%s = %s', opts.ClassNames{c}, names{mod(c - 1, 5) + 1});
    end
    titleText = sprintf('%s (%s)', titleText, strjoin(parts, ', '));
  end
  fig = tavrix_picture(rgb, titleText, opts.File, cellText, []);
end
