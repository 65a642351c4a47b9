function test_best()
% TavrixBest in Octave against an independent .m transcription, bit for bit;
% errors for malformed input; the caller's arrays stay untouched.
  for trial = 1:12
    root = mod(trial, 3) * (trial > 3);   % 0 (undirected) and rooted forms
    [model, samples] = tavrix_random_model(trial, 2, 3, 5, 3, root, 20);
    [bestRef, scoresRef] = reference_best(model, samples);
    before = model;
    best = TavrixBest(model, samples);
    [best2, scores] = TavrixBest(model, samples, 'Threads', 3);
    tavrix_same_bits(bestRef, best, 'best');
    tavrix_same_bits(bestRef, best2, 'best with two results');
    tavrix_same_bits(scoresRef, scores, 'scores');
    assert(isequaln(before, model));
  end

  [model, samples] = tavrix_random_model(99, 2, 2, 3, 2, 0, 4);
  tavrix_expect_error('Tavrix:TavrixBest:argumentCount', @() TavrixBest(model));
  tavrix_expect_error('Tavrix:TavrixBest:notModel', @() TavrixBest(1, samples));
  tavrix_expect_error('Tavrix:TavrixBest:missingField', @() TavrixBest(rmfield(model, 'Pi'), samples));
  tavrix_expect_error('Tavrix:TavrixBest:dataSize', @() TavrixBest(model, samples(1:2, :)));
  tavrix_expect_error('Tavrix:TavrixBest:codeRange', @() TavrixBest(model, samples + 5));
  tavrix_expect_error('Tavrix:TavrixBest:codeRange', @() TavrixBest(model, NaN(3, 1), 'Mask', ones(3, 1)));
  tavrix_expect_error('Tavrix:TavrixBest:fieldValue', @() TavrixBest(setfield(model, 'Lattice', 'hex'), samples));
  % Missing entries: NaN or the mask's zeros, never read.
  partial = samples; partial(2, :) = NaN;
  [best, scores] = TavrixBest(model, partial);
  [best2, scores2] = TavrixBest(model, samples, 'Mask', ~isnan(partial));
  tavrix_same_bits(best, best2, 'NaN and mask');
  tavrix_same_bits(scores, scores2, 'NaN and mask');
  assert(isequal(TavrixBest(setfield(model, 'Lattice', 'hexagonal'), partial), best));
  tavrix_expect_error('Tavrix:TavrixBest:option', @() TavrixBest(model, samples, 'Threads', 0));
  tavrix_expect_error('Tavrix:TavrixBest:option', @() TavrixBest(model, samples, 'Colour', 1));
  bad = model; bad.Marginal{2} = [1; 2];
  tavrix_expect_error('Tavrix:TavrixBest:fieldSize', @() TavrixBest(bad, samples));
  bad = model; bad.Pi = single(bad.Pi);
  tavrix_expect_error('Tavrix:TavrixBest:fieldClass', @() TavrixBest(bad, samples));
  bad = model; bad.Ranges(1) = 7;
  tavrix_expect_error('Tavrix:TavrixBest:fieldValue', @() TavrixBest(bad, samples));
  tavrix_expect_error('Tavrix:TavrixBest:outputCount', @() call_three(model, samples));

  % Integer and logical codes are converted exactly.
  tavrix_same_bits(TavrixBest(model, floor(samples)), TavrixBest(model, int8(floor(samples))), 'int8 codes');
  assert(isequal(size(TavrixBest(model, zeros(3, 0))), [0 1]));
end

function call_three(model, samples)
  [a, b, c] = TavrixBest(model, samples); %#ok<ASGLU>
end

function [best, scores] = reference_best(m, x)
  units = m.NumRowsMap * m.NumColsMap;
  n = size(x, 2);
  best = zeros(n, 1);
  scores = zeros(units, n);
  for j = 1:n
    top = -realmax;
    for k = 1:units
      s = tavrix_reference_loglik(m, k, x(:, j));
      score = log(m.Pi(k)) + s;
      if s == s && s - s == 0 && score > top
        top = score;
        best(j) = k;
      end
      scores(k, j) = score;
    end
  end
end
