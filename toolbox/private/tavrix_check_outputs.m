% Fails with Tavrix:<caller>:outputCount when COUNT results were asked for
% and the function gives at most HIGH; USAGE shows the full call.
function tavrix_check_outputs(caller, count, high, usage)
  if count <= high
    return;
  end
  noun = 'results';
  if high == 1
    noun = 'result';
  end
  tavrix_fail(caller, 'outputCount', 'gives at most %d %s; %d were requested. Call %s.', high, noun, count, usage);
end
