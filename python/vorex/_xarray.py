"""The wide table as an xarray Dataset, laid out as vorex-cli table --format
netcdf writes it and decoded as xarray decodes that file."""

import numpy
import xarray


def _attribute(value):
    """An attribute as the netCDF4 module reads it: one number as a scalar, more as an array."""
    if isinstance(value, list):
        return numpy.float64(value[0]) if len(value) == 1 else numpy.array(value, dtype=numpy.float64)
    return value


def dataset(layout, columns):
    """The Dataset of the table columns (a dict as Project.table gives) in the layout of _netcdf_layout."""
    attributes, variables = layout
    data = {}
    for name, column, type, attrs in variables:
        values = columns[column]
        if type == "string":
            # Where the variable is absent the file holds its _FillValue, which reads as "".
            values = numpy.array(["" if text is None else text for text in values], dtype=object)
        data[name] = xarray.Variable("baseframe", values, {key: _attribute(value) for key, value in attrs.items()})
    return xarray.decode_cf(xarray.Dataset(data, attrs=attributes))
