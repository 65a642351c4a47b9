% The model check of the toolbox's .m functions, in the words of the MEX
% functions' own. MODEL, argument ARGUMENT of CALLER, must be a 1x1 struct
% whose size fields (NumRowsMap, NumColsMap, Dimension, MaxRange,
% NumValues) are non-negative integers; each field named in FIELDS must
% then hold what they say: Marginal, Intersect, Graph and Mutual one real
% double table per unit (Intersect, Graph and Mutual full, or sparse
% NumValues x NumValues and Dimension x Dimension as a compact model has
% them; nothing else may be sparse), Pi and NumVictories one number per unit,
% Ranges one count per variable, Translate MaxRange x Dimension indices
% (checking Ranges too), RootNode a variable or 0. Of the tables, only
% those of the units ONLY are checked when given (e.g. the one unit a call
% reads). Raises
% Tavrix:<caller>:<reason>, the reason one of notModel, missingField,
% fieldClass, fieldSize, fieldValue.
function tavrix_check_model(caller, model, argument, fields, only)
  advice = 'TavrixInit makes a model from data.';
  if ~isstruct(model) || numel(model) ~= 1
    tavrix_fail(caller, 'notModel', 'argument %d (MODEL) must be a 1x1 model struct; found %s. %s', ...
                argument, tavrix_describe(model), advice);
  end
  sizes = struct();
  for name = {'NumRowsMap', 'NumColsMap', 'Dimension', 'MaxRange', 'NumValues'}
    sizes.(name{1}) = count_field(caller, model, name{1}, argument, advice);
  end
  units = sizes.NumRowsMap * sizes.NumColsMap;
  if nargin < 5
    only = 1:units;
  end
  values = sizes.NumValues;
  dimension = sizes.Dimension;
  for f = 1:numel(fields)
    name = fields{f};
    switch name
      case 'Marginal'
        check_cells(caller, model, name, units, values, sprintf('NumValues = %d', values), argument, advice, only);
      case 'Intersect'
        check_cells(caller, model, name, units, values^2, sprintf('NumValues^2 = %d', values^2), argument, ...
                    advice, only, 'NumValues', values);
      case {'Graph', 'Mutual'}
        check_cells(caller, model, name, units, dimension^2, sprintf('Dimension^2 = %d', dimension^2), argument, ...
                    advice, only, 'Dimension', dimension);
      case {'Pi', 'NumVictories'}
        check_array(caller, model, name, units, sprintf('NumRowsMap x NumColsMap = %d', units), argument, advice);
      case 'Ranges'
        check_ranges(caller, model, sizes, argument, advice);
      case 'Translate'
        check_translate(caller, model, sizes, argument, advice);
      case 'RootNode'
        root = field_of(caller, model, name, argument, advice);
        if ~is_number(root) || ~isscalar(root) || root ~= fix(root) || root < 0 || root > dimension
          field_fail(caller, 'fieldValue', quoted(name), ...
                     sprintf('must be 0 or a variable 1..Dimension = %d', dimension), ...
                     tavrix_describe(root), advice);
        end
    end
  end
end

function value = field_of(caller, model, name, argument, advice)
  if ~isfield(model, name)
    tavrix_fail(caller, 'missingField', 'argument %d (MODEL) has no field ''%s'', so it is not a model. %s', ...
                argument, name, advice);
  end
  value = model.(name);
end

% WHAT: the field as the message names it, e.g. 'Ranges' element 2.
function field_fail(caller, reason, what, expected, found, advice)
  tavrix_fail(caller, reason, 'MODEL field %s %s; found %s. %s', what, expected, found, advice);
end

function ok = is_number(value)
  ok = isnumeric(value) && isreal(value) && ~issparse(value);
end

function value = count_field(caller, model, name, argument, advice)
  value = field_of(caller, model, name, argument, advice);
  if ~is_number(value) || ~isscalar(value)
    field_fail(caller, 'fieldClass', quoted(name), 'must be a real numeric scalar', tavrix_describe(value), advice);
  end
  if ~(value >= 0 && value < 2^31 && value == fix(value))
    field_fail(caller, 'fieldValue', quoted(name), 'must be a whole number 0..2^31-1', tavrix_describe(value), advice);
  end
  value = double(value);
end

