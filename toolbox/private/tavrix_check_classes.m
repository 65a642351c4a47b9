% Class codes CLASSES (whole numbers 0 or more, NaN for unknown) against
% the number of classes COUNT the caller was told ([] when none): a code
% beyond COUNT, too few names, or codes that start at 1 (no class 0, which
% would be shown as an empty class) are errors Tavrix:<caller>:codeRange
% that say what to do. OPTION names where COUNT came from. Returns the
% number of classes.
function count = tavrix_check_classes(caller, classes, count, option)
  known = classes(~isnan(classes));
  if isempty(known)
    count = max([count, 1]);
    return;
  end
  top = max(known);
  oneBased = min(known) >= 1;
  if isempty(count)
    if oneBased
      tavrix_fail(caller, 'codeRange', ['CLASSES holds codes %s..%s and no 0: class codes are 0-based, so class 0 ' ...
                  'would be an empty class. Pass CLASSES - 1, or give %s when class 0 has no samples here.'], ...
                  tavrix_number(min(known)), tavrix_number(top), option);
    end
    count = top + 1;
  elseif top >= count
    if oneBased && top == count
      tavrix_fail(caller, 'codeRange', ['CLASSES holds codes 1..%s with %s naming %s classes: class codes are ' ...
                  '0-based (0..%s); pass CLASSES - 1.'], tavrix_number(top), option, tavrix_number(count), ...
                  tavrix_number(count - 1));
    end
    tavrix_fail(caller, 'codeRange', ['CLASSES holds code %s but %s gives %s classes (codes 0..%s); %s must ' ...
                'cover every class, codes 0..%s.'], tavrix_number(top), option, tavrix_number(count), ...
                tavrix_number(count - 1), option, tavrix_number(top));
  end
end
