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
%     argumentCount  fewer than two arguments
%     dataSize       CODES has the wrong number of rows
%     codeRange      a code that is not a code of its variable
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     TavrixLabels(info, codes(:, 1))
%
%   See also TavrixRead.
function names = TavrixLabels(info, codes, variables)
  if nargin < 2
    error('Tavrix:TavrixLabels:argumentCount', 'TavrixLabels needs INFO and CODES.');
  end
  if nargin < 3
    variables = 1:numel(info.Labels);
  elseif iscell(variables) || ischar(variables)
    [found, variables] = ismember(cellstr(variables), info.Names);
    if ~all(found)
      error('Tavrix:TavrixLabels:codeRange', 'unknown variable name.');
    end
  end
  if size(codes, 1) ~= numel(variables)
    error('Tavrix:TavrixLabels:dataSize', 'CODES must have %d rows; found %d.', numel(variables), size(codes, 1));
  end
  names = repmat({'?'}, size(codes));
  for r = 1:numel(variables)
    labels = info.Labels{variables(r)};
    row = codes(r, :);
    known = ~isnan(row);
    if any(row(known) < 0 | row(known) >= numel(labels) | row(known) ~= fix(row(known)))
      error('Tavrix:TavrixLabels:codeRange', 'row %d holds a code that is not a value of ''%s''.', ...
            r, info.Names{variables(r)});
    end
    names(r, known) = labels(row(known) + 1);
  end
end
