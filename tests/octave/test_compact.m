function test_compact()
% Compact models: TavrixCompact keeps exactly the diagonal and the tree
% edges' blocks, bit for bit, and TavrixFull fills the rest with 0 within a
% variable and the marginals' product across; both round trips; TavrixTree,
% the model check and save/load; every reader gives the full model's doubles.
  for seed = 1:4
    % Fractional Translate entries, zero cells, NaN edges and a unit left
    % compact among full ones.
    model = tavrix_random_model(40 + seed, 2, 3, 6, 4, 0, 10);
    for k = 1:6
      model.Mutual{k} = rand(6);   % both orientations of an edge kept, each its own
    end
    compact = TavrixCompact(model);
    mixed = model;
    mixed.Intersect{2} = compact.Intersect{2};
    mixed.Graph{2} = compact.Graph{2};
    mixed.Mutual{2} = compact.Mutual{2};
    assert(isequaln(TavrixCompact(mixed), compact) && isequaln(TavrixCompact(compact), compact));
    check_pair(model, compact, TavrixFull(compact));
  end

  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  codes = TavrixRead(fullfile(root, 'data', 'vote.arff'));
  model = TavrixInit(codes, 3, 3, 'Seed', 2);
  compact = TavrixCompact(model);
  assert(isequal(TavrixCompact(TavrixFull(compact)), compact) && isequal(TavrixFull(model), model));
  check_pair(model, compact, TavrixFull(compact));
  for k = [1 5]
    [graph, mutual] = TavrixTree(compact, k);
    edges = model.Graph{k} + model.Graph{k}' ~= 0;
    assert(isequal(graph, model.Graph{k}) && ~issparse(graph) && ~issparse(mutual));
    assert(isequal(mutual, model.Mutual{k} .* edges));
  end
  file = tempname();
  for format = {'-binary', '-v7'}
    save(format{1}, file, 'compact');
    loaded = load(file);
    delete(file);
    assert(isequal(loaded.compact, compact), 'a compact model does not survive save %s', format{1});
  end

  % A 1200-variable unit keeps the diagonal and 2 x 4 cells per edge.
  wide = tavrix_random_model(7, 1, 1, 1200, 2, 0, 1);
  wide.Ranges(:) = 2;
  wide.Translate = reshape(1:2400, 2, 1200);
  wide.NumValues = 2400;
  wide.Marginal{1} = 0.5 + rand(2400, 1);
  wide.Intersect{1} = 0.5 + rand(2400);
  wide.Graph{1}(1200, 1) = 0;   % the tree alone
  assert(nnz(TavrixCompact(wide).Intersect{1}) == 2400 + 1199 * 8);

  bad = compact;
  bad.Intersect{4} = sparse(33, 34);
  tavrix_expect_error('Tavrix:TavrixFull:fieldSize', @() TavrixFull(bad));
  bad.Intersect{4} = sparse(true(34));
  tavrix_expect_error('Tavrix:TavrixCompact:fieldClass', @() TavrixCompact(bad));
  bad = compact;
  bad.Marginal{2} = sparse(model.Marginal{2});
  tavrix_expect_error('Tavrix:TavrixFull:fieldClass', @() TavrixFull(bad));
  bad = compact;
  bad.Graph{3} = sparse(17 * 17, 1);
  tavrix_expect_error('Tavrix:TavrixTree:fieldSize', @() TavrixTree(bad, 3));
  tavrix_expect_error('Tavrix:TavrixMake:option', @() TavrixMake(codes, 'Compact', 'yes'));

  readers_agree(model, codes);
  makers_compact(codes);
end

