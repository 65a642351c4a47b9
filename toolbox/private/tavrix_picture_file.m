% Checks, before any drawing, that the picture FILE can be written: a .png
% name in a folder that exists and where a file can be created, and not an
% existing folder or a file that cannot be replaced. Raises
% Tavrix:<caller>:cannotWrite naming the path and what to do.
function tavrix_picture_file(caller, file)
  [folder, ~, extension] = fileparts(file);
  if isempty(folder)
    folder = '.';
  end
  if ~strcmpi(extension, '.png')
    refuse(caller, file, sprintf('pictures are PNG files, so option ''File'' must end in .png; found ''%s''', ...
                                 extension));
  end
  if ~exist(folder, 'dir')
    refuse(caller, file, sprintf('the folder ''%s'' does not exist; create it (mkdir) or choose another', folder));
  end
  if exist(file, 'dir')
    refuse(caller, file, 'it is a folder; name a file in it');
  end
  probe = [tempname(folder) '.png'];
  [fid, reason] = fopen(probe, 'w');
  if fid < 0
    refuse(caller, file, sprintf('no file can be created in the folder ''%s'' (%s); check its permissions', ...
                                 folder, reason));
  end
  fclose(fid);
  delete(probe);
  if exist(file, 'file')
    [fid, reason] = fopen(file, 'r+');
    if fid < 0
      refuse(caller, file, sprintf('the file exists and cannot be replaced (%s); check its permissions', reason));
    end
    fclose(fid);
  end
end

function refuse(caller, file, why)
  tavrix_fail(caller, 'cannotWrite', 'cannot write the picture to ''%s'': %s.', file, why);
end
