% Shared by the picture functions: draws an R x C grid of values in the
% colours of COLOURMAP with a colour bar, optional text per cell, and writes a PNG of
% PICTURE_SIZE pixels when a file is given. Octave draws headless through
% gnuplot; where no graphics toolkit can print, the grid alone is written
% with imwrite, at the same size. The picture is written under a temporary
% name in the same folder and then renamed, so that a failed write leaves
% no partial file; the failure raises Tavrix:<caller>:cannotWrite.
%
% MORE holds optional fields:
%   Step      grid cells per unit on the axes (2 for a U-matrix; default 1)
%   Limits    [low high] of the colour scale (default: the grid's range)
%   BarLabel  label of the colour bar
%   Blank     R x C logical, cells painted grey (e.g. units without samples)
function handle = tavrix_picture(caller, grid, titleText, file, cellText, colourMap, more)
  if nargin < 7
    more = struct();
  end
  more = with_defaults(more, struct('Step', 1, 'Limits', [], 'BarLabel', '', 'Blank', []));
  hidden = ~isempty(file);
  quiet = warning('off', 'Octave:gnuplot-graphics');   % the only headless toolkit
  restore = onCleanup(@() warning(quiet));
  pixels = picture_size();
  if hidden
    handle = figure('visible', 'off');
  else
    handle = figure();
  end
  set(handle, 'Position', [100 100 pixels], 'PaperUnits', 'inches', 'PaperPosition', [0 0 pixels / 90]);
  % The title across the whole picture, and room set aside for the labels
  % and the colour bar: gnuplot otherwise places the axes so that the title
  % falls off the picture.
  axes('Position', [0 0 1 1], 'Visible', 'off', 'XLim', [0 1], 'YLim', [0 1]);
  text(0.5, 0.95, titleText, 'Interpreter', 'none', 'FontWeight', 'bold', 'FontSize', 11, ...
       'HorizontalAlignment', 'center');
  gridAxes = axes('Position', [0.12 0.16 0.62 0.72]);
  % Drawn as true colours, so that blank cells can be grey, beside a colour
  % bar of its own.
  if isempty(colourMap)
    colourMap = colormap();
  end
  limits = colour_limits(grid, more.Limits);
  rgb = as_rgb(grid, colourMap, limits);
  if ~isempty(more.Blank)
    rgb(repmat(logical(more.Blank), [1 1 3])) = blank_grey();
  end
  image(rgb);
  caxis([0 1]);   % gnuplot scales true colours by the colour limits too
  axis image;
  [rows, cols] = size(grid);
  step = more.Step;
  set(gca, 'XTick', 1:step:cols, 'YTick', 1:step:rows, ...
      'XTickLabel', arrayfun(@num2str, 1:numel(1:step:cols), 'UniformOutput', false), ...
      'YTickLabel', arrayfun(@num2str, 1:numel(1:step:rows), 'UniformOutput', false));
  xlabel('map column');
  ylabel('map row');
  if ~isempty(cellText)
    write_cell_text(cellText, rgb);
  end
  draw_colour_bar(colourMap, limits, more.BarLabel);
  axes(gridAxes);
  if hidden
    try
      write_png(caller, handle, file, pixels, rgb);
    catch err
      close(handle);
      rethrow(err);
    end
    close(handle);
    handle = [];
  end
end

function write_png(caller, handle, file, pixels, rgb)
  folder = fileparts(file);
  if isempty(folder)
    folder = '.';   % tempname would pick the system's folder
  end
  partial = [tempname(folder) '.png'];
  try
    print_png(handle, partial, pixels, rgb);
    if ~exist(partial, 'file')
      error('Tavrix:picture:noFile', 'the picture writer produced no file');
    end
    move_file(partial, file);
  catch err
    if exist(partial, 'file')
      delete(partial);
    end
    tavrix_fail(caller, 'cannotWrite', 'cannot write the picture to ''%s'': %s', file, err.message);
  end
end

function move_file(from, to)
  if exist('OCTAVE_VERSION', 'builtin')
    [status, message] = rename(from, to);
    ok = status == 0;
  else
    [ok, message] = movefile(from, to, 'f');
  end
  if ~ok
    error('Tavrix:picture:rename', 'cannot rename the finished picture into place (%s)', message);
  end
end

function pixels = picture_size()
  pixels = [700 525];
end

function grey = blank_grey()
  grey = 0.85;
end

% The colour map from the low limit (bottom) to the high one, in an axes of
% its own at the right.
function draw_colour_bar(colourMap, limits, label)
  axes('Position', [0.79 0.16 0.035 0.72]);
  n = size(colourMap, 1);
  step = (limits(2) - limits(1)) / n;
  image(1, limits(1) + step * ((1:n) - 0.5), reshape(colourMap, [n 1 3]));
  caxis([0 1]);
  set(gca, 'YDir', 'normal', 'XTick', [], 'YAxisLocation', 'right', 'YLim', limits);
  ylabel(label, 'Interpreter', 'none');
end

function more = with_defaults(more, defaults)
  names = fieldnames(defaults);
  for n = 1:numel(names)
    if ~isfield(more, names{n})
      more.(names{n}) = defaults.(names{n});
    end
  end
end

% White text on dark cells, black on light ones; one text per line, since
% gnuplot cannot break lines.
function write_cell_text(cellText, rgb)
  light = 0.30 * rgb(:, :, 1) + 0.59 * rgb(:, :, 2) + 0.11 * rgb(:, :, 3) > 0.5;
  for r = 1:size(rgb, 1)
    for c = 1:size(rgb, 2)
      lines = cellstr(cellText{r, c});
      for l = 1:numel(lines)
        offset = (l - (numel(lines) + 1) / 2) * 0.3;
        text(c, r + offset, lines{l}, 'HorizontalAlignment', 'center', 'FontSize', 9, ...
             'Color', [1 1 1] * ~light(r, c));
      end
    end
  end
end

% MATLAB and Octave with Ghostscript print PNG at the paper size; Octave's
% gnuplot without Ghostscript prints through cairo and takes the size in
% pixels.
function print_png(handle, file, pixels, rgb)
  quiet = warning('off', 'all');   % print's notes on missing converters
  restore = onCleanup(@() warning(quiet));
  if exist('OCTAVE_VERSION', 'builtin')
    area = sprintf('-S%d,%d', pixels);
    attempts = {{'-dpngcairo', area}, {'-dpng', area}};
  else
    attempts = {{'-dpng'}};
  end
  for a = 1:numel(attempts)
    try
      print(handle, file, attempts{a}{:}, '-r90');
      return;
    catch
    end
  end
  write_grid_only(rgb, file, pixels);
end

function limits = colour_limits(grid, limits)
  if isempty(limits)
    limits = [min(grid(:)) max(grid(:))];
  end
  if ~(limits(2) > limits(1))
    limits = limits(1) + [0 1];
  end
end

function rgb = as_rgb(grid, colourMap, limits)
  position = min(max((grid - limits(1)) / (limits(2) - limits(1)), 0), 1);
  index = 1 + round(position * (size(colourMap, 1) - 1));
  index(~isfinite(index)) = 1;
  rgb = reshape(colourMap(index, :), [size(index) 3]);
end

% The cells as squares centred on a white picture of the usual size.
function write_grid_only(rgb, file, pixels)
  [rows, cols, ~] = size(rgb);
  scale = floor(min(pixels(2) / rows, pixels(1) / cols));
  top = floor((pixels(2) - rows * scale) / 2);
  left = floor((pixels(1) - cols * scale) / 2);
  picture = ones(pixels(2), pixels(1), 3);
  for channel = 1:3
    picture(top + (1:rows * scale), left + (1:cols * scale), channel) = kron(rgb(:, :, channel), ones(scale));
  end
  imwrite(picture, file);
end
