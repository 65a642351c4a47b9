% The distinct texts of pieces laid end to end in CHARS, piece k being the
% next LENGTHS(k) characters: TEXTS (1 x T, in no particular order) and,
% for every piece, the index of its text in TEXTS (WHICH has LENGTHS'
% size). Sorting a large cell array of texts is slow, so short pieces (the
% usual codes and numbers) are told apart by a number packed from their
% characters, and only longer ones become texts before they are sorted.
function [texts, which] = tavrix_read_distinct(chars, lengths)
  which = zeros(size(lengths));
  lengths = reshape(double(lengths), 1, []);
  chars = char(reshape(chars, 1, []));
  owner = owners(lengths, numel(chars));
  starts = cumsum(lengths) - lengths + 1;
  short = lengths <= 6;
  short(owner(double(chars) > 255)) = false;
  inShort = short(owner);
  % Characters are never 0 (a NUL byte is refused), so base 256 tells every
  % text of up to six characters apart, exactly within a double.
  place = (1:numel(chars)) - starts(owner);
  keys = accumarray(reshape(owner(inShort), [], 1), reshape(double(chars(inShort)) .* 256 .^ place(inShort), [], 1), ...
                    [numel(lengths), 1]);
  shortPieces = find(short);
  [~, first, byKey] = unique(keys(shortPieces));
  first = shortPieces(first);
  texts = arrayfun(@(p) chars(starts(p):starts(p) + lengths(p) - 1), reshape(first, 1, []), 'UniformOutput', false);
  which(shortPieces) = byKey;
  long = find(~short);
  if ~isempty(long)
    [longTexts, ~, byText] = unique(mat2cell(chars(~inShort), 1, lengths(long)));
    which(long) = numel(texts) + byText;
    texts = [texts, reshape(longTexts, 1, [])];
  end
end

% For pieces of lengths LEN laid end to end (TOTAL characters), the piece
% each character belongs to.
function owner = owners(len, total)
  owner = zeros(1, total);
  some = find(len > 0);
  if isempty(some)
    return;
  end
  starts = cumsum(len) - len + 1;
  owner(starts(some)) = [some(1), diff(some)];
  owner = cumsum(owner);
end
