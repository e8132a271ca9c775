#include "table/NetcdfLayout.h"

#include <cctype>
#include <limits>
#include <set>

#include "common/DateTime.h"
#include "table/ColumnInfo.h"

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// Name, or Name_2, Name_3, ... when Taken holds it; added to Taken.
std::string UniqueName(const std::string& Name, std::set<std::string>& Taken) {
  std::string Result = Name;
  for (int N = 2; Taken.count(Result); ++N) Result = Name + "_" + std::to_string(N);
  Taken.insert(Result);
  return Result;
}

TNetcdfVariable FixedVariable(const std::string& Name, TNetcdfType Type, const std::string& LongName) {
  return {Name, Name, Type, {{"long_name", LongName}}};
}

TNetcdfVariable ColumnVariable(const TTableColumn& Column, const TDefinitionEntry& Row, std::set<std::string>& Taken) {
  TNetcdfVariable Variable;
  Variable.Name = UniqueName(NetcdfName(Column.Name), Taken);
  Variable.Column = Column.Name;
  Variable.Type = Row.Kind == ekText ? TNetcdfType::String : TNetcdfType::Double;
  auto& Attributes = Variable.Attributes;
  Attributes.push_back({"long_name", Latin1ToUtf8(Row.DisplayName.empty() ? Column.Name : Row.DisplayName)});
  if (const std::string Unit = SplitDisplayName(Row.DisplayName).Unit; !Unit.empty())
    Attributes.push_back({"units", Latin1ToUtf8(Unit)});
  if (Row.Kind == ekBoolean) {
    Attributes.push_back({"flag_values", std::vector<double>{0, 1}});
    Attributes.push_back({"flag_meanings", std::string("false true")});
  }
  if (Variable.Type == TNetcdfType::Double) Attributes.push_back({"_FillValue", std::vector<double>{NaN}});
  if (Variable.Type == TNetcdfType::String) Attributes.push_back({"_FillValue", std::string()});
  if (Variable.Name != Column.Name) Attributes.push_back({"qualified_name", Latin1ToUtf8(Column.Name)});
  return Variable;
}

}  // namespace

std::string NetcdfName(const std::string& Name) {
  std::string Result = Name.empty() ? "_" : Name;
  for (char& C : Result)
    if (C < ' ' || C > '~' || C == '/') C = '_';
  const char First = Result[0];
  if (!std::isalnum(static_cast<unsigned char>(First)) && First != '_') Result[0] = '_';
  if (Result.back() == ' ') Result.back() = '_';
  return Result;
}

std::string Latin1ToUtf8(const std::string& Text) {
  std::string Result;
  Result.reserve(Text.size());
  for (const char C : Text) {
    const auto Byte = static_cast<unsigned char>(C);
    if (Byte < 0x80) {
      Result += C;
    } else {
      Result += static_cast<char>(0xC0 | Byte >> 6);
      Result += static_cast<char>(0x80 | (Byte & 0x3F));
    }
  }
  return Result;
}

TNetcdfLayout NetcdfLayout(const TProject& Project, const TTableColumns& Columns) {
  TNetcdfLayout Layout;
  const TProjectSettings& Settings = Project.Settings;
  const std::string Offset = FormatDateTime("yyyy-MM-dd HH:mm:ss", Project.StartTime);
  Layout.Global = {
      {"Conventions", std::string("CF-1.8")}, {"offset_time", Offset}, {"structure_file", Settings.StructureFile}};
  const std::vector<std::string> Files = Project.PacketFiles();
  for (std::size_t File = 0; File < Files.size(); ++File)
    if (File == 0 || !Files[File].empty())
      Layout.Global.push_back({"packet_file_" + std::to_string(File + 1), Files[File]});

  auto& Variables = Layout.Variables;
  Variables.push_back(FixedVariable("file", TNetcdfType::Int64, "packet file (N: packet_file_N)"));
  Variables.push_back(FixedVariable("frame", TNetcdfType::Int64, "BaseFrame number in its packet file"));
  Variables.push_back(FixedVariable("serial", TNetcdfType::Int64, "serial number of the BaseFrame"));
  TNetcdfVariable Time = FixedVariable("time", TNetcdfType::Double, "time");
  Time.Attributes.push_back({"standard_name", std::string("time")});
  Time.Attributes.push_back({"units", "seconds since " + Offset});
  Time.Attributes.push_back({"calendar", std::string("standard")});
  Time.Attributes.push_back({"_FillValue", std::vector<double>{NaN}});
  Variables.push_back(std::move(Time));

  std::set<std::string> Taken = {"file", "frame", "serial", "time"};
  for (const TTableColumn& Column : Columns.Columns())
    Variables.push_back(
        ColumnVariable(Column, Project.Definition->Entries[static_cast<std::size_t>(Column.Row)], Taken));
  return Layout;
}