% COMPACT = TavrixCompact(MODEL) and EXPANDED = TavrixFull(COMPACT) against
% the cells each unit keeps, listed here edge by edge and code by code.
function check_pair(model, compact, expanded)
  n = model.NumValues;
  d = model.Dimension;
  owner = zeros(n, 1);
  for i = 1:d
    owner(fix(model.Translate(1:fix(model.Ranges(i)), i))) = i;
  end
  same = bsxfun(@eq, owner, owner') & ~eye(n);
  others = {'Marginal', 'Pi', 'NumVictories', 'Translate', 'Ranges', 'Samples', 'RootNode'};
  for f = others
    assert(isequaln(compact.(f{1}), model.(f{1})) && isequaln(expanded.(f{1}), model.(f{1})));
  end
  for k = 1:numel(model.Intersect)
    kept = logical(eye(n));
    [p, c] = find(model.Graph{k});
    for e = 1:numel(p)
      kept(owner == p(e), owner == c(e)) = true;
      kept(owner == c(e), owner == p(e)) = true;
    end
    table = compact.Intersect{k};
    assert(issparse(table) && isequal(size(table), [n n]) && issparse(compact.Graph{k}));
    assert(nnz(table) == nnz(model.Intersect{k}(kept)), 'unit %d stores cells off its tree', k);
    tavrix_same_bits(model.Intersect{k}(kept), full(table(kept)), 'kept cells');
    tavrix_same_bits(model.Intersect{k}(kept), expanded.Intersect{k}(kept), 'kept cells expanded');
    product = model.Marginal{k} * model.Marginal{k}';
    tavrix_same_bits(product(~kept & ~same), expanded.Intersect{k}(~kept & ~same), 'filled cells');
    assert(~any(expanded.Intersect{k}(~kept & same)), 'unit %d: two values of one variable not 0', k);
    assert(isequaln(full(compact.Graph{k}), model.Graph{k}) && isequaln(expanded.Graph{k}, model.Graph{k}));
    edges = model.Graph{k} + model.Graph{k}' ~= 0;
    tavrix_same_bits(model.Mutual{k} .* edges, expanded.Mutual{k}, 'mutual information on the tree');
    assert(issparse(compact.Mutual{k}) && nnz(compact.Mutual{k}) == nnz(model.Mutual{k}(edges)));
  end
end

% The MEX readers give a compact model's doubles as the full model's, and
% TavrixFit refuses it.
function readers_agree(model, codes)
  compact = TavrixCompact(model);
  observed = ~isnan(codes);
  filled = codes;
  filled(~observed) = 0;
  complete = codes(:, all(observed, 1));
  calls = {@(m) TavrixBest(m, codes), 2; @(m) TavrixScore(m, complete), 2; ...
           @(m) TavrixHoles(m, filled, observed), 2; @(m) TavrixImpute(m, filled, observed), 1; ...
           @(m) TavrixQuality(m, codes), 5};
  for c = 1:size(calls, 1)
    [a{1:calls{c, 2}}] = calls{c, 1}(model);
    [b{1:calls{c, 2}}] = calls{c, 1}(compact);
    assert(isequaln(a(1:calls{c, 2}), b(1:calls{c, 2})), '%s differs for the compact model', func2str(calls{c, 1}));
  end
  tavrix_expect_error('Tavrix:TavrixFit:compact', @() TavrixFit(compact, 1));
end

% The 'Compact' option changes how a model is stored, not what it holds.
function makers_compact(codes)
  first = TavrixInit(codes, 2, 2, 'Seed', 1);
  assert(isequal(TavrixInit(codes, 2, 2, 'Seed', 1, 'Compact', true), TavrixCompact(first)));
  assert(isequal(TavrixInit(codes, 2, 2, 'Seed', 1, 'Compact', false), first));
  trained = TavrixTrain(first, codes, 2, 'Compact', true);
  assert(isequal(trained, TavrixCompact(TavrixTrain(first, codes, 2))));
  % Trained on from compact, soft, by validation samples; the update keeps it compact.
  again = TavrixTrain(trained, codes(:, 1:300), 3, 'Assignment', 'soft', 'Validation', codes(:, 301:end), 'Threads', 2);
  assert(isequal(again, TavrixCompact(TavrixTrain(TavrixFull(trained), codes(:, 1:300), 3, 'Assignment', 'soft', ...
                                                  'Validation', codes(:, 301:end), 'Threads', 2))));
  stats = TavrixStats(trained, codes);
  assert(isequal(stats, TavrixStats(TavrixFull(trained), codes)));
  assert(isequal(TavrixUpdate(trained, stats, 0.5), TavrixCompact(TavrixUpdate(TavrixFull(trained), stats, 0.5))));
  tavrix_expect_error('Tavrix:TavrixTrain:compact', @() TavrixTrain(trained, codes, 1, 'Compact', false));
  tavrix_expect_error('Tavrix:TavrixTrain:option', @() TavrixTrain(trained, codes, 1, 'UseParallel', true));
  made = TavrixMake(codes, 'Sizes', [2 2], 'Epochs', 2, 'SoftEpochs', 1, 'Seed', 1, 'Compact', true);
  assert(all(cellfun(@issparse, made.Intersect(:))), 'TavrixMake(..., ''Compact'', true) made a full model');
end
