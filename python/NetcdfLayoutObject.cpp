#include "NetcdfLayoutObject.h"

#include <pybind11/stl.h>

namespace py = pybind11;

namespace {

const char* TypeName(TNetcdfType Type) {
  switch (Type) {
    case TNetcdfType::Int64: return "int64";
    case TNetcdfType::Double: return "double";
    case TNetcdfType::String: return "string";
  }
  return "double";
}

py::dict Attributes(const std::vector<TNetcdfAttribute>& List) {
  py::dict Result;
  for (const TNetcdfAttribute& Attribute : List)
    Result[py::str(Attribute.Name)] = std::visit([](const auto& Value) { return py::cast(Value); }, Attribute.Value);
  return Result;
}

}  // namespace

py::tuple NetcdfLayoutObject(const TNetcdfLayout& Layout) {
  py::list Variables;
  for (const TNetcdfVariable& Variable : Layout.Variables)
    Variables.append(py::make_tuple(Variable.Name, py::str(Latin1ToUtf8(Variable.Column)), TypeName(Variable.Type),
                                    Attributes(Variable.Attributes)));
  return py::make_tuple(Attributes(Layout.Global), Variables);
}
