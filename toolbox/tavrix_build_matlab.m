%TAVRIX_BUILD_MATLAB Build the MEX functions with the host's own mex command.
%   tavrix_build_matlab() builds TavrixBest, TavrixFit, TavrixScore,
%   TavrixHoles and TavrixImpute from the C++ sources of the Tavrix source
%   tree this file belongs to, into <root>/build/matlab, and adds that folder
%   and the toolbox folder to the path. Run it once in MATLAB; it needs a
%   C++17 compiler set up for mex (mex -setup C++).
%   tavrix_build_matlab(ROOT, OUTDIR) builds from the tree ROOT into OUTDIR.
%   tavrix_build_matlab(ROOT, OUTDIR, NAMES) builds only the functions
%   named in the cell array NAMES.
%   BUILT = tavrix_build_matlab(...) returns the paths of the files built.
%
%   MATLAB builds with 32-bit array dimensions (-compatibleArrayDims), the
%   interface the functions are written for, and with C++17 and
%   floating-point contraction off (-ffp-contract=off with gcc and clang,
%   /fp:precise with Microsoft's compiler), so that the results are the
%   doubles the tests check. Octave's mex runs the same script: it takes
%   the flags from the environment and has no -compatibleArrayDims.
%
%   Example
%     cd tavrix; addpath toolbox; tavrix_build_matlab();
%     help TavrixFit
%
%   See also mex.
function built = tavrix_build_matlab(root, outdir, names)
  if nargin < 1 || isempty(root)
    root = source_root();
  end
  if nargin < 2 || isempty(outdir)
    outdir = fullfile(root, 'build', 'matlab');
  end
  % Each function: its folder and the folders whose code it also uses.
  gateways = {'TavrixBest', 'winner', {}; 'TavrixFit', 'train', {}; 'TavrixScore', 'score', {}; ...
              'TavrixHoles', 'holes', {}; 'TavrixImpute', 'impute', {}};
  if nargin >= 3
    gateways = gateways(ismember(gateways(:, 1), names), :);
  end
  if ~exist(outdir, 'dir')
    mkdir(outdir);
  end
  octave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
  if octave
    restore = set_octave_flags(); %#ok<NASGU>
    flags = {};
  else
    flags = [{'-compatibleArrayDims'}, matlab_flags()];
  end
  shared = [cpp_files(fullfile(root, 'core')), cpp_files(fullfile(root, 'host'))];
  built = cell(1, size(gateways, 1));
  for g = 1:size(gateways, 1)
    name = gateways{g, 1};
    sources = cpp_files(fullfile(root, gateways{g, 2}));
    for extra = gateways{g, 3}
      others = cpp_files(fullfile(root, extra{1}));
      sources = [sources, others(~strncmp(cellfun(@leaf, others, 'UniformOutput', false), 'Tavrix', 6))]; %#ok<AGROW>
    end
    fprintf('tavrix_build_matlab: %s\n', name);
    mex(flags{:}, '-output', fullfile(outdir, name), sources{:}, shared{:});
    built{g} = fullfile(outdir, [name '.' mexext()]);
    helpFile = fullfile(root, gateways{g, 2}, [name '.m']);
    if exist(helpFile, 'file') && ~strcmp(fileparts(helpFile), outdir)
      copyfile(helpFile, outdir);   % the help text beside the function
    end
  end
  addpath(fullfile(root, 'toolbox'));
  addpath(outdir);
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
  error('Tavrix:tavrix_build_matlab:sources', 'cannot find the Tavrix sources; pass ROOT.');
end

function flags = matlab_flags()
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
    flags = {'CXXFLAGS=$CXXFLAGS -std=c++17 -ffp-contract=off -pthread', 'LDFLAGS=$LDFLAGS -pthread'};
  end
end

% Octave's mex reads its flags from the environment only.
function restore = set_octave_flags()
  saved = {getenv('CXXFLAGS'), getenv('LDFLAGS')};
  setenv('CXXFLAGS', '-O2 -fPIC -std=c++17 -ffp-contract=off -pthread');
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

function name = leaf(path)
  [~, name] = fileparts(path);
end
