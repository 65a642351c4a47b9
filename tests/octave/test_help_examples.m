function test_help_examples(root)
% Runs the Example section of the help of every public function as written,
% each in a fresh workspace, then the code blocks of docs/guide.md in order in
% one workspace, in a scratch folder laid out like the repository root (its
% data/ copied in) so that the files they write land there. The functions are
% whatever is on the path: the build, or the installed package when
% tools/test-package.sh passes the repository root. README.md lists every one.
  if nargin < 1
    root = fileparts(fileparts(fileparts(mfilename('fullpath'))));
  end
  names = public_functions(root);
  readme = fileread(fullfile(root, 'README.md'));
  unlisted = names(cellfun(@(name) isempty(strfind(readme, ['`' name '`'])), names));
  assert(isempty(unlisted), 'README.md does not list %s', strjoin(unlisted, ', '));
  scratch = tempname();
  mkdir(scratch);
  copyfile(fullfile(root, 'data'), fullfile(scratch, 'data'));
  home = pwd();
  visible = get(0, 'DefaultFigureVisible');
  set(0, 'DefaultFigureVisible', 'off');
  failures = {};
  cd(scratch);
  try
    for n = 1:numel(names)
      code = example_of(help(names{n}));
      if isempty(code)
        failures{end + 1} = sprintf('%s: its help has no Example section', names{n});
        continue;
      end
      try
        run_in_fresh_workspace(code);
      catch err
        failures{end + 1} = sprintf('%s: %s (%s)', names{n}, err.message, err.identifier);
      end
      close all;
    end
    try
      run_in_fresh_workspace(guide_code(fileread(fullfile(root, 'docs', 'guide.md'))));
    catch err
      failures{end + 1} = sprintf('docs/guide.md: %s (%s)', err.message, err.identifier);
    end
    close all;
  catch err
    failures{end + 1} = err.message;
  end
  cd(home);
  set(0, 'DefaultFigureVisible', visible);
  confirm_recursive_rmdir(false);
  rmdir(scratch, 's');
  if ~isempty(failures)
    error('test:helpExamples', 'help examples that do not run:\n  %s', strjoin(failures, '\n  '));
  end
  printf('test_help_examples: %d examples ran\n', numel(names));
end

function names = public_functions(root)
% The MEX functions of mex_functions.txt and the toolbox's .m files. Private
% helpers sit in toolbox/private and are not listed; the lower-case tavrix_*
% files are left out too: tavrix_block_statistics is an internal step of
% TavrixTrain, and tavrix_build_matlab's example builds the MEX files with
% MATLAB's mex.
  lines = strsplit(fileread(fullfile(root, 'mex_functions.txt')), "\n");
  names = {};
  for l = 1:numel(lines)
    words = strsplit(strtrim(regexprep(lines{l}, '#.*', '')));
    if ~isempty(words{1})
      names{end + 1} = words{1};
    end
  end
  files = dir(fullfile(root, 'toolbox', '*.m'));
  for f = 1:numel(files)
    [~, name] = fileparts(files(f).name);
    if ~strncmp(name, 'tavrix_', 7)
      names{end + 1} = name;
    end
  end
  assert(numel(names) > 10, 'too few functions found under %s', root);
end

function code = example_of(text)
% The lines between "Example" and "See also" of a help text, unindented.
  lines = strsplit(text, "\n");
  first = find(~cellfun(@isempty, regexp(lines, '^\s*Examples?\s*$', 'once')), 1);
  code = '';
  if isempty(first)
    return;
  end
  last = first + find(~cellfun(@isempty, regexp(lines(first + 1:end), '^\s*See also', 'once')), 1) - 1;
  if isempty(last)
    last = numel(lines);
  end
  code = strjoin(strtrim(lines(first + 1:last)), "\n");
end

function code = guide_code(text)
% The indented code blocks of the guide from its section 1 on (the ones
% before it install the functions), in order.
  text = text(regexp(text, '\n## 1\.', 'once'):end);
  lines = strsplit(text, "\n");
  inBlock = ~cellfun(@isempty, regexp(lines, '^    ', 'once'));
  code = strjoin(strtrim(lines(inBlock)), "\n");
end

function run_in_fresh_workspace(tavrix_example_code)
  evalc(tavrix_example_code);
end
