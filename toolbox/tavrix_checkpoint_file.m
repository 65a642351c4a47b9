% message = tavrix_checkpoint_file('save', file, checkpoint)
% [checkpoint, message] = tavrix_checkpoint_file('load', file)
% TavrixTrain's checkpoint files, the variable 'checkpoint' of a MAT file
% (v7), the same files tavrix-train reads and writes. Saving writes a
% temporary file beside FILE and renames it over FILE, so FILE only ever
% holds a whole checkpoint. What fails comes back as MESSAGE ('' when all
% went well), for TavrixTrain to raise as Tavrix:TavrixTrain:checkpoint.
function [out, message] = tavrix_checkpoint_file(action, file, checkpoint)
out = []; message = '';
try
  switch action
    case 'save'
      out = save_whole(file, checkpoint);
    case 'load'
      if ~exist(file, 'file')
        message = 'no such file; name a file that ''Checkpoint'' or tavrix-train --checkpoint wrote';
        return;
      end
      saved = load(file);
      if ~isstruct(saved) || ~isfield(saved, 'checkpoint')
        message = 'holds no variable ''checkpoint''; name a file that ''Checkpoint'' or tavrix-train --checkpoint wrote';
        return;
      end
      out = saved.checkpoint;
  end
catch err
  message = ['cannot be read or written: ' err.message];
end
end

% Saves to a temporary file in FILE's folder, then renames it over FILE.
function message = save_whole(file, checkpoint)
[folder, name, extension] = fileparts(file);
if isempty(folder)
  folder = '.';
end
letters = ['a':'z' 'A':'Z' '0':'9'];
temporary = fullfile(folder, ['.' name extension '.' letters(randi(numel(letters), 1, 6))]);
try
  save('-v7', temporary, 'checkpoint');
  [moved, why] = movefile(temporary, file, 'f');
  if ~moved
    error('Tavrix:tavrix_checkpoint_file:rename', 'cannot rename %s to it: %s', temporary, why);
  end
  message = '';
catch err
  if exist(temporary, 'file')
    delete(temporary);
  end
  message = ['cannot be written: ' err.message];
end
end
