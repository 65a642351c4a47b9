% True when MODEL's field Lattice says 'hexagonal'; a model without the
% field, or with 'rectangular', is rectangular. Anything else raises
% Tavrix:<caller>:fieldValue.
function hex = tavrix_hexagonal(caller, model)
  hex = false;
  if ~isfield(model, 'Lattice')
    return;
  end
  lattice = model.Lattice;
  if ischar(lattice) && any(strcmpi(lattice, {'hexagonal', 'rectangular'}))
    hex = strcmpi(lattice, 'hexagonal');
    return;
  end
  tavrix_fail(caller, 'fieldValue', ['model field ''Lattice'' must be ''rectangular'' or ''hexagonal''; found %s. ' ...
              'Remove the field for a rectangular map.'], tavrix_describe(lattice));
end
