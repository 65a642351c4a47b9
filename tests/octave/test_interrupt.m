function test_interrupt()
% Ctrl-C stops a long TavrixFit: an octave-cli that reads its commands from
% a file gets SIGINT two seconds into the call. The call must end within two
% seconds of the signal, with Octave's interrupt (no result, no error), and
% the next call of the session must run.
  if ispc() || exist('kill', 'builtin') == 0 || exist('SIG', 'builtin') == 0
    printf('test_interrupt: skipped, no signals to send here\n');
    return;
  end
  octave = fullfile(OCTAVE_HOME(), 'bin', 'octave-cli');
  if exist(octave, 'file') == 0
    printf('test_interrupt: skipped, no %s\n', octave);
    return;
  end
  work = tempname();
  mkdir(work);
  cleanup = onCleanup(@() remove_dir(work));
  commands = fullfile(work, 'commands.m');
  output = fullfile(work, 'output.txt');
  write_lines(commands, {
    sprintf('addpath(''%s'');', fileparts(which('TavrixFit')))
    'rand(''state'', 5); model = TavrixInit(floor(rand(30, 400) * 4), 8, 8, ''Seed'', 1);'
    'printf(''started\n''); fflush(stdout); trained = TavrixFit(model, 1e7, ''Seed'', 1); printf(''finished\n'');'
    'printf(''interrupted %d\n'', ~exist(''trained'', ''var'')); fflush(stdout);'
    'small = TavrixFit(model, 3, ''Seed'', 1); printf(''next call %d\n'', sum(small.NumVictories(:)));'});
  pid = system(sprintf('exec "%s" --no-gui --norc --no-history < "%s" > "%s" 2>&1', octave, commands, output), ...
               false, 'async');
  if ~wait_for(output, 'started', 60)
    kill(pid, SIG().KILL);
    error('test_interrupt: the session did not start the call: %s', fileread(output));
  end
  pause(2);
  kill(pid, SIG().INT);
  signalled = tic();
  stopped = wait_for(output, 'interrupted', 10);
  latency = toc(signalled);
  ran = wait_for(output, 'next call', 30);
  kill(pid, SIG().KILL);
  text = fileread(output);
  assert(stopped, 'SIGINT did not stop TavrixFit within 10 s: %s', text);
  printf('test_interrupt: TavrixFit ended %.2f s after SIGINT\n', latency);
  assert(latency < 2, 'TavrixFit ended %.2f s after SIGINT', latency);
  assert(isempty(strfind(text, 'finished')) && ~isempty(strfind(text, 'interrupted 1')), ...
         'the interrupted call gave a result: %s', text);
  assert(isempty(strfind(text, 'error')), 'the interrupt raised an error: %s', text);
  assert(ran && ~isempty(strfind(text, 'next call 3')), 'the next call did not run: %s', text);
end

% True once `file` holds `marker`, false after `seconds`.
function found = wait_for(file, marker, seconds)
  start = tic();
  found = false;
  while ~found && toc(start) < seconds
    pause(0.02);
    found = exist(file, 'file') && ~isempty(strfind(fileread(file), marker));
  end
end

function write_lines(file, lines)
  f = fopen(file, 'w');
  fprintf(f, '%s\n', lines{:});
  fclose(f);
end

function remove_dir(folder)
  confirm_recursive_rmdir(false, 'local');
  rmdir(folder, 's');
end
