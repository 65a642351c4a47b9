% The text of FILE in the host's characters. The bytes are read as UTF-8
% (a leading byte-order mark dropped) or, where they are not valid UTF-8,
% as Latin-1. UTF-16 text and files with NUL bytes are refused.
function text = tavrix_read_text(file)
  if isfolder(file)
    tavrix_fail('TavrixRead', 'file', '''%s'' is a folder; give the path of an ARFF or CSV file.', file);
  end
  fid = fopen(file, 'r');
  if fid < 0
    tavrix_fail('TavrixRead', 'file', 'cannot open ''%s''; check the path and that the file may be read.', file);
  end
  bytes = reshape(fread(fid, Inf, '*uint8'), 1, []);
  fclose(fid);
  if numel(bytes) >= 2 && (isequal(bytes(1:2), uint8([255 254])) || isequal(bytes(1:2), uint8([254 255])))
    tavrix_fail('TavrixRead', 'encoding', '%s is UTF-16 text; save it as UTF-8 and read it again.', file);
  end
  nul = find(bytes == 0, 1);
  if ~isempty(nul)
    tavrix_fail('TavrixRead', 'notText', ...
          '%s line %d: a NUL byte, so this is not a text file; save the data as ARFF or CSV text.', ...
          file, sum(bytes(1:nul) == 10) + 1);
  end
  if numel(bytes) >= 3 && isequal(bytes(1:3), uint8([239 187 191]))
    bytes = bytes(4:end);
  end
  if all(bytes < 128)
    text = char(bytes);
  elseif is_utf8(bytes)
    text = native2unicode(bytes, 'UTF-8');
  else
    text = native2unicode(bytes, 'ISO-8859-1');
  end
end

% True where the bytes are well-formed UTF-8: every lead byte is followed
% by exactly its continuation bytes, with no overlong forms, surrogates or
% code points above U+10FFFF.
function ok = is_utf8(bytes)
  b = double(bytes);
  n = numel(b);
  continuation = b >= 128 & b < 192;
  len = zeros(1, n);
  len(b < 128) = 1;
  len(b >= 194 & b < 224) = 2;
  len(b >= 224 & b < 240) = 3;
  len(b >= 240 & b < 245) = 4;
  ok = false;
  if any(len == 0 & ~continuation)
    return;
  end
  claimed = false(1, n);
  for k = 2:4
    at = find(len >= k) + k - 1;
    if any(at > n) || ~all(continuation(at))
      return;
    end
    claimed(at) = true;
  end
  second = @(lead) b(find(b == lead) + 1);
  ok = isequal(claimed, continuation) && all(second(224) >= 160) && all(second(237) < 160) ...
       && all(second(240) >= 144) && all(second(244) < 144);
end
