function test_score()
% TavrixScore in Octave against an independent .m transcription, bit for bit;
% finite scores with hundreds of variables; errors for malformed input; the
% caller's arrays stay untouched.
  for trial = 1:10
    root = mod(trial, 3) * (trial > 3);   % 0 (undirected) and rooted forms
    [model, samples] = tavrix_random_model(100 + trial, 2, 3, 5, 3, root, 15);
    [averageRef, logsRef] = reference_score(model, samples);
    before = model;
    samplesBefore = samples;
    average = TavrixScore(model, samples);
    [average2, logs] = TavrixScore(model, samples, 'Threads', 3);
    tavrix_same_bits(averageRef, average, 'average');
    tavrix_same_bits(averageRef, average2, 'average with two results');
    tavrix_same_bits(logsRef, logs, 'per-sample log-likelihoods');
    assert(isequaln(before, model));
    assert(isequaln(samplesBefore, samples));
  end

  [model, samples] = tavrix_random_model(7, 2, 2, 3, 2, 0, 4);
  assert(isnan(TavrixScore(model, zeros(3, 0))));
  [~, empty] = TavrixScore(model, zeros(3, 0));
  assert(isequal(size(empty), [0 1]));
  tavrix_same_bits(TavrixScore(model, floor(samples)), TavrixScore(model, uint8(floor(samples))), 'uint8 codes');

  % A missing entry is summed out: the log of the summed probabilities of its completions.
  [~, L] = TavrixScore(model, samples);
  for v = 1:3
    partial = samples; partial(v, 2) = NaN;
    [~, whole] = TavrixScore(model, partial);
    completions = repmat(samples(:, 2), 1, model.Ranges(v));
    completions(v, :) = 0:model.Ranges(v) - 1;
    [~, each] = TavrixScore(model, completions);
    assert(abs(whole(2) - log(sum(exp(each)))) < 1e-12 && isequal(whole([1 3 4]), L([1 3 4])));
  end
  % Every entry missing: every code the three variables can take.
  [a, b, c] = ndgrid(0:model.Ranges(1) - 1, 0:model.Ranges(2) - 1, 0:model.Ranges(3) - 1);
  [~, each] = TavrixScore(model, [a(:) b(:) c(:)]');
  [~, none] = TavrixScore(model, NaN(3, 1), 'Threads', 2);
  assert(abs(none - log(sum(exp(each)))) < 1e-12);

  tavrix_expect_error('Tavrix:TavrixScore:argumentCount', @() TavrixScore(model));
  tavrix_expect_error('Tavrix:TavrixScore:notModel', @() TavrixScore({}, samples));
  tavrix_expect_error('Tavrix:TavrixScore:missingField', @() TavrixScore(rmfield(model, 'Intersect'), samples));
  tavrix_expect_error('Tavrix:TavrixScore:dataSize', @() TavrixScore(model, samples(1:2, :)));
  tavrix_expect_error('Tavrix:TavrixScore:dataClass', @() TavrixScore(model, 'abc'));
  tavrix_expect_error('Tavrix:TavrixScore:codeRange', @() TavrixScore(model, samples + 5));
  tavrix_expect_error('Tavrix:TavrixScore:codeRange', @() TavrixScore(model, -ones(3, 1)));
  tavrix_expect_error('Tavrix:TavrixScore:option', @() TavrixScore(model, samples, 'Threads', 2000));
  tavrix_expect_error('Tavrix:TavrixScore:option', @() TavrixScore(model, samples, 'Seed', 1));
  bad = model; bad.Graph{3} = zeros(2);
  tavrix_expect_error('Tavrix:TavrixScore:fieldSize', @() TavrixScore(bad, samples));
  tavrix_expect_error('Tavrix:TavrixScore:outputCount', @() call_three(model, samples));

  % Hundreds of variables: every unit's likelihood underflows, the score stays finite.
  [model, samples] = tavrix_random_model(8, 1, 3, 150, 3, 0, 3);
  for k = 1:3
    model.Marginal{k}(model.Marginal{k} == 0) = 0.5;
    model.Intersect{k} = 1e-4 * (model.Intersect{k} + 0.5);
  end
  model.Pi(:) = [0.5 0.2 0.3];
  [~, logs] = TavrixScore(model, samples);
  for j = 1:3
    terms = zeros(3, 1);
    for k = 1:3
      terms(k) = log(model.Pi(k)) + tavrix_reference_loglik(model, k, samples(:, j));
    end
    top = max(terms);
    expected = top + log(sum(exp(terms - top)));
    assert(expected < -745);
    assert(isfinite(logs(j)) && abs(logs(j) - expected) <= 1e-12 * abs(expected));
  end
end

function call_three(model, samples)
  [a, b, c] = TavrixScore(model, samples); %#ok<ASGLU>
end

function [average, logs] = reference_score(m, x)
  units = m.NumRowsMap * m.NumColsMap;
  n = size(x, 2);
  logs = zeros(n, 1);
  average = 0;
  for j = 1:n
    p = 0;
    for k = 1:units
      s = tavrix_reference_loglik(m, k, x(:, j));
      if s - s == 0
        p = p + exp(s) * m.Pi(k);
      end
    end
    logs(j) = log(p);
    average = average - log(p);
  end
  average = average / n;
end
