% What a compact unit with dependency tree GRAPH keeps (see TavrixCompact):
% INTERSECT, the linear indices of the NumValues x NumValues cells of the
% diagonal and of both orientations of the block of every tree edge's two
% variables; MUTUAL, those of the Dimension x Dimension cells (p, c) and
% (c, p) of every edge. Both sorted, without repeats. An edge is any
% nonzero of GRAPH, NaN included, as training reads it.
function [intersect, mutual] = tavrix_stored_cells(model, graph)
  d = model.Dimension;
  n = model.NumValues;
  [p, c] = find(reshape(graph, d, d));
  diagonal = (1:n)' * (n + 1) - n;
  intersect = unique([diagonal; tavrix_value_pairs(model, [p; c], [c; p])]);
  mutual = unique([p + (c - 1) * d; c + (p - 1) * d]);
end
