% Shared by the picture functions: draws an R x C grid of values in the
% colours of COLOURMAP with a colour bar, optional text per cell, and writes
% a PNG when a file is given. The picture's size follows the map's shape
% (picture_layout), so that a long map fills it as a square one does.
% Octave draws headless through gnuplot; where no graphics toolkit can
% print, the grid alone is written with imwrite, at the same size. The
% picture is written under a temporary name in the same folder and then
% renamed, so that a failed write leaves no partial file; the failure
% raises Tavrix:<caller>:cannotWrite.
%
% MORE holds optional fields:
%   Step      grid cells per unit on the axes (2 for a U-matrix; default 1)
%   Limits    [low high] of the colour scale (default: the grid's range)
%   BarLabel  label of the colour bar
%   Blank     R x C logical, cells painted grey (e.g. units without samples)
%   Hexagonal true to draw the units as hexagons (odd rows, 0-based,
%             shifted right by half a unit)
%   CellText  'auto' (text scaled to its cells, thinned to its first line
%             or left out where it would not fit), 'on' (all of it, as
%             small as it must be) or 'off'
function handle = tavrix_picture(caller, grid, titleText, file, cellText, colourMap, more)
  if nargin < 7
    more = struct();
  end
  more = with_defaults(more, struct('Step', 1, 'Limits', [], 'BarLabel', '', 'Blank', [], 'Hexagonal', false, ...
                                    'CellText', 'auto'));
  hidden = ~isempty(file);
  quiet = warning('off', 'Octave:gnuplot-graphics');   % the only headless toolkit
  restore = onCleanup(@() warning(quiet));
  [rows, cols] = size(grid);
  shape = grid_shape(rows, cols, more.Hexagonal);
  layout = picture_layout(shape);
  pixels = layout.Pixels;
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
  text(0.5, 1 - 24 / pixels(2), titleText, 'Interpreter', 'none', 'FontWeight', 'bold', 'FontSize', 11, ...
       'HorizontalAlignment', 'center');
  gridAxes = axes('Position', layout.Grid);
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
  if more.Hexagonal
    draw_hexagons(rgb);
  else
    image(rgb);
  end
  caxis([0 1]);   % gnuplot scales true colours by the colour limits too
  set(gca, 'XLim', shape.XLim, 'YLim', shape.YLim, 'YDir', 'reverse', 'DataAspectRatio', [1 1 1], ...
      'FontSize', 8, 'TickLength', [0 0]);
  label_axes(rows, cols, more.Step, layout.CellPixels, more.Hexagonal);
  xlabel('map column');
  ylabel('map row');
  if ~isempty(cellText) && ~strcmpi(more.CellText, 'off')
    write_cell_text(cellText, rgb, layout.CellPixels, more.CellText, more.Hexagonal);
  end
  draw_colour_bar(colourMap, limits, more.BarLabel, layout.Bar, pixels);
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

% The grid's extent in axis units, the centre of every cell, and the axis
% limits: a rectangular cell (r, c) is the unit square around (c, r); a
% hexagonal unit has its centre at x = c + (r - 1 odd) / 2, y = 1 + (r - 1)
% sqrt(3) / 2, and is one unit wide.
function shape = grid_shape(rows, cols, hexagonal)
  [r, c] = ndgrid(1:rows, 1:cols);
  if hexagonal
    radius = 1 / sqrt(3);
    shape.X = c + mod(r - 1, 2) / 2;
    shape.Y = 1 + (r - 1) * sqrt(3) / 2;
    shape.XLim = [0.5, cols + 0.5 + 0.5 * (rows > 1)];
    shape.YLim = [1 - radius, 1 + (rows - 1) * sqrt(3) / 2 + radius];
  else
    shape.X = c;
    shape.Y = r;
    shape.XLim = [0.5, cols + 0.5];
    shape.YLim = [0.5, rows + 0.5];
  end
  shape.Width = diff(shape.XLim);
  shape.Height = diff(shape.YLim);
end

% Pixels of the picture and normalised positions of the grid and the
% colour bar. The picture is 760 pixels wide (gnuplot scales its fonts with
% the width, so text keeps one size); the grid keeps the map's aspect in at
% most 538 x 560 pixels and the height follows it, so a 7 x 17 map is a
% low picture filled by its grid and a 20 x 30 one a taller one; the
% margins hold the title, the axis labels and the colour bar.
function layout = picture_layout(shape)
  margin = struct('Left', 72, 'Right', 150, 'Top', 48, 'Bottom', 72);
  width = 760;
  scale = min([(width - margin.Left - margin.Right) / shape.Width, 560 / shape.Height, 150]);
  area = round([shape.Width, shape.Height] * scale);
  left = margin.Left + floor((width - margin.Left - area(1) - margin.Right) / 2);
  height = max(margin.Top + area(2) + margin.Bottom, 300);
  bottom = floor((height - margin.Top - area(2) - margin.Bottom) / 2) + margin.Bottom;
  layout.Pixels = [width, height];
  layout.Grid = [left / width, bottom / height, area(1) / width, area(2) / height];
  layout.Bar = [(left + area(1) + 24) / width, bottom / height, 22 / width, area(2) / height];
  layout.CellPixels = scale;
end

% One hexagon per unit, coloured flat: corners at 30, 90, ... degrees, so
% that neighbours in a row share a vertical side.
function draw_hexagons(rgb)
  [rows, cols, ~] = size(rgb);
  shape = grid_shape(rows, cols, true);
  angles = (30:60:330) * pi / 180;
  radius = 1 / sqrt(3);
  x = shape.X(:) + radius * cos(angles);
  y = shape.Y(:) + radius * sin(angles);
  units = rows * cols;
  vertices = [reshape(x', [], 1), reshape(y', [], 1)];
  faces = reshape(1:6 * units, 6, units)';
  patch('Faces', faces, 'Vertices', vertices, 'FaceVertexCData', reshape(rgb, units, 3), ...
        'FaceColor', 'flat', 'EdgeColor', [1 1 1], 'LineWidth', 0.5);
end

% Tick labels 1, 1 + k, ... with k (1, 2, 5, 10, ...) large enough that
% labels do not run together at CELLPIXELS pixels per cell.
function label_axes(rows, cols, step, cellPixels, hexagonal)
  spacing = cellPixels * step;                      % pixels from one unit to the next
  columnTicks = thinned(cols, spacing, 10 + 0.6 * 8 * points_to_pixels() * numel(sprintf('%d', cols)));
  rowSpacing = spacing;
  if hexagonal
    rowSpacing = spacing * sqrt(3) / 2;
  end
  rowTicks = thinned(rows, rowSpacing, 1.3 * 8 * points_to_pixels());
  rowPlace = 1 + (rowTicks - 1) * step;
  if hexagonal
    rowPlace = 1 + (rowTicks - 1) * sqrt(3) / 2;
  end
  set(gca, 'XTick', 1 + (columnTicks - 1) * step, 'YTick', rowPlace, ...
      'XTickLabel', arrayfun(@num2str, columnTicks, 'UniformOutput', false), ...
      'YTickLabel', arrayfun(@num2str, rowTicks, 'UniformOutput', false));
end

function ticks = thinned(count, spacing, needed)
  k = 1;
  nice = [1 2 5];
  n = 0;
  while k * spacing < needed
    n = n + 1;
    k = nice(mod(n, 3) + 1) * 10 ^ floor(n / 3);
  end
  if k <= 2
    ticks = 1:k:count;
  else
    ticks = unique([1, k:k:count]);
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

function grey = blank_grey()
  grey = 0.85;
end

% The colour map from the low limit (bottom) to the high one, in an axes of
% its own at POSITION, its label beside it in a size that fits the bar's
% height.
function draw_colour_bar(colourMap, limits, label, position, pixels)
  % The label as rotated text in a full-picture axes: a label of the bar's
  % own axes keeps the axes' font size in gnuplot.
  points = min(8, floor(0.95 * position(4) * pixels(2) / (0.6 * max(numel(label), 1) * points_to_pixels())));
  axes('Position', [0 0 1 1], 'Visible', 'off', 'XLim', [0 1], 'YLim', [0 1]);
  text(position(1) + position(3) + 62 / pixels(1), position(2) + position(4) / 2, label, 'Rotation', 90, ...
       'HorizontalAlignment', 'center', 'VerticalAlignment', 'middle', 'Interpreter', 'none', ...
       'FontSize', max(points, 5));
  axes('Position', position);
  n = size(colourMap, 1);
  step = (limits(2) - limits(1)) / n;
  image(1, limits(1) + step * ((1:n) - 0.5), reshape(colourMap, [n 1 3]));
  caxis([0 1]);
  set(gca, 'YDir', 'normal', 'XTick', [], 'YAxisLocation', 'right', 'YLim', limits, 'FontSize', 8);
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
% gnuplot cannot break lines. The font follows the cell's size (at most 9
% points); under MODE 'auto' a text that would need less than 6 points
% keeps only its first line, and is left out if that does not fit either.
function write_cell_text(cellText, rgb, cellPixels, mode, hexagonal)
  [rows, cols, ~] = size(rgb);
  shape = grid_shape(rows, cols, hexagonal);
  lines = cellfun(@cellstr, cellText, 'UniformOutput', false);
  points = fitting_points(lines, cellPixels);
  if strcmpi(mode, 'auto') && points < 6
    lines = cellfun(@(l) l(1:min(1, end)), lines, 'UniformOutput', false);
    points = fitting_points(lines, cellPixels);
    if points < 6
      return;
    end
  end
  points = max(points, 4);
  lineHeight = points * points_to_pixels() * 1.1 / cellPixels;   % in cells
  light = 0.30 * rgb(:, :, 1) + 0.59 * rgb(:, :, 2) + 0.11 * rgb(:, :, 3) > 0.5;
  for u = 1:rows * cols
    for l = 1:numel(lines{u})
      offset = (l - (numel(lines{u}) + 1) / 2) * lineHeight;
      text(shape.X(u), shape.Y(u) + offset, lines{u}{l}, 'HorizontalAlignment', 'center', ...
           'FontSize', points, 'Color', [1 1 1] * ~light(u));
    end
  end
end

% The largest font size (points, at most 9) at which the longest line and
% the most lines of any cell fit in 85% of a cell of CELLPIXELS pixels.
function points = fitting_points(lines, cellPixels)
  longest = max([cellfun(@(l) max([cellfun('length', l), 0]), lines(:)); 1]);
  most = max([cellfun('length', lines(:)); 1]);
  room = 0.85 * cellPixels / points_to_pixels();    % points across 85% of a cell
  points = min([9, floor(room / (0.7 * longest)), floor(room / (1.15 * most))]);
end

% Pixels a point of font takes in the printed picture: gnuplot's cairo
% terminal, 760 pixels wide, as measured on its pictures (MATLAB's are
% smaller, so what fits there fits here).
function pixels = points_to_pixels()
  pixels = 2.45;
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
