% Name-value options ARGS over the struct of defaults OPTS; names match its
% fields whatever their case. FIRST is the position of ARGS{1} in the call,
% for the messages. The values are the caller's to check.
function opts = tavrix_options(caller, args, opts, first)
  names = fieldnames(opts);
  accepted = strjoin(names', ', ');
  if mod(numel(args), 2) ~= 0
    tavrix_fail(caller, 'option', ['options after argument %d come in name-value pairs; found an odd number ' ...
                '(%d) of arguments there. Accepted options: %s.'], first - 1, numel(args), accepted);
  end
  for a = 1:2:numel(args)
    name = args{a};
    if ~ischar(name) || size(name, 1) ~= 1
      tavrix_fail(caller, 'option', 'argument %d must be an option name (%s); found %s.', ...
                  first + a - 1, accepted, tavrix_describe(name));
    end
    match = strcmpi(names, name);
    if ~any(match)
      tavrix_fail(caller, 'option', 'unknown option ''%s'' (argument %d); accepted: %s.', name, first + a - 1, ...
                  accepted);
    end
    opts.(names{match}) = args{a + 1};
  end
end
