% INFO, as TavrixRead returns it, checked for what the toolbox reads of it:
% a 1x1 struct whose Labels hold one cell array of text labels per variable
% and whose Names, where present, one text name per variable. WHAT names the
% argument in messages (e.g. 'INFO'). Without Names the variables are named
% 'variable 1', ... Raises Tavrix:<caller>:notInfo, missingField, fieldClass
% or fieldSize.
function info = tavrix_check_info(caller, info, what)
  advice = '[CODES, INFO] = TavrixRead(FILE) gives one.';
  if ~isstruct(info) || numel(info) ~= 1
    tavrix_fail(caller, 'notInfo', '%s must be the 1x1 info struct of TavrixRead; found %s. %s', ...
                what, tavrix_describe(info), advice);
  end
  if ~isfield(info, 'Labels')
    tavrix_fail(caller, 'missingField', '%s has no field ''Labels'' (the value labels of every variable). %s', ...
                what, advice);
  end
  labels = info.Labels;
  if ~iscell(labels) || ~all(cellfun(@iscellstr, labels))
    tavrix_fail(caller, 'fieldClass', ['%s field ''Labels'' must be a cell array holding, per variable, a cell ' ...
                'array of text labels; found %s. %s'], what, tavrix_describe(labels), advice);
  end
  if ~isfield(info, 'Names')
    info.Names = arrayfun(@(i) sprintf('variable %d', i), 1:numel(labels), 'UniformOutput', false);
  elseif ~iscellstr(info.Names) || numel(info.Names) ~= numel(labels)
    tavrix_fail(caller, 'fieldSize', '%s field ''Names'' must hold %d text names, one per variable; found %s. %s', ...
                what, numel(labels), tavrix_describe(info.Names), advice);
  end
end
