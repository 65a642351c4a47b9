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
    for r = 1:rows
      for c = 1:cols
        lines = cellstr(cellText{r, c});   % one text per line: gnuplot cannot break lines
        for l = 1:numel(lines)
          offset = (l - (numel(lines) + 1) / 2) * 0.3;
          text(c, r + offset, lines{l}, 'HorizontalAlignment', 'center', 'FontSize', 9);
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

function write_grid_only(grid, file, colourMap)
  if ndims(grid) ~= 3
    if isempty(colourMap)
      colourMap = gray(256);
    end
    span = max(grid(:)) - min(grid(:));
    if ~(span > 0)
      span = 1;
    end
    index = 1 + round((grid - min(grid(:))) / span * (size(colourMap, 1) - 1));
    index(isnan(index)) = 1;
    grid = reshape(colourMap(index, :), [size(index) 3]);
  end
  scale = 40;
  imwrite(kron(grid, ones(scale)), file);
end
