% Fails with Tavrix:<caller>:argumentCount unless LOW <= COUNT <= HIGH
% arguments were given; USAGE shows the accepted calls.
function tavrix_check_count(caller, count, low, high, usage)
  if count >= low && count <= high
    return;
  end
  if low == high
    expected = sprintf('%d', low);
  elseif isinf(high)
    expected = sprintf('at least %d', low);
  else
    expected = sprintf('%d to %d', low, high);
  end
  noun = 'arguments';
  if low == 1 && (high == 1 || isinf(high))
    noun = 'argument';
  end
  tavrix_fail(caller, 'argumentCount', 'expected %s %s; found %d. Call %s.', expected, noun, count, usage);
end
