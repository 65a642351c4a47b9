function test_plots()
% Each picture function writes a PNG headless, as wide as ever and as high
% as the map's shape asks, and returns what it shows; every picture at four
% map sizes on both lattices.
  rand('state', 4);
  codes = floor(rand(4, 50) .* repmat([2; 3; 2; 2], 1, 50));
  model = TavrixFit(TavrixInit(codes, 3, 4, 'Seed', 2), 300, 'Seed', 2);
  dir = tempname();
  mkdir(dir);
  cleanup = onCleanup(@() remove_dir(dir));

  file = fullfile(dir, 'hits.png');
  hits = TavrixPlotHits(model, 'File', file);
  assert(isequal(hits, model.NumVictories) && sum(hits(:)) == 300);
  assert_png(file);

  file = fullfile(dir, 'mapped.png');
  classes = double(codes(1, :));
  [hits, purity] = TavrixPlotHits(model, codes, 'Classes', classes, 'ClassNames', {'a', 'b'}, ...
                                  'ShareOf', 'b', 'File', file);
  best = TavrixBest(model, codes);
  assert(sum(hits(:)) == 50 && hits(best(1)) == sum(best == best(1)));
  assert(all(isnan(purity(hits == 0))) && all(purity(hits > 0) >= 0.5 & purity(hits > 0) <= 1));
  assert_png(file);

  file = fullfile(dir, 'component.png');
  info = struct('Names', {{'a', 'b', 'c', 'd'}}, 'Labels', {{{'x', 'y'}, {'p', 'q', 'r'}, {'x', 'y'}, {'x', 'y'}}});
  plane = TavrixPlotComponent(model, 'b', 'r', 'Info', info, 'File', file);
  assert(isequal(size(plane), [3 4]) && plane(2, 3) == model.Marginal{8}(model.Translate(3, 2)));
  assert_png(file);
  assert(isequal(TavrixPlotComponent(model, 2, 2, 'File', fullfile(dir, 'c2.png')), plane));

  file = fullfile(dir, 'umatrix.png');
  u = TavrixPlotUMatrix(model, 'File', file);
  assert(isequal(size(u), [5 7]) && all(u(:) >= 0) && any(u(:) > 0));
  assert_png(file);
  % Corners between four units: the mean of the four distances beside them.
  assert(abs(u(2, 4) - mean([u(1, 4) u(3, 4) u(2, 3) u(2, 5)])) < 1e-15);
  % Identical units are at distance 0 everywhere.
  flat = TavrixInit(codes, 2, 2, 'Method', 'random', 'Spread', 0);
  assert(all(TavrixPlotUMatrix(flat, 'File', fullfile(dir, 'flat.png'))(:) == 0));

  tavrix_expect_error('Tavrix:TavrixPlotComponent:codeRange', @() TavrixPlotComponent(model, 5, 0, 'File', file));
  tavrix_expect_error('Tavrix:TavrixPlotComponent:codeRange', @() TavrixPlotComponent(model, 2, 3, 'File', file));
  tavrix_expect_error('Tavrix:TavrixPlotHits:option', @() TavrixPlotHits(model, 'Colour', 1));
  tavrix_expect_error('Tavrix:TavrixPlotHits:option', @() TavrixPlotHits(model, codes, 'Classes', classes, ...
                                                                         'ShareOf', 2, 'File', file));
  tavrix_expect_error('Tavrix:TavrixPlotHits:dataSize', @() TavrixPlotHits(model, codes, 'Classes', [0 1], 'File', file));
  tavrix_expect_error('Tavrix:TavrixPlotHits:option', @() TavrixPlotHits(model, 'CellText', 'some', 'File', file));
  check_sizes_and_lattices(codes, info, dir);
end

% 3 x 3, 8 x 8, 7 x 17 and 20 x 30, rectangular and hexagonal: the height
% follows the map (a long map gives a low picture), and the hexagonal
% U-matrix is one mean distance per unit.
function check_sizes_and_lattices(codes, info, dir)
  sizes = [3 3; 8 8; 7 17; 20 30];
  heights = zeros(1, 4);
  for s = 1:4
    model = TavrixInit(codes, sizes(s, 1), sizes(s, 2), 'Seed', s);
    for lattice = {'rectangular', 'hexagonal'}
      model.Lattice = lattice{1};
      name = fullfile(dir, sprintf('%dx%d_%s', sizes(s, :), lattice{1}));
      hits = TavrixPlotHits(model, codes, 'Classes', codes(1, :), 'File', [name '_classes.png']);
      assert(sum(hits(:)) == size(codes, 2));
      TavrixPlotComponent(model, 'b', 'r', 'Info', info, 'File', [name '_component.png']);
      u = TavrixPlotUMatrix(model, 'File', [name '_umatrix.png']);
      if strcmp(lattice{1}, 'hexagonal')
        assert(isequal(size(u), sizes(s, :)));
      else
        assert(isequal(size(u), 2 * sizes(s, :) - 1));
      end
      area = cellfun(@(k) assert_png([name k '.png']), {'_classes', '_component', '_umatrix'}, ...
                     'UniformOutput', false);
      assert(isequal(area{1}, area{2}));   % the U-matrix grid has its own shape
      heights(s) = area{1}(2);
    end
  end
  assert(heights(3) < heights(2) && heights(3) < heights(4));   % 7 x 17 is the lowest
end

function area = assert_png(file)
  fid = fopen(file, 'r');
  assert(fid >= 0, 'no picture %s', file);
  magic = fread(fid, 8, 'uint8')';
  closer = onCleanup(@() fclose(fid));
  assert(isequal(magic, [137 80 78 71 13 10 26 10]), '%s is not a PNG', file);
  fseek(fid, 16, 'bof');
  area = fread(fid, 2, 'uint32', 0, 'ieee-be')';
  assert(area(1) == 760 && area(2) >= 300 && area(2) <= 680, '%s is %d x %d', file, area);
end

function remove_dir(dir)
  confirm_recursive_rmdir(false);
  rmdir(dir, 's');
end
