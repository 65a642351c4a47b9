%TAVRIX_BUILD_MATLAB Build the MEX functions with the host's own mex command.
%   tavrix_build_matlab() builds every MEX function listed in mex_functions.txt
%   (TavrixBest, TavrixFit, ...) from the C++ sources of the Tavrix source
%   tree this file belongs to, into <root>/build/matlab, and adds that folder
%   and the toolbox folder to the path. Run it once in MATLAB; it needs a
%   C++17 compiler set up for mex (mex -setup C++).
%   tavrix_build_matlab(ROOT, OUTDIR) builds from the tree ROOT into OUTDIR.
%   tavrix_build_matlab(ROOT, OUTDIR, NAMES) builds only the functions
%   named in the cell array NAMES.
%   BUILT = tavrix_build_matlab(...) returns the paths of the files built.
%
%   MATLAB builds with 32-bit array dimensions (-compatibleArrayDims), the
%   interface the functions are written for, and with C++17 and the
%   floating-point flags of fp_flags.txt (-ffp-contract=off with gcc and
%   clang, SSE2 on 32-bit x86; /fp:precise with Microsoft's compiler), so
%   that the results are the doubles the tests check. MATLAB's functions
%   link libut, for its Ctrl-C check. Octave's mex runs the same script: it takes
%   the flags from the environment and has no -compatibleArrayDims.
%
%   Errors (identifiers Tavrix:tavrix_build_matlab:<reason>)
%     argumentCount  more than three arguments
%     sources        ROOT is not a Tavrix source tree
%     option         OUTDIR is not a folder name, or NAMES not names of
%                    functions in mex_functions.txt
%
%   Example
%     cd tavrix; addpath toolbox; tavrix_build_matlab();
%     help TavrixFit
%
%   See also mex.
function [built, varargout] = tavrix_build_matlab(root, outdir, names, varargin)
  tavrix_check_outputs('tavrix_build_matlab', nargout, 1, 'BUILT = tavrix_build_matlab(ROOT, OUTDIR, NAMES)');
  caller = 'tavrix_build_matlab';
  tavrix_check_count(caller, nargin, 0, 3, ['tavrix_build_matlab(), tavrix_build_matlab(ROOT, OUTDIR) or ' ...
                     'tavrix_build_matlab(ROOT, OUTDIR, NAMES)']);
  if nargin < 1 || isempty(root)
    root = source_root();
  elseif ~is_text(root) || ~exist(fullfile(root, 'core', 'map_model.hpp'), 'file')
    tavrix_fail(caller, 'sources', ['ROOT must name a Tavrix source tree (holding core/map_model.hpp); found %s. ' ...
                'Leave it out to build from the tree this file belongs to.'], tavrix_describe(root));
  end
  if nargin < 2 || isempty(outdir)
    outdir = fullfile(root, 'build', 'matlab');
  elseif ~is_text(outdir)
    tavrix_fail(caller, 'option', 'OUTDIR must be a folder name (text); found %s.', tavrix_describe(outdir));
  end
  gateways = read_manifest(root);
  if nargin >= 3
    check_names(caller, names, gateways(:, 1));
  end
  if ~exist(outdir, 'dir')
    mkdir(outdir);
  end
  octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
  fp = fp_flags(root);
  if octave
    restore = set_octave_flags(fp); %#ok<NASGU>
    flags = {};
  else
    % libut holds MATLAB's check for a pending Ctrl-C (host/interrupt.cpp).
    flags = [{'-compatibleArrayDims', '-lut'}, matlab_flags(fp)];
  end
  % Every gateway source, so that a folder's code leaves out the gateways it holds.
  gatewayFiles = cellfun(@(name, folder) fullfile(root, folder, [name '.cpp']), gateways(:, 1), gateways(:, 2), ...
                         'UniformOutput', false);
  shared = [cpp_files(fullfile(root, 'core')), cpp_files(fullfile(root, 'host'))];
  selected = gateways;
  if nargin >= 3
    selected = gateways(ismember(gateways(:, 1), names), :);
  end
  built = cell(1, size(selected, 1));
  for g = 1:size(selected, 1)
    name = selected{g, 1};
    sources = {fullfile(root, selected{g, 2}, [name '.cpp'])};
    for folder = [selected(g, 2), selected{g, 3}]
      code = cpp_files(fullfile(root, folder{1}));
      sources = [sources, code(~ismember(code, gatewayFiles))]; %#ok<AGROW>
    end
    fprintf('tavrix_build_matlab: %s\n', name);
    mex(flags{:}, '-output', fullfile(outdir, name), sources{:}, shared{:});
    built{g} = fullfile(outdir, [name '.' mexext()]);
    helpFile = fullfile(root, selected{g, 2}, [name '.m']);
    if exist(helpFile, 'file') && ~strcmp(fileparts(helpFile), outdir)
      copyfile(helpFile, outdir);   % the help text beside the function
    end
  end
  addpath(fullfile(root, 'toolbox'));
  addpath(outdir);
end

function ok = is_text(value)
  ok = ischar(value) && size(value, 1) == 1;
end

% NAMES: a cell array of functions listed in mex_functions.txt (KNOWN).
function check_names(caller, names, known)
  if ~iscellstr(names)
    tavrix_fail(caller, 'option', 'NAMES must be a cell array of function names; found %s.', tavrix_describe(names));
  end
  unknown = names(~ismember(names, known));
  if ~isempty(unknown)
    tavrix_fail(caller, 'option', 'NAMES lists ''%s'', which is not in mex_functions.txt; known: %s.', unknown{1}, ...
                strjoin(known', ', '));
  end
end

% The tree holding core/map_model.hpp, from this file's folder upwards
% (the file also lives in build/octave after a CMake build).
function root = source_root()
  root = fileparts(mfilename('fullpath'));
  for up = 1:4
    if exist(fullfile(root, 'core', 'map_model.hpp'), 'file')
      return;
    end
    root = fileparts(root);
  end
  tavrix_fail('tavrix_build_matlab', 'sources', 'cannot find the Tavrix sources above %s; pass ROOT.', ...
              fileparts(mfilename('fullpath')));
end

% The MEX functions of mex_functions.txt: per row its name, its folder and the
% other folders whose code it uses.
function gateways = read_manifest(root)
  text = fileread(fullfile(root, 'mex_functions.txt'));
  lines = regexprep(strsplit(text, {'\r\n', '\n'}), '#.*', '');
  gateways = cell(0, 3);
  for l = 1:numel(lines)
    fields = strsplit(strtrim(lines{l}));
    if numel(fields) >= 2
      gateways(end + 1, :) = {fields{1}, fields{2}, fields(3:end)}; %#ok<AGROW>
    end
  end
end

% The flags of fp_flags.txt for this machine: "all", and "x86-32" on 32-bit x86.
function flags = fp_flags(root)
  text = fileread(fullfile(root, 'fp_flags.txt'));
  lines = strsplit(text, {'\r\n', '\n'});
  x86_32 = ~isempty(regexp(computer(), '^(i[3-6]86|PCWIN$|GLNX86$)', 'once'));
  flags = '';
  for l = 1:numel(lines)
    fields = strsplit(strtrim(lines{l}));
    if strcmp(fields{1}, 'all') || (x86_32 && strcmp(fields{1}, 'x86-32'))
      flags = strtrim([flags ' ' strjoin(fields(2:end), ' ')]);
    end
  end
end

function flags = matlab_flags(fp)
  cxx = '';
  if ispc
    config = mex.getCompilerConfigurations('C++', 'Selected');
    if ~isempty(config)
      cxx = config.ShortName;
    end
  end
  if strncmpi(cxx, 'MSVC', 4)
    flags = {'COMPFLAGS=$COMPFLAGS /std:c++17 /fp:precise /EHsc'};
  else
    flags = {['CXXFLAGS=$CXXFLAGS -std=c++17 ' fp ' -pthread'], 'LDFLAGS=$LDFLAGS -pthread'};
  end
end

% Octave's mex reads its flags from the environment only.
function restore = set_octave_flags(fp)
  saved = {getenv('CXXFLAGS'), getenv('LDFLAGS')};
  setenv('CXXFLAGS', ['-O2 -fPIC -std=c++17 ' fp ' -pthread']);
  setenv('LDFLAGS', '-pthread');
  restore = onCleanup(@() restore_env(saved));
end

function restore_env(saved)
  setenv('CXXFLAGS', saved{1});
  setenv('LDFLAGS', saved{2});
end

function files = cpp_files(folder)
  listing = dir(fullfile(folder, '*.cpp'));
  files = cellfun(@(f) fullfile(folder, f), {listing.name}, 'UniformOutput', false);
end

