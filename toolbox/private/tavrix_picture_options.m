% Name-value options of the picture functions, over their defaults.
function opts = tavrix_picture_options(caller, args, opts)
  if mod(numel(args), 2) ~= 0
    error(['Tavrix:' caller ':option'], 'options come in name-value pairs.');
  end
  names = fieldnames(opts);
  for a = 1:2:numel(args)
    match = strcmpi(names, args{a});
    if ~ischar(args{a}) || ~any(match)
      error(['Tavrix:' caller ':option'], 'unknown option; accepted: %s.', strjoin(names', ', '));
    end
    opts.(names{match}) = args{a + 1};
  end
  if ~ischar(opts.File)
    error(['Tavrix:' caller ':option'], 'File must be a file name.');
  end
end