function value = check_array(caller, model, name, elements, expected, argument, advice)
  value = field_of(caller, model, name, argument, advice);
  if ~isa(value, 'double') || ~is_number(value)
    field_fail(caller, 'fieldClass', quoted(name), 'must be a real double array', tavrix_describe(value), advice);
  end
  if numel(value) ~= elements
    field_fail(caller, 'fieldSize', quoted(name), ['must have ' expected ' elements'], tavrix_describe(value), advice);
  end
end

% A table that SIDE is given for may also be a sparse SIDE x SIDE matrix
% (SIDENAME the size field that gives SIDE).
function check_cells(caller, model, name, units, elements, expected, argument, advice, only, sideName, side)
  compact = nargin > 9;
  value = field_of(caller, model, name, argument, advice);
  if ~iscell(value)
    field_fail(caller, 'fieldClass', quoted(name), 'must be a cell array with one cell per unit', ...
               tavrix_describe(value), advice);
  end
  if numel(value) ~= units
    field_fail(caller, 'fieldSize', quoted(name), sprintf('must have NumRowsMap x NumColsMap = %d cells', units), ...
               sprintf('%d', numel(value)), advice);
  end
  sparseCells = cellfun(@issparse, value(only));
  if compact
    bad = only(find(~cellfun(@(c) isa(c, 'double') && isreal(c), value(only)), 1));
    kind = 'a real double array, full or (in a compact model) sparse';
  else
    bad = only(find(~cellfun(@(c) isa(c, 'double') && is_number(c), value(only)), 1));
    kind = 'a real double array (not sparse)';
  end
  if ~isempty(bad)
    field_fail(caller, 'fieldClass', sprintf('''%s'' cell %d', name, bad), ['must be ' kind], ...
               describe(value{bad}), advice);
  end
  bad = only(find(~sparseCells & cellfun(@numel, value(only)) ~= elements, 1));
  if ~isempty(bad)
    field_fail(caller, 'fieldSize', sprintf('''%s'' cell %d', name, bad), ['must have ' expected ' elements'], ...
               tavrix_describe(value{bad}), advice);
  end
  if any(sparseCells)
    bad = only(find(sparseCells & ~cellfun(@(c) isequal(size(c), [side side]), value(only)), 1));
    if ~isempty(bad)
      field_fail(caller, 'fieldSize', sprintf('''%s'' cell %d', name, bad), ...
                 sprintf('must be %s x %s = %d x %d when sparse', sideName, sideName, side, side), ...
                 describe(value{bad}), advice);
    end
  end
end

% As tavrix_describe, saying when a matrix is sparse.
function text = describe(value)
  text = tavrix_describe(value);
  if issparse(value)
    text = regexprep(text, '^a ([0-9x]+) ', 'a $1 sparse ');
  end
end

% Each variable's count of values within 0..MaxRange (truncated, as the MEX
% functions read it).
function ranges = check_ranges(caller, model, sizes, argument, advice)
  ranges = check_array(caller, model, 'Ranges', sizes.Dimension, sprintf('Dimension = %d', sizes.Dimension), ...
                       argument, advice);
  bad = find(~(ranges > -1 & ranges < sizes.MaxRange + 1), 1);
  if ~isempty(bad)
    field_fail(caller, 'fieldValue', sprintf('''Ranges'' element %d', bad), ...
               sprintf('must lie within 0..MaxRange = %d', sizes.MaxRange), tavrix_describe(ranges(bad)), advice);
  end
end

% An index into the tables for each value of each variable.
function check_translate(caller, model, sizes, argument, advice)
  ranges = check_ranges(caller, model, sizes, argument, advice);
  translate = check_array(caller, model, 'Translate', sizes.MaxRange * sizes.Dimension, ...
                          sprintf('MaxRange x Dimension = %d', sizes.MaxRange * sizes.Dimension), argument, advice);
  translate = reshape(translate, sizes.MaxRange, sizes.Dimension);
  used = repmat((1:sizes.MaxRange)', 1, sizes.Dimension) <= repmat(fix(ranges(:))', sizes.MaxRange, 1);
  [v, i] = find(used & ~(translate > 0 & translate < sizes.NumValues + 1), 1);
  if ~isempty(v)
    field_fail(caller, 'fieldValue', sprintf('''Translate'' element (%d, %d)', v, i), ...
               sprintf('must give an index within 1..NumValues = %d', sizes.NumValues), ...
               tavrix_describe(translate(v, i)), advice);
  end
end

function text = quoted(name)
  text = ['''' name ''''];
end
