%TAVRIXLABELS Value labels of codes, for display.
%   NAMES = TavrixLabels(INFO, CODES) turns the Dimension x N matrix CODES of
%   0-based codes into a Dimension x N cell array of the labels in
%   INFO.Labels (as TavrixRead returns it): NAMES{i, j} is
%   INFO.Labels{i}{CODES(i, j) + 1}. Missing codes (NaN) give '?'.
%
%   NAMES = TavrixLabels(INFO, CODES, VARIABLES) labels the rows of CODES as
%   the variables VARIABLES (1-based indices or names), e.g. one row of
%   filled-in values.
%
%   Errors (identifiers Tavrix:TavrixLabels:<reason>)
%     argumentCount  not two or three arguments
%     notInfo, missingField, fieldClass, fieldSize
%                    INFO is not the info struct of TavrixRead
%     dataClass      CODES is not a numeric matrix
%     dataSize       CODES has the wrong number of rows
%     codeRange      a code that is not a code of its variable, or an
%                    unknown variable in VARIABLES
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     TavrixLabels(info, codes(:, 1))
%
%   See also TavrixRead.
function [names, varargout] = TavrixLabels(info, codes, variables, varargin)
  tavrix_check_outputs('TavrixLabels', nargout, 1, 'NAMES = TavrixLabels(INFO, CODES, VARIABLES)');
  caller = 'TavrixLabels';
  tavrix_check_count(caller, nargin, 2, 3, 'TavrixLabels(INFO, CODES) or TavrixLabels(INFO, CODES, VARIABLES)');
  info = tavrix_check_info(caller, info, 'INFO');
  if ~(isnumeric(codes) || islogical(codes)) || ~isreal(codes) || ndims(codes) ~= 2
    tavrix_fail(caller, 'dataClass', 'CODES must be a numeric matrix of 0-based codes; found %s.', ...
                tavrix_describe(codes));
  end
  count = numel(info.Labels);
  if nargin < 3
    variables = 1:count;
  else
    variables = variable_numbers(caller, info, variables);
  end
  if size(codes, 1) ~= numel(variables)
    tavrix_fail(caller, 'dataSize', 'CODES must have %d rows, one per variable; found %d.', numel(variables), ...
                size(codes, 1));
  end
  names = repmat({'?'}, size(codes));
  for r = 1:numel(variables)
    labels = info.Labels{variables(r)};
    row = double(codes(r, :));
    known = ~isnan(row);
    bad = find(known & (row < 0 | row >= numel(labels) | row ~= fix(row)), 1);
    if ~isempty(bad)
      tavrix_fail(caller, 'codeRange', 'CODES(%d, %d) = %s is not a code 0..%d of ''%s''.', ...
                  r, bad, tavrix_describe(row(bad)), numel(labels) - 1, info.Names{variables(r)});
    end
    names(r, known) = labels(row(known) + 1);
  end
end

% VARIABLES as 1-based numbers: given so, or by name.
function variables = variable_numbers(caller, info, variables)
  count = numel(info.Labels);
  if iscellstr(variables) || ischar(variables)
    [found, numbers] = ismember(cellstr(variables), info.Names);
    if ~all(found)
      unknown = cellstr(variables);
      tavrix_fail(caller, 'codeRange', ['VARIABLES names an unknown variable ''%s''; INFO.Names lists the ' ...
                  'variables.'], ...
                  unknown{find(~found, 1)});
    end
    variables = numbers;
  elseif ~isnumeric(variables) || ~isreal(variables) || ...
         any(variables(:) < 1 | variables(:) > count | variables(:) ~= fix(variables(:)))
    tavrix_fail(caller, 'codeRange', 'VARIABLES must hold variable numbers 1..%d or names; found %s.', ...
                count, tavrix_describe(variables));
  end
end
