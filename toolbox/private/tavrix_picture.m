% Shared by the picture functions: draws an R x C grid (a value matrix with a
% colour bar, or an RGB image), optional text per cell, and writes a PNG when
% a file is given. Octave draws headless through gnuplot; where no graphics
% toolkit can print, the grid alone is written with imwrite.
function handle = tavrix_picture(grid, titleText, file, cellText, colourMap, step)
  if nargin < 6
    step = 1;   % grid cells per unit: 2 for a U-matrix
  end
  hidden = ~isempty(file);
  quiet = warning('off', 'Octave:gnuplot-graphics');   % the only headless toolkit
  restore = onCleanup(@() warning(quiet));
  if hidden
    handle = figure('visible', 'off');
  else
    handle = figure();
  end
  if ndims(grid) == 3
    image(grid);
  else
    imagesc(grid);
    if ~isempty(colourMap)
      colormap(colourMap);
    end
    colorbar();
  end
  axis image;
  [rows, cols, ~] = size(grid);
  set(gca, 'XTick', 1:step:cols, 'YTick', 1:step:rows, ...
      'XTickLabel', arrayfun(@num2str, 1:numel(1:step:cols), 'UniformOutput', false), ...
      'YTickLabel', arrayfun(@num2str, 1:numel(1:step:rows), 'UniformOutput', false));
  xlabel('map column');
  ylabel('map row');
  title(titleText, 'Interpreter', 'none');
  if ~isempty(cellText)
    ink = text_colours(grid, colourMap);
    for r = 1:rows
      for c = 1:cols
        lines = cellstr(cellText{r, c});   % one text per line: gnuplot cannot break lines
        for l = 1:numel(lines)
          offset = (l - (numel(lines) + 1) / 2) * 0.3;
          text(c, r + offset, lines{l}, 'HorizontalAlignment', 'center', 'FontSize', 9, ...
               'Color', ink(r, c));
        end
      end
    end
  end
  if hidden
    try
      print(handle, file, '-dpng', '-r90');
    catch
      write_grid_only(grid, file, colourMap);
    end
    close(handle);
    handle = [];
  end
end

% White text on dark cells, black on light ones.
function ink = text_colours(grid, colourMap)
  rgb = as_rgb(grid, colourMap);
  light = 0.30 * rgb(:, :, 1) + 0.59 * rgb(:, :, 2) + 0.11 * rgb(:, :, 3) > 0.5;
  ink = @(r, c) [1 1 1] * ~light(r, c);
end

function rgb = as_rgb(grid, colourMap)
  if ndims(grid) == 3
    rgb = grid;
    return;
  end
  if isempty(colourMap)
    colourMap = colormap();
  end
  low = min(grid(:));
  span = max(grid(:)) - low;
  if ~(span > 0)
    span = 1;
  end
  index = 1 + round((grid - low) / span * (size(colourMap, 1) - 1));
  index(~isfinite(index)) = 1;
  rgb = reshape(colourMap(index, :), [size(index) 3]);
end

function write_grid_only(grid, file, colourMap)
  rgb = as_rgb(grid, colourMap);
  scale = 40;   % pixels per cell
  big = zeros(size(rgb, 1) * scale, size(rgb, 2) * scale, 3);
  for channel = 1:3
    big(:, :, channel) = kron(rgb(:, :, channel), ones(scale));
  end
  imwrite(big, file);
end
