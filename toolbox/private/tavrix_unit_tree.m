% TavrixTree(MODEL, K) without the argument checks: unit K's mutual
% information in bits and its dependency tree, grown from RootNode (see
% TavrixTree). A compact unit (sparse Intersect) keeps the pair tables of
% its tree edges only, too few to grow a tree from, so its own Graph and
% Mutual come back, as full matrices.
function [graph, mutual] = tavrix_unit_tree(model, k)
  if issparse(model.Intersect{k})
    d = model.Dimension;
    graph = full(reshape(model.Graph{k}, d, d));
    mutual = full(reshape(model.Mutual{k}, d, d));
    return;
  end
  mutual = unit_mutual_information(model, k);
  graph = tavrix_dependency_tree(mutual, model.RootNode);
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
