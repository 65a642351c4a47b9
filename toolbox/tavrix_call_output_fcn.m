% [takesModel, message] = tavrix_call_output_fcn(f)
% [stop, message] = tavrix_call_output_fcn(f, report, model)
% TavrixTrain's 'OutputFcn' F, called for it: with F alone, whether F takes
% the model as a second argument (nargin(f) >= 2, or a varargin), so that
% TavrixTrain builds the model only then; with the epoch's REPORT (and
% MODEL), F's answer as a logical scalar. What fails, F included, comes back
% as MESSAGE ('' when all went well).
function [answer, message] = tavrix_call_output_fcn(f, report, model)
answer = false; message = '';
try
  if nargin == 1
    count = nargin(f);
    answer = count >= 2 || count < 0;
    return;
  end
  if nargin == 3
    stop = f(report, model);
  else
    stop = f(report);
  end
  if ~((islogical(stop) || isnumeric(stop)) && isscalar(stop) && isreal(stop))
    message = sprintf('returned a %s of size %s, not true or false', class(stop), mat2str(size(stop)));
    return;
  end
  answer = logical(stop);
catch err
  message = err.message;
end
end
