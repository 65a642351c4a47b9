% Every pair of neighbouring units of a ROWS x COLS map, once: PAIRS is
% P x 2, unit numbers 1-based and column-major (as TavrixBest numbers
% them), the lower first. A rectangular unit has up to four neighbours
% (city-block distance 1); a hexagonal one up to six: with 0-based rows,
% odd rows are shifted right by half a unit, so unit (r, c) touches
% (r, c +- 1) and, in rows r +- 1, columns c - 1 and c (r even) or c and
% c + 1 (r odd).
function pairs = tavrix_grid_neighbours(rows, cols, hexagonal)
  [r, c] = ndgrid(0:rows - 1, 0:cols - 1);
  r = r(:);
  c = c(:);
  % Neighbours to the right and in the next row; the others are these seen
  % from the other side.
  steps = [0 1; 1 0];
  if hexagonal
    steps = [0 1; 1 0; 1 -1; 1 1];
  end
  pairs = zeros(0, 2);
  for s = 1:size(steps, 1)
    nr = r + steps(s, 1);
    nc = c + steps(s, 2);
    keep = nr < rows & nc >= 0 & nc < cols;
    if hexagonal && steps(s, 1) == 1 && steps(s, 2) ~= 0
      % Diagonal steps: to column c - 1 from even rows, to c + 1 from odd ones.
      keep = keep & (mod(r, 2) == (steps(s, 2) > 0));
    end
    pairs = [pairs; [c(keep) * rows + r(keep), nc(keep) * rows + nr(keep)] + 1]; %#ok<AGROW>
  end
  pairs = sortrows(sort(pairs, 2));
end
