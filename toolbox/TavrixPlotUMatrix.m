%TAVRIXPLOTUMATRIX U-matrix: how far apart neighbouring units are.
%   U = TavrixPlotUMatrix(MODEL) shows the (2*NumRowsMap-1) x (2*NumColsMap-1)
%   U-matrix. The distance of two units is the sum over the variables of the
%   Jensen-Shannon divergence (in bits, 0..1 per variable) of their Marginal
%   distributions of the variable. Cell (2r-1, 2c) holds the distance of
%   units (r, c) and (r, c+1), cell (2r, 2c-1) that of (r, c) and (r+1, c).
%   The corner cell (2r, 2c) between four units is the mean of the four
%   distances beside it (not of the diagonal distances, which are larger
%   and would draw a checkerboard), and the unit's own cell (2r-1, 2c-1)
%   the mean distance to its grid neighbours. Light regions are clusters
%   of similar units; dark ridges separate them.
%   On a hexagonal map (model field Lattice 'hexagonal') U is instead
%   NumRowsMap x NumColsMap: each unit's mean distance to its (up to six)
%   hexagonal neighbours, drawn as hexagons.
%   [U, FIG] = TavrixPlotUMatrix(...) also returns the figure handle (empty
%   when the picture went to a file).
%
%   Options
%     File::   ['']  write the picture to this PNG file (headless).
%     Title::  ['U-matrix']  (the colour bar names the distance)
%
%   Pictures are 760 pixels wide; their height follows the map's shape,
%   so the grid fills the picture whatever its size. A model whose field
%   Lattice is 'hexagonal' is drawn with hexagonal units (odd rows, counted
%   from 0, shifted right by half a unit).
%
%   Errors (identifiers Tavrix:TavrixPlotUMatrix:<reason>)
%     argumentCount  no MODEL
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                    MODEL is not a valid model
%     option         an unknown or malformed option
%     outputCount    more than two outputs asked for
%     cannotWrite    File cannot be written (not .png, no such folder, no
%                    permission); checked before drawing, and no partial
%                    file is left behind
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     TavrixPlotUMatrix(model, 'File', fullfile(tempdir, 'umatrix.png'));
%
%   See also TavrixPlotHits, TavrixPlotComponent.
function [u, fig, varargout] = TavrixPlotUMatrix(model, varargin)
  caller = 'TavrixPlotUMatrix';
  tavrix_check_outputs(caller, nargout, 2, '[U, FIG] = TavrixPlotUMatrix(MODEL, options...)');
  tavrix_check_count(caller, nargin, 1, Inf, 'TavrixPlotUMatrix(MODEL, options...)');
  tavrix_check_model(caller, model, 1, {'Marginal', 'Translate'});
  opts = tavrix_picture_options(caller, varargin, struct('File', '', 'Title', 'U-matrix'), 2);
  rows = model.NumRowsMap;
  cols = model.NumColsMap;
  index = [];
  for i = 1:model.Dimension
    index = [index; fix(model.Translate(1:fix(model.Ranges(i)), i) - 1) + 1]; %#ok<AGROW>
  end
  marginals = zeros(numel(index), rows * cols);
  for k = 1:rows * cols
    marginals(:, k) = model.Marginal{k}(index);
  end
  distance = @(a, b) js_divergence(marginals(:, a), marginals(:, b));
  if tavrix_hexagonal(caller, model)
    % Each unit's mean distance to its (up to six) hexagonal neighbours.
    pairs = tavrix_grid_neighbours(rows, cols, true);
    d = arrayfun(@(p) distance(pairs(p, 1), pairs(p, 2)), 1:size(pairs, 1))';
    total = accumarray(pairs(:), [d; d], [rows * cols, 1]);
    count = accumarray(pairs(:), 1, [rows * cols, 1]);
    u = reshape(total ./ max(count, 1), rows, cols);
    fig = tavrix_picture(caller, u, opts.Title, opts.File, {}, flipud(gray(256)), ...
                         struct('BarLabel', 'mean distance to neighbours (Jensen-Shannon, bits)', 'Hexagonal', true));
    return;
  end
  u = zeros(2 * rows - 1, 2 * cols - 1);
  unit = @(r, c) (c - 1) * rows + r;
  for r = 1:rows
    for c = 1:cols
      if c < cols
        u(2 * r - 1, 2 * c) = distance(unit(r, c), unit(r, c + 1));
      end
      if r < rows
        u(2 * r, 2 * c - 1) = distance(unit(r, c), unit(r + 1, c));
      end
    end
  end
  % A unit's cell and a corner between four units take the mean of the
  % distances in the cells beside them.
  for r = 1:2 * rows - 1
    for c = 2 - mod(r, 2):2:2 * cols - 1
      u(r, c) = mean_beside(u, r, c);
    end
  end
  fig = tavrix_picture(caller, u, opts.Title, opts.File, {}, flipud(gray(256)), ...
                       struct('Step', 2, 'BarLabel', 'distance (Jensen-Shannon, bits)'));
end

function m = mean_beside(u, r, c)
  around = [];
  if r > 1, around(end + 1) = u(r - 1, c); end %#ok<AGROW>
  if r < size(u, 1), around(end + 1) = u(r + 1, c); end %#ok<AGROW>
  if c > 1, around(end + 1) = u(r, c - 1); end %#ok<AGROW>
  if c < size(u, 2), around(end + 1) = u(r, c + 1); end %#ok<AGROW>
  m = 0;
  if ~isempty(around)
    m = mean(around);
  end
end

% Summed over all values at once: each variable's values sum to 1 in both
% units, so this is the sum of the per-variable divergences. Zero
% probabilities add nothing (0 log 0 = 0), so the divergence stays finite.
function d = js_divergence(p, q)
  m = (p + q) / 2;
  d = max(sum(plogratio(p, m) + plogratio(q, m)) / 2, 0);
end

function t = plogratio(p, m)
  t = zeros(size(p));
  some = p > 0;
  t(some) = p(some) .* log2(p(some) ./ m(some));
end
