% The cells of a NumValues x NumValues table that pair every value of
% variable P(e) (the row) with every value of variable C(e) (the column),
% for each e, as linear indices: a column, pair after pair, each pair's
% cells column by column. A value's index is Translate(code + 1, i) and a
% variable's count of values Ranges(i), both truncated as the MEX functions
% read them.
function cells = tavrix_value_pairs(model, p, c)
  d = model.Dimension;
  counts = fix(model.Ranges(:));
  translate = reshape(model.Translate, model.MaxRange, d);
  used = bsxfun(@le, (1:model.MaxRange)', counts');
  values = fix(translate(used) - 1) + 1;       % variable after variable
  first = cumsum([0; counts(1:end - 1)]);      % where each variable's values start
  p = p(:);
  c = c(:);
  a = counts(p);
  b = counts(c);
  s = a .* b;
  keep = s > 0;
  p = p(keep); c = c(keep); a = a(keep); s = s(keep);
  total = sum(s);
  start = cumsum(s) - s;
  e = zeros(total, 1);
  e(start + 1) = 1;
  e = cumsum(e);                               % the pair of each cell
  t = (0:total - 1)' - start(e);
  row = values(first(p(e)) + mod(t, a(e)) + 1);
  col = values(first(c(e)) + floor(t ./ a(e)) + 1);
  cells = row + (col - 1) * model.NumValues;
end
