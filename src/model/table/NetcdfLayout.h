#pragma once
// The wide table as a netCDF-4 dataset following the CF conventions: its
// global attributes and its variables along the dimension "baseframe", the
// fixed ones (file, frame, serial, time) first, then one per column. The
// structure file's texts are Latin-1, their attributes UTF-8; file names
// are kept as they are.
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "project/Project.h"
#include "table/TableColumns.h"

enum class TNetcdfType { Int64, Double, String };

struct TNetcdfAttribute {
  std::string Name;
  std::variant<std::string, std::vector<double>> Value;
};

struct TNetcdfVariable {
  std::string Name;
  std::string Column;  // of the table: the qualified name, or the fixed column's
  TNetcdfType Type = TNetcdfType::Double;
  std::vector<TNetcdfAttribute> Attributes;
};

// file, frame, serial and time.
constexpr std::size_t NetcdfFixedVariables = 4;

struct TNetcdfLayout {
  std::vector<TNetcdfAttribute> Global;
  // The fixed ones, then the columns in their order.
  std::vector<TNetcdfVariable> Variables;
};

// The layout of the table of Columns for Project, whose definition is
// loaded: its Offset Time and its files as its settings name them.
TNetcdfLayout NetcdfLayout(const TProject& Project, const TTableColumns& Columns);

// A netCDF name for Name: every byte that is no printable ASCII character,
// and "/", becomes "_", as does a first character other than a letter, a
// digit or "_".
std::string NetcdfName(const std::string& Name);

std::string Latin1ToUtf8(const std::string& Text);
