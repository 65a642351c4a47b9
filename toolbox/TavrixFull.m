%TAVRIXFULL The full form of a compact model.
%   FULL = TavrixFull(MODEL) expands the compact model MODEL (see
%   TavrixCompact) into the full form, each unit's Intersect, Graph and
%   Mutual a full double matrix:
%     Intersect  NumValues x NumValues. The cells a compact unit keeps (the
%                diagonal and both orientations of the blocks of its tree
%                edges) are its own, bit for bit, and 0 where none is
%                stored. A compact model does not keep the pair tables of
%                variables off its trees, so each of their cells (a, b) is
%                filled with the product of the two values' marginals,
%                Marginal(a) * Marginal(b), as if the two variables were
%                independent; two different values of the same variable
%                get 0, as in every full model.
%     Graph      Dimension x Dimension, the same tree.
%     Mutual     Dimension x Dimension, the tree edges' mutual information
%                and 0 elsewhere.
%   Every other field is left as it is. A unit whose Intersect is already
%   full is kept as it is, so a full model comes back unchanged.
%
%   Online training (TavrixFit) refuses a compact model and trains the full
%   one, whose filled-in pair tables it reads as independence: the trees it
%   grows after its first update start from no dependence between variables
%   that a compact model did not join. TavrixCompact(TavrixFull(C)) is C.
%   The full model takes Units x NumValues^2 x 8 bytes.
%
%   Errors (identifiers Tavrix:TavrixFull:<reason>)
%     argumentCount, outputCount   not one argument, or more than one result
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                                  MODEL is not a valid model
%
%   Example
%     codes = TavrixRead('data/vote.arff');
%     compact = TavrixCompact(TavrixInit(codes, 3, 3, 'Seed', 2));
%     model = TavrixFull(compact);
%     isequal(TavrixCompact(model), compact)
%
%   See also TavrixCompact, TavrixFit, TavrixInit.
function expanded = TavrixFull(model, varargin)
  caller = 'TavrixFull';
  tavrix_check_outputs(caller, nargout, 1, 'FULL = TavrixFull(MODEL)');
  tavrix_check_count(caller, nargin, 1, 1, 'TavrixFull(MODEL)');
  tavrix_check_model(caller, model, 1, {'Translate', 'Marginal', 'Intersect', 'Graph', 'Mutual'});
  expanded = model;
  compact = find(cellfun(@issparse, model.Intersect(:)))';
  if isempty(compact)
    return;
  end
  n = model.NumValues;
  d = model.Dimension;
  same = tavrix_value_pairs(model, 1:d, 1:d);   % the cells of each variable's own values
  for k = compact
    graph = full(reshape(model.Graph{k}, d, d));
    marginal = model.Marginal{k}(:);
    table = bsxfun(@times, marginal, marginal');
    table(same) = 0;
    table(tavrix_stored_cells(model, graph)) = 0;
    [i, j, v] = find(model.Intersect{k});
    table(i + (j - 1) * n) = v;
    expanded.Intersect{k} = table;
    expanded.Graph{k} = graph;
    expanded.Mutual{k} = full(reshape(model.Mutual{k}, d, d));
  end
end
