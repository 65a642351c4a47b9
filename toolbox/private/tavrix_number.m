% A number as every message writes it, as the MEX functions' messages do:
% whole numbers as integers (-10, not -1e+01), others in the shortest form
% that reads back exactly.
function text = tavrix_number(value)
  value = double(value) + 0;   % + 0 makes -0 read 0
  if value == fix(value) && abs(value) < 1e15
    text = sprintf('%d', value);
    return;
  end
  for digits = 1:17
    text = sprintf('%.*g', digits, value);
    if str2double(text) == value || isnan(value)
      return;
    end
  end
end
