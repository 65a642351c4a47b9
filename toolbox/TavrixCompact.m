%TAVRIXCOMPACT The compact form of a model: only the tables its units read.
%   COMPACT = TavrixCompact(MODEL) returns MODEL with each unit's Intersect,
%   Graph and Mutual as sparse doubles that keep only what a trained map is
%   read by (TavrixBest, TavrixScore, TavrixHoles, TavrixImpute, ...):
%     Intersect  NumValues x NumValues: the diagonal, and for every edge
%                (p, c) of the unit's dependency tree (Graph(p, c) nonzero,
%                NaN included) the whole block of the two variables' values
%                in both orientations, rows of p's values by columns of c's
%                and rows of c's values by columns of p's;
%     Graph      Dimension x Dimension, the same nonzeros;
%     Mutual     Dimension x Dimension, the mutual information of the tree
%                edges only, at (p, c) and at (c, p).
%   Every kept value is the model's own, bit for bit; zeros are not stored,
%   so reading any cell of a kept block gives the value MODEL has there.
%   The pair tables of variables that are not joined by an edge are dropped:
%   a unit of D variables with R values each keeps about 2 D R^2 cells
%   instead of (D R)^2. Every other field is left as it is.
%
%   A unit whose Intersect is already sparse is kept as it is, so a compact
%   model comes back unchanged. TavrixFull turns a compact model back into
%   a full one; TavrixInit and TavrixTrain make compact models themselves
%   with their option 'Compact' (docs/compact.md).
%
%   Errors (identifiers Tavrix:TavrixCompact:<reason>)
%     argumentCount, outputCount   not one argument, or more than one result
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  MODEL is not a valid model
%
%   Example
%     codes = TavrixRead('data/vote.arff');
%     model = TavrixInit(codes, 3, 3, 'Seed', 2);
%     compact = TavrixCompact(model);
%     [nnz(compact.Intersect{1}) numel(model.Intersect{1})]   % cells kept of all
%     isequal(TavrixTree(compact, 1), TavrixTree(model, 1))
%
%   See also TavrixFull, TavrixInit, TavrixTrain, TavrixTree.
function compact = TavrixCompact(model, varargin)
  caller = 'TavrixCompact';
  tavrix_check_outputs(caller, nargout, 1, 'COMPACT = TavrixCompact(MODEL)');
  tavrix_check_count(caller, nargin, 1, 1, 'TavrixCompact(MODEL)');
  tavrix_check_model(caller, model, 1, {'Translate', 'Marginal', 'Intersect', 'Graph', 'Mutual'});
  compact = model;
  n = model.NumValues;
  d = model.Dimension;
  for k = find(~cellfun(@issparse, model.Intersect(:)))'
    graph = reshape(model.Graph{k}, d, d);
    [cells, edges] = tavrix_stored_cells(model, graph);
    compact.Intersect{k} = kept(model.Intersect{k}(cells), cells, n);
    compact.Graph{k} = sparse(graph);
    compact.Mutual{k} = kept(model.Mutual{k}(edges), edges, d);
  end
end

% The SIDE x SIDE sparse matrix of VALUES at the linear indices CELLS.
function table = kept(values, cells, side)
  values = values(:);
  nonzero = values ~= 0;
  [i, j] = ind2sub([side side], cells(nonzero));
  table = sparse(i, j, values(nonzero), side, side);
end
