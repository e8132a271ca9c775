#pragma once
// The netCDF layout of a wide table as Python objects, from which the
// package builds the xarray Dataset that reading the file gives.
#include <pybind11/pybind11.h>

#include "table/NetcdfLayout.h"

// (global attributes, [(name, column, type, attributes)]): type is "int64",
// "double" or "string"; an attribute is a str, or a list of floats.
pybind11::tuple NetcdfLayoutObject(const TNetcdfLayout& Layout);
