% The samples TavrixMake holds back to choose by: sample j (a column
% number) when frac(j * g) < SHARE, g the golden ratio's fractional part.
% The multiples of g spread evenly over (0, 1) (a Weyl sequence), so the
% held-back samples are about SHARE of any stretch of the data, files
% sorted by some variable included, and the rule needs no random state.
function held = tavrix_make_split(n, share)
  g = (sqrt(5) - 1) / 2;
  j = 1:n;
  held = mod(j * g, 1) < share;
end
