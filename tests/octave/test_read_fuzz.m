function test_read_fuzz()
% Corrupted copies of an ARFF file, a sparse one and a CSV file (cut
% pieces, inserted junk or bytes that are not UTF-8, one odd byte, a
% truncation, an extra line break): each either reads into consistent
% codes or raises a precise Tavrix:TavrixRead error.
  here = fileparts(mfilename('fullpath'));
  vote = fileread(fullfile(fileparts(fileparts(here)), 'data', 'vote.arff'));
  lineEnds = find(vote == char(10));
  dataLine = lineEnds(find(lineEnds > strfind(vote, '@data'), 1));
  sources = {vote(1:lineEnds(find(lineEnds > dataLine, 1) + 20)), '.arff'; ...
             fileread(fullfile(here, 'fixtures', 'sparse.arff')), '.arff'; ...
             fileread(fullfile(here, 'fixtures', 'small.csv')), '.csv'};
  state = warning('off', 'all');
  restore = onCleanup(@() warning(state));
  rand('state', 16);
  for k = 1:300
    source = sources{mod(k, 3) + 1, 1};
    file = [tempname() sources{mod(k, 3) + 1, 2}];
    fid = fopen(file, 'w');
    fwrite(fid, corrupt(double(source)), 'uint8');
    fclose(fid);
    try
      [codes, info, mask] = TavrixRead(file);
      ranges = repmat(info.Ranges, 1, size(codes, 2));
      assert(size(codes, 1) == numel(info.Names) && isequal(mask, ~isnan(codes)));
      assert(all(codes(mask == 1) >= 0 & codes(mask == 1) < ranges(mask == 1)));
    catch err
      assert(strncmp(err.identifier, 'Tavrix:TavrixRead:', 18) && ~strcmp(err.identifier, 'Tavrix:TavrixRead:unreadable'), ...
             'case %d: %s: %s', k, err.identifier, err.message);
    end
    delete(file);
  end
end

function bytes = corrupt(bytes)
  n = numel(bytes);
  at = randi(n);
  junk = [double(',{}''"%@? ') 10 13 233 195 169 255 0 128];
  switch randi(5)
    case 1   % a piece cut out
      bytes(at:min(n, at + randi(40))) = [];
    case 2   % junk inserted: structure, invalid UTF-8, NUL
      bytes = [bytes(1:at), junk(randi(numel(junk), 1, randi(6))), bytes(at + 1:end)];
    case 3   % one odd byte
      bytes(at) = randi(256) - 1;
    case 4   % truncated
      bytes = bytes(1:at);
    case 5   % an extra line break
      bytes = [bytes(1:at), 10, bytes(at + 1:end)];
  end
end
