function s = tavrix_reference_loglik(m, k, x)
% The log-likelihood of complete sample x under unit k, term by term in the
% order the system adds them: the literal reference of the host tests.
  M = m.Marginal{k}; I = m.Intersect{k}; G = m.Graph{k};
  D = m.Dimension;
  a = zeros(D, 1);
  for i = 1:D
    a(i) = fix(m.Translate(fix(x(i)) + 1, i) - 1) + 1;
  end
  s = 0;
  for i = 1:D
    if m.RootNode == 0 || i == m.RootNode
      s = s + log(M(a(i)));
    end
    for j = i + 1:D
      if m.RootNode == 0
        if G(i, j) ~= 0 || G(j, i) ~= 0
          s = s + ((log(I(a(i), a(j))) - log(M(a(i)))) - log(M(a(j))));
        end
      else
        if G(i, j) ~= 0
          s = s + (log(I(a(i), a(j))) - log(M(a(i))));
        end
        if G(j, i) ~= 0
          s = s + (log(I(a(i), a(j))) - log(M(a(j))));
        end
      end
    end
  end
end
