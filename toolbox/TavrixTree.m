%TAVRIXTREE Mutual information and dependency tree of one unit.
%   [GRAPH, MUTUAL] = TavrixTree(MODEL, K) computes, from unit K's Marginal
%   and Intersect, the mutual information of every pair of variables in bits
%   (MUTUAL, Dimension x Dimension, symmetric, zero diagonal; terms whose
%   log-ratio is not finite are left out) and the maximum-weight spanning
%   tree over it (GRAPH: 1 at (parent, child), 0 elsewhere), grown from
%   variable MODEL.RootNode, or variable 1 when RootNode is 0. This is the
%   rule TavrixFit applies to every unit after every update.
%
%   A unit of a compact model (sparse Intersect, see TavrixCompact) keeps
%   the pair tables of its own tree edges only, so its tree is not grown
%   again: GRAPH is the unit's Graph and MUTUAL its Mutual, the mutual
%   information of its tree edges at (p, c) and (c, p) and 0 elsewhere,
%   both as full matrices.
%
%   GRAPH = TavrixTree(MUTUAL, ROOTNODE) grows the tree over a given weight
%   matrix (its upper triangle is read).
%
%   Tree rule: the pairs (i, j), i < j, listed with i outer and j inner, are
%   sorted by descending weight; equal weights keep their list order and NaN
%   weights go last. Dimension - 1 times, the first pair with exactly one end
%   in the tree adds the other end as a child.
%
%   Errors (identifiers Tavrix:TavrixTree:<reason>)
%     argumentCount   not two arguments
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                     MODEL is not a valid model
%     argumentValue   K is not a unit of the map, or ROOTNODE not 0 or a
%                     variable of MUTUAL
%     dataClass, dataSize  MUTUAL is not a real square matrix
%
%   Example
%     codes = TavrixRead('data/vote.arff');
%     model = TavrixInit(codes, 3, 3, 'Seed', 2);
%     [graph, mutual] = TavrixTree(model, 5);
%
%   See also TavrixInit, TavrixTrain, TavrixFit, TavrixCompact.
function [graph, mutual, varargout] = TavrixTree(first, second, varargin)
  tavrix_check_outputs('TavrixTree', nargout, 2, '[GRAPH, MUTUAL] = TavrixTree(MODEL, K)');
  caller = 'TavrixTree';
  tavrix_check_count(caller, nargin, 2, 2, 'TavrixTree(MODEL, K) or TavrixTree(MUTUAL, ROOTNODE)');
  if isstruct(first)
    tavrix_check_model(caller, first, 1, {'Translate', 'RootNode'});
    units = first.NumRowsMap * first.NumColsMap;
    check_index(second, 1, units, 'K', sprintf('a unit 1..NumRowsMap x NumColsMap = %d', units));
    tavrix_check_model(caller, first, 1, {'Marginal', 'Intersect'}, second);   % unit K's tables only
    if issparse(first.Intersect{second})
      tavrix_check_model(caller, first, 1, {'Graph', 'Mutual'}, second);
    end
    [graph, mutual] = tavrix_unit_tree(first, second);
  else
    if ~isnumeric(first) || ~isreal(first) || issparse(first) || ndims(first) ~= 2
      tavrix_fail(caller, 'dataClass', ['argument 1 must be a MODEL struct or a real Dimension x Dimension ' ...
                  'matrix MUTUAL; found %s.'], tavrix_describe(first));
    end
    if size(first, 1) ~= size(first, 2)
      tavrix_fail(caller, 'dataSize', 'MUTUAL must be a square matrix; found %s.', tavrix_describe(first));
    end
    check_index(second, 0, size(first, 1), 'ROOTNODE', sprintf('0 or a variable 1..%d', size(first, 1)));
    graph = tavrix_dependency_tree(first, second);
  end
end

function check_index(value, low, high, name, expected)
  if ~isnumeric(value) || ~isreal(value) || ~isscalar(value) || value ~= fix(value) || value < low || value > high
    tavrix_fail('TavrixTree', 'argumentValue', '%s must be %s; found %s.', name, expected, tavrix_describe(value));
  end
end
