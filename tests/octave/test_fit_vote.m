function test_fit_vote()
% Training on the vote data lowers its average negative log-likelihood
% against the starting model (a 4 x 4 map of independent variables).
  here = fileparts(mfilename('fullpath'));
  codes = read_vote(fullfile(here, '..', '..', 'data', 'vote.arff'));
  model = starting_model(codes, 4, 4);
  before = average_nll(model, codes);
  trained = TavrixFit(model, 3000, 'Seed', 3);
  after = average_nll(trained, codes);
  assert(after < before - 1, sprintf('average NLL %g did not fall below %g', after, before));
  assert(sum(trained.NumVictories(:)) == 3000);
  assert(size(codes, 2) == 435 && all(any(codes == 2, 2)));
end

function codes = read_vote(path)
% The 16 votes as codes 0 (y), 1 (n), 2 (?); the party column is dropped.
  text = fileread(path);
  body = text(regexp(text, '@data', 'ignorecase', 'once') + 5:end);
  lines = strsplit(strtrim(body), "\n");
  codes = zeros(16, 0);
  for l = lines
    parts = strsplit(strrep(strtrim(l{1}), '''', ''), ',');
    if numel(parts) < 17
      continue;
    end
    votes = parts(2:17);
    if any(strcmp(parts{1}, {'y', 'n', '?'}))
      votes = parts(1:16);
    end
    column = zeros(16, 1);
    column(strcmp(votes, 'n')) = 1;
    column(strcmp(votes, '?')) = 2;
    codes(:, end + 1) = column; %#ok<AGROW>
  end
end

function m = starting_model(codes, rows, cols)
  rand('seed', 1);
  D = size(codes, 1); NV = 3 * D;
  m.Marginal = cell(rows, cols); m.Intersect = cell(rows, cols);
  m.Graph = cell(rows, cols); m.Mutual = cell(rows, cols);
  for k = 1:rows * cols
    M = zeros(NV, 1);
    for i = 1:D
      p = 0.5 + rand(3, 1);
      M(3 * i - 2:3 * i) = p / sum(p);
    end
    I = M * M';
    for i = 1:D
      block = 3 * i - 2:3 * i;
      I(block, block) = diag(M(block));
    end
    G = zeros(D);
    for c = 2:D
      G(c - 1, c) = 1;
    end
    m.Marginal{k} = M; m.Intersect{k} = I; m.Graph{k} = G; m.Mutual{k} = zeros(D);
  end
  m.Pi = ones(rows, cols) / (rows * cols);
  m.NumVictories = zeros(rows, cols);
  m.Translate = reshape(1:NV, 3, D);
  m.Ranges = 3 * ones(D, 1);
  m.NumRowsMap = rows; m.NumColsMap = cols; m.Dimension = D;
  m.MaxRange = 3; m.NumValues = NV; m.RootNode = 0;
  m.Samples = codes;
end

function nll = average_nll(m, codes)
% -mean over samples of log(sum_k Pi(k) exp(loglik_k)), the tree factorisation undirected.
  n = size(codes, 2); units = numel(m.Pi); D = size(codes, 1);
  total = 0;
  for j = 1:n
    g = (0:D - 1)' * 3 + codes(:, j) + 1;
    mix = 0;
    for k = 1:units
      M = m.Marginal{k}; I = m.Intersect{k}; G = m.Graph{k};
      s = sum(log(M(g)));
      [p, c] = find(G ~= 0);
      for e = 1:numel(p)
        s = s + log(I(g(p(e)), g(c(e)))) - log(M(g(p(e)))) - log(M(g(c(e))));
      end
      mix = mix + m.Pi(k) * exp(s);
    end
    total = total + log(mix);
  end
  nll = -total / n;
end
