%TAVRIXPLOTUMATRIX U-matrix: how far apart neighbouring units are.
%   U = TavrixPlotUMatrix(MODEL) shows the (2*NumRowsMap-1) x (2*NumColsMap-1)
%   U-matrix. The distance of two units is the sum over the variables of the
%   Jensen-Shannon divergence (in bits, 0..1 per variable) of their Marginal
%   distributions of the variable. Cell (2r-1, 2c) holds the distance of
%   units (r, c) and (r, c+1), cell (2r, 2c-1) that of (r, c) and (r+1, c),
%   cell (2r, 2c) the mean of the two diagonal distances, and the unit's own
%   cell (2r-1, 2c-1) the mean distance to its grid neighbours. Light
%   regions are clusters of similar units; dark ridges separate them.
%   [U, FIG] = TavrixPlotUMatrix(...) also returns the figure handle (empty
%   when the picture went to a file).
%
%   Options
%     File::   ['']  write the picture to this PNG file (headless).
%     Title::  ['U-matrix (Jensen-Shannon divergence of the marginals, bits)']
%
%   Example
%     TavrixPlotUMatrix(model, 'File', 'out/umatrix.png');
%
%   See also TavrixPlotHits, TavrixPlotComponent.
function [u, fig] = TavrixPlotUMatrix(model, varargin)
  opts = tavrix_picture_options('TavrixPlotUMatrix', varargin, ...
      struct('File', '', 'Title', 'U-matrix (Jensen-Shannon divergence of the marginals, bits)'));
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
      if r < rows && c < cols
        u(2 * r, 2 * c) = (distance(unit(r, c), unit(r + 1, c + 1)) + ...
                           distance(unit(r + 1, c), unit(r, c + 1))) / 2;
      end
    end
  end
  for r = 1:2:2 * rows - 1
    for c = 1:2:2 * cols - 1
      around = [];
      if r > 1, around(end + 1) = u(r - 1, c); end %#ok<AGROW>
      if r < 2 * rows - 1, around(end + 1) = u(r + 1, c); end %#ok<AGROW>
      if c > 1, around(end + 1) = u(r, c - 1); end %#ok<AGROW>
      if c < 2 * cols - 1, around(end + 1) = u(r, c + 1); end %#ok<AGROW>
      if ~isempty(around)
        u(r, c) = mean(around);
      end
    end
  end
  fig = tavrix_picture(u, opts.Title, opts.File, {}, flipud(gray(256)), 2);
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
