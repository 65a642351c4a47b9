% Name-value options of the picture functions over their defaults (see
% tavrix_options), FIRST the position of the first option in the call.
% Title must be text, and a File one that can be written (checked here,
% before any work).
function opts = tavrix_picture_options(caller, args, opts, first)
  opts = tavrix_options(caller, args, opts, first);
  if ~ischar(opts.Title) || size(opts.Title, 1) > 1
    tavrix_fail(caller, 'option', 'option ''Title'' must be text; found %s.', tavrix_describe(opts.Title));
  end
  if ~ischar(opts.File) || size(opts.File, 1) > 1
    tavrix_fail(caller, 'option', 'option ''File'' must be a file name (text); found %s.', tavrix_describe(opts.File));
  end
  if isfield(opts, 'CellText') && ~(ischar(opts.CellText) && any(strcmpi(opts.CellText, {'auto', 'on', 'off'})))
    tavrix_fail(caller, 'option', 'option ''CellText'' must be ''auto'', ''on'' or ''off''; found %s.', ...
                tavrix_describe(opts.CellText));
  end
  if ~isempty(opts.File)
    tavrix_picture_file(caller, opts.File);
  end
end
