function test_demo()
% The demo runs end to end: the trained maps beat the baselines on the
% held-out votes, the parties separate, and every picture is written.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  addpath(fullfile(root, 'demo'));
  out = tempname();
  result = tavrix_demo(root, 'Quiet', true, 'Out', out);
  % Models: TavrixFit, TavrixTrain, one tree, independent variables, TavrixMake.
  assert(result.holes(1) < result.holes(4) && result.proper(1) < result.proper(4));
  assert(all(result.proper(2) < result.proper([3 4])) && all(result.testNll([1 2]) < result.testNll(3)));
  assert(result.accuracy(1) > result.accuracy(4) + 0.1 && result.purity > 0.8);
  assert(all(result.proper(5) < result.proper([3 4])) && result.testNll(5) < result.testNll(3));
  for p = 1:numel(result.pictures)
    info = dir(result.pictures{p});
    assert(numel(info) == 1 && info.bytes > 1000, 'missing picture %s', result.pictures{p});
  end
  confirm_recursive_rmdir(false);
  rmdir(out, 's');
end
