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
%
%   Errors (identifiers Tavrix:TavrixPlotComponent:<reason>)
%     codeRange  an unknown variable or value
%     option     an unknown or malformed option
%
%   Every picture function draws 700 x 525 pixels.
%
%   Example
%     [codes, info] = TavrixRead('data/vote.arff');
%     votes = codes(1:16, :);
%     model = TavrixTrain(TavrixInit(votes, 6, 6, 'Seed', 1, 'Ranges', info.Ranges(1:16)), votes, 30);
%     TavrixPlotComponent(model, 'physician-fee-freeze', 'y', 'Info', info, ...
%                         'File', fullfile(tempdir, 'component.png'));
%
%   See also TavrixPlotHits, TavrixPlotUMatrix.
function [plane, fig] = TavrixPlotComponent(model, variable, value, varargin)
  opts = tavrix_picture_options('TavrixPlotComponent', varargin, struct('File', '', 'Title', '', 'Info', []));
  info = opts.Info;
  if ischar(variable)
    if isempty(info) || ~any(strcmp(info.Names, variable))
      error('Tavrix:TavrixPlotComponent:codeRange', 'unknown variable ''%s'' (names need the Info option).', variable);
    end
    variable = find(strcmp(info.Names, variable), 1);
  end
  if ~isscalar(variable) || variable < 1 || variable > model.Dimension || variable ~= fix(variable)
    error('Tavrix:TavrixPlotComponent:codeRange', 'VARIABLE must be 1..%d.', model.Dimension);
  end
  if ischar(value)
    if isempty(info) || ~any(strcmp(info.Labels{variable}, value))
      error('Tavrix:TavrixPlotComponent:codeRange', 'unknown value ''%s''.', value);
    end
    value = find(strcmp(info.Labels{variable}, value), 1) - 1;
  end
  if ~isscalar(value) || value < 0 || value >= model.Ranges(variable) || value ~= fix(value)
    error('Tavrix:TavrixPlotComponent:codeRange', 'VALUE must be a code 0..%d.', model.Ranges(variable) - 1);
  end
  index = fix(model.Translate(value + 1, variable) - 1) + 1;
  units = model.NumRowsMap * model.NumColsMap;
  plane = zeros(model.NumRowsMap, model.NumColsMap);
  for k = 1:units
    plane(k) = model.Marginal{k}(index);
  end
  titleText = opts.Title;
  if isempty(titleText)
    if isempty(info)
      titleText = sprintf('P(variable %d = %d)', variable, value);
    else
      titleText = sprintf('P(%s = %s)', info.Names{variable}, info.Labels{variable}{value + 1});
    end
  end
  cellText = arrayfun(@(p) sprintf('%.2f', p), plane, 'UniformOutput', false);
  fig = tavrix_picture(plane, titleText, opts.File, cellText, [], struct('BarLabel', 'probability'));
end
