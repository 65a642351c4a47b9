%TAVRIXPLOTCOMPONENT Component plane: a value's probability over the map.
%   PLANE = TavrixPlotComponent(MODEL, VARIABLE, VALUE) shows, for every
%   unit, its Marginal probability that variable VARIABLE (1-based index, or
%   a name with the Info option) takes the 0-based code VALUE (or a label
%   with the Info option). PLANE is the NumRowsMap x NumColsMap matrix shown.
%   [PLANE, FIG] = TavrixPlotComponent(...) also returns the figure handle
%   (empty when the picture went to a file).
%
%   Options
%     File::   ['']  write the picture to this PNG file (headless).
%     Title::  ['']  defaults to 'P(<variable> = <value>)'.
%     Info::   []    the INFO struct of TavrixRead, for names and labels.
%     CellText:: ['auto']  the text in the cells: 'auto' scales it to
%                         the cells, keeps only its first line, or leaves
%                         it out where it would not fit; 'on' writes all
%                         of it, as small as need be; 'off' none.
%
%   Errors (identifiers Tavrix:TavrixPlotComponent:<reason>)
%     argumentCount  fewer than three arguments
%     notModel, missingField, fieldClass, fieldSize, fieldValue
%                    MODEL is not a valid model
%     codeRange      an unknown variable or value
%     option         an unknown or malformed option, or a name or label
%                    without the Info option (Info not the info struct of
%                    TavrixRead: notInfo and the field reasons)
%     outputCount    more than two outputs asked for
%     cannotWrite    File cannot be written (not .png, no such folder, no
%                    permission); checked before drawing, and no partial
%                    file is left behind
%
%   Pictures are 760 pixels wide; their height follows the map's shape,
%   so the grid fills the picture whatever its size. A model whose field
%   Lattice is 'hexagonal' is drawn with hexagonal units (odd rows, counted
%   from 0, shifted right by half a unit).
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     TavrixPlotComponent(model, 'physician-fee-freeze', 'y', 'Info', info, ...
%                         'File', fullfile(tempdir, 'component.png'));
%
%   See also TavrixPlotHits, TavrixPlotUMatrix.
function [plane, fig, varargout] = TavrixPlotComponent(model, variable, value, varargin)
  caller = 'TavrixPlotComponent';
  tavrix_check_outputs(caller, nargout, 2, '[PLANE, FIG] = TavrixPlotComponent(MODEL, VARIABLE, VALUE, options...)');
  tavrix_check_count(caller, nargin, 3, Inf, 'TavrixPlotComponent(MODEL, VARIABLE, VALUE, options...)');
  tavrix_check_model(caller, model, 1, {'Marginal', 'Translate'});
  opts = tavrix_picture_options(caller, varargin, struct('File', '', 'Title', '', 'Info', [], 'CellText', 'auto'), 4);
  hexagonal = tavrix_hexagonal(caller, model);
  info = opts.Info;
  if ~isempty(info)
    info = tavrix_check_info(caller, info, 'option ''Info''');
  end
  if (ischar(variable) || ischar(value)) && isempty(info)
    tavrix_fail(caller, 'option', ['a variable name or value label needs the ''Info'' option, the INFO of ' ...
                '[CODES, INFO] = TavrixRead(FILE): call TavrixPlotComponent(MODEL, %s, %s, ''Info'', INFO), or ' ...
                'give the variable''s number and the 0-based code.'], tavrix_describe(variable), ...
                tavrix_describe(value));
  end
  if ischar(variable)
    if ~any(strcmp(info.Names, variable))
      tavrix_fail(caller, 'codeRange', ['VARIABLE ''%s'' is not a variable name of the Info option; names need ' ...
                  'the Info option (INFO of TavrixRead), or give the variable''s number.'], variable);
    end
    variable = find(strcmp(info.Names, variable), 1);
  end
  if ~is_whole(variable) || variable < 1 || variable > model.Dimension
    tavrix_fail(caller, 'codeRange', 'VARIABLE must be a variable 1..%d or its name; found %s.', ...
                model.Dimension, tavrix_describe(variable));
  end
  if ischar(value)
    if isempty(info) || variable > numel(info.Labels) || ~any(strcmp(info.Labels{variable}, value))
      tavrix_fail(caller, 'codeRange', ['VALUE ''%s'' is not a label of variable %d in the Info option; labels ' ...
                  'need the Info option (INFO of TavrixRead), or give the 0-based code.'], value, variable);
    end
    value = find(strcmp(info.Labels{variable}, value), 1) - 1;
  end
  if ~is_whole(value) || value < 0 || value >= model.Ranges(variable)
    tavrix_fail(caller, 'codeRange', 'VALUE must be a code 0..%d of variable %d or its label; found %s.', ...
                model.Ranges(variable) - 1, variable, tavrix_describe(value));
  end
  index = fix(model.Translate(value + 1, variable) - 1) + 1;
  units = model.NumRowsMap * model.NumColsMap;
  plane = zeros(model.NumRowsMap, model.NumColsMap);
  for k = 1:units
    plane(k) = model.Marginal{k}(index);
  end
  titleText = opts.Title;
  if isempty(titleText)
    if isempty(info) || variable > numel(info.Labels) || value >= numel(info.Labels{variable})
      titleText = sprintf('P(variable %d = %d)', variable, value);
    else
      titleText = sprintf('P(%s = %s)', info.Names{variable}, info.Labels{variable}{value + 1});
    end
  end
  cellText = arrayfun(@(p) sprintf('%.2f', p), plane, 'UniformOutput', false);
  fig = tavrix_picture(caller, plane, titleText, opts.File, cellText, [], ...
                       struct('BarLabel', 'probability', 'Hexagonal', hexagonal, 'CellText', opts.CellText));
end

function ok = is_whole(value)
  ok = isnumeric(value) && isreal(value) && isscalar(value) && value == fix(value);
end
