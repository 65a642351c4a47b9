%TAVRIXTREE Mutual information and dependency tree of one unit.
%   [GRAPH, MUTUAL] = TavrixTree(MODEL, K) computes, from unit K's Marginal
%   and Intersect, the mutual information of every pair of variables in bits
%   (MUTUAL, Dimension x Dimension, symmetric, zero diagonal; terms whose
%   log-ratio is not finite are left out) and the maximum-weight spanning
%   tree over it (GRAPH: 1 at (parent, child), 0 elsewhere), grown from
%   variable MODEL.RootNode, or variable 1 when RootNode is 0. This is the
%   rule TavrixFit applies to every unit after every update.
%
%   GRAPH = TavrixTree(MUTUAL, ROOTNODE) grows the tree over a given weight
%   matrix (its upper triangle is read).
%
%   Tree rule: the pairs (i, j), i < j, listed with i outer and j inner, are
%   sorted by descending weight; equal weights keep their list order and NaN
%   weights go last. Dimension - 1 times, the first pair with exactly one end
%   in the tree adds the other end as a child.
%
%   Example
%     codes = TavrixRead('data/vote.arff');
%     model = TavrixInit(codes, 3, 3, 'Seed', 2);
%     [graph, mutual] = TavrixTree(model, 5);
%
%   See also TavrixInit, TavrixFit.
function [graph, mutual] = TavrixTree(first, second)
  if nargin ~= 2
    error('Tavrix:TavrixTree:argumentCount', 'TavrixTree needs two arguments.');
  end
  if isstruct(first)
    mutual = unit_mutual_information(first, second);
    graph = dependency_tree(mutual, first.RootNode);
  else
    graph = dependency_tree(first, second);
  end
end

function mutual = unit_mutual_information(model, k)
  d = model.Dimension;
  marginal = model.Marginal{k}(:);
  % Index of every value of every variable, and which variable owns it.
  index = [];
  owner = [];
  for i = 1:d
    r = fix(model.Ranges(i));
    index = [index; fix(model.Translate(1:r, i) - 1) + 1]; %#ok<AGROW>
    owner = [owner; repmat(i, r, 1)]; %#ok<AGROW>
  end
  m = marginal(index);
  joint = model.Intersect{k}(index, index)';   % element (b, a) as training reads it
  bits = log(joint ./ (m * m')) * 1.442695040888963;
  terms = bits .* joint;
  terms(~(bits - bits == 0)) = 0;
  owners = sparse(owner, 1:numel(owner), 1, d, numel(owner));
  mutual = full(owners * terms * owners');
  mutual(logical(eye(d))) = 0;
  mutual = triu(mutual, 1) + triu(mutual, 1)';
end

function graph = dependency_tree(mutual, rootNode)
  d = size(mutual, 1);
  graph = zeros(d);
  if d < 2
    return;
  end
  [second, first] = find(triu(true(d), 1)');   % i outer, j inner
  weights = mutual(sub2ind([d d], first, second));
  [~, order] = sort(-weights);                   % stable; NaN last
  first = first(order);
  second = second(order);
  inside = false(d, 1);
  inside(max(rootNode, 1)) = true;
  for pass = 1:d - 1
    e = find(inside(first) ~= inside(second), 1);
    if isempty(e)
      break;
    end
    if inside(first(e))
      graph(first(e), second(e)) = 1;
      inside(second(e)) = true;
    else
      graph(second(e), first(e)) = 1;
      inside(first(e)) = true;
    end
  end
end
