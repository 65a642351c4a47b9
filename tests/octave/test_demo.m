function test_demo()
% The demo runs end to end: the trained map beats both baselines on the
% held-out votes, the parties separate, and every picture is written.
  root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  addpath(fullfile(root, 'demo'));
  out = tempname();
  result = tavrix_demo(root, 'Quiet', true, 'Out', out);
  assert(result.holes(1) < result.holes(3) && result.proper(1) < result.proper(3));
  assert(result.proper(1) < result.proper(2) && result.testNll(1) < result.testNll(3));
  assert(result.accuracy(1) > result.accuracy(3) + 0.1 && result.purity > 0.8);
  for p = 1:numel(result.pictures)
    info = dir(result.pictures{p});
    assert(numel(info) == 1 && info.bytes > 1000, 'missing picture %s', result.pictures{p});
  end
  confirm_recursive_rmdir(false);
  rmdir(out, 's');
end
