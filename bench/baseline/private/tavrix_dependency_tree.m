% The tree rule of TavrixTree (see its help): the maximum-weight spanning
% tree over the upper triangle of MUTUAL, grown from variable ROOTNODE (1
% when it is 0); GRAPH holds 1 at (parent, child).
function graph = tavrix_dependency_tree(mutual, rootNode)
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
