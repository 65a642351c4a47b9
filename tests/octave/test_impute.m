function test_impute()
% TavrixImpute in Octave against brute-force enumeration in .m; NaN at missing
% entries; complete columns; errors; the caller's arrays stay untouched.
  for trial = 1:8
    root = mod(trial, 3) * (trial > 2);   % undirected and rooted forms
    [model, samples] = tavrix_random_model(trial, 2, 2, 5, 3, root, 12);
    mask = rand(size(samples)) > 0.45;
    mask(:, 1) = true;                    % one complete column
    mask(:, 2) = false;                   % one wholly missing column
    data = samples;
    data(~mask) = NaN;
    before = model; dataBefore = data; maskBefore = mask;
    [filled, post, logp] = TavrixImpute(model, data, mask);
    [postRef, logpRef] = brute_force(model, samples, mask);
    assert(isequal(size(filled), size(data)) && isequal(size(post), [model.NumValues, 12]));
    assert(isequal(size(logp), [12 1]));
    finite = isfinite(logpRef);
    assert(all(abs(logp(finite) - logpRef(finite)) <= 1e-12));
    assert(isequaln(logp(~finite), logpRef(~finite)));
    ok = ~isnan(postRef);
    assert(all(abs(post(ok) - postRef(ok)) <= 1e-12 * postRef(ok)));
    assert(all(isnan(post(~ok))));
    tavrix_same_bits(samples(mask), filled(mask), 'observed entries');
    assert(all(post(:, 1) == 0 | post(:, 1) == 1));
    [f2, p2, l2] = TavrixImpute(model, data, double(mask), 'Threads', 3);
    tavrix_same_bits(filled, f2, 'filled with threads');
    tavrix_same_bits(post, p2, 'post with threads');
    tavrix_same_bits(logp, l2, 'logp with threads');
    assert(isequaln(before, model) && isequaln(dataBefore, data) && isequal(maskBefore, mask));
  end

  [model, samples] = tavrix_random_model(99, 2, 2, 3, 2, 0, 4);
  mask = true(size(samples));
  tavrix_expect_error('Tavrix:TavrixImpute:argumentCount', @() TavrixImpute(model, samples));
  tavrix_expect_error('Tavrix:TavrixImpute:notModel', @() TavrixImpute(1, samples, mask));
  tavrix_expect_error('Tavrix:TavrixImpute:dataSize', @() TavrixImpute(model, samples, mask(:, 1:2)));
  tavrix_expect_error('Tavrix:TavrixImpute:dataClass', @() TavrixImpute(model, samples, 'mask'));
  tavrix_expect_error('Tavrix:TavrixImpute:codeRange', @() TavrixImpute(model, NaN(3, 4), mask));
  tavrix_expect_error('Tavrix:TavrixImpute:option', @() TavrixImpute(model, samples, mask, 'Seed', 1));
  tavrix_expect_error('Tavrix:TavrixImpute:outputCount', @() call_four(model, samples, mask));
  filled = TavrixImpute(model, NaN(3, 4), false(3, 4));
  assert(isequal(size(filled), [3 4]));
  assert(isequal(size(TavrixImpute(model, zeros(3, 0), zeros(3, 0))), [3 0]));
end

function call_four(model, samples, mask)
  [a, b, c, d] = TavrixImpute(model, samples, mask); %#ok<ASGLU>
end

% Posteriors and log-probabilities by summing every completion of every unit.
function [post, logp] = brute_force(m, x, mask)
  [D, n] = size(x);
  post = zeros(m.NumValues, n);
  logp = zeros(n, 1);
  for j = 1:n
    hidden = find(~mask(:, j))';
    counts = m.Ranges(hidden)';
    total = 0;
    joint = zeros(D, m.MaxRange);
    for k = 1:numel(m.Pi)
      if ~(m.Pi(k) > 0), continue; end
      for c = 0:prod(counts) - 1
        work = x(:, j);
        u = c;
        for h = 1:numel(hidden)
          work(hidden(h)) = mod(u, counts(h));
          u = floor(u / counts(h));
        end
        s = tavrix_reference_loglik(m, k, work);
        if s - s == 0
          p = m.Pi(k) * exp(s);
          total = total + p;
          for h = hidden
            joint(h, work(h) + 1) = joint(h, work(h) + 1) + p;
          end
        end
      end
    end
    logp(j) = log(total);
    for i = 1:D
      if mask(i, j)
        post(fix(m.Translate(fix(x(i, j)) + 1, i) - 1) + 1, j) = 1;
      else
        for v = 1:m.Ranges(i)
          post(fix(m.Translate(v, i) - 1) + 1, j) = joint(i, v) / total;
        end
      end
    end
  end
end
