#include "table/ColumnInfo.h"

#include "common/AsciiChars.h"
#include "structure/QuorinFramesDefinition.h"
#include "table/FieldText.h"

TDisplayNameParts SplitDisplayName(const std::string& DisplayName) {
  const std::size_t Close = DisplayName.rfind(']');
  const std::size_t Open = Close == std::string::npos || Close == 0 ? std::string::npos : DisplayName.rfind('[', Close);
  if (Open == std::string::npos) return {Trimmed(DisplayName), ""};
  const std::string Before = Trimmed(DisplayName.substr(0, Open)), After = Trimmed(DisplayName.substr(Close + 1));
  return {Before.empty() || After.empty() ? Before + After : Before + ' ' + After,
          Trimmed(DisplayName.substr(Open + 1, Close - Open - 1))};
}

std::string TypeWord(const TDefinitionEntry& Row) {
  switch (Row.Kind) {
    case ekBoolean: return "BOOLEAN";
    case ekSubframe: return "SUBFRAME";
    case ekText: return "TEXT";
    case ekFrame: return "FRAME";
    case ekNumber: break;
  }
  return Row.IsTime ? "TIME" : Row.IsHex ? "HEX" : "NUMBER";
}

std::vector<TColumnInfo> ColumnInfos(const TFramesDefinition& Definition, const TTableColumns& Columns) {
  std::vector<TColumnInfo> Result;
  for (const TTableColumn& Column : Columns.Columns()) {
    const TDefinitionEntry& Row = Definition.Entries[static_cast<std::size_t>(Column.Row)];
    TDisplayNameParts Parts = SplitDisplayName(Row.DisplayName);
    Result.push_back({Column.Name, TypeWord(Row), std::move(Parts.Unit), std::move(Parts.Description), Row.Transform});
  }
  return Result;
}

std::optional<std::vector<TColumnInfo>> StructureColumnInfos(const std::string& StructureFile) {
  std::vector<std::string> Messages;
  const TQuorinFramesDefinition Definition(StructureFile, Messages);
  if (!Definition.Loaded) return std::nullopt;
  return ColumnInfos(Definition, TTableColumns(Definition));
}

std::string ColumnJson(const TColumnInfo& Info) {
  return "{\"name\":" + JsonStringText(Info.Name) + ",\"kind\":" + JsonStringText(Info.Kind) +
         ",\"unit\":" + JsonStringText(Info.Unit) + ",\"description\":" + JsonStringText(Info.Description) +
         ",\"transform\":" + JsonStringText(Info.Transform) + '}';
}

void WriteColumnsCsv(std::ostream& Out, const std::vector<TColumnInfo>& Infos) {
  Out << "name,kind,unit,description,transform\n";
  for (const TColumnInfo& Info : Infos)
    Out << CsvFieldText(Info.Name) << ',' << Info.Kind << ',' << CsvFieldText(Info.Unit) << ','
        << CsvFieldText(Info.Description) << ',' << CsvFieldText(Info.Transform) << '\n';
}

void WriteColumnsJsonl(std::ostream& Out, const std::vector<TColumnInfo>& Infos) {
  for (const TColumnInfo& Info : Infos) Out << ColumnJson(Info) << '\n';
}

void WriteColumnsLine(std::ostream& Out, const std::vector<TColumnInfo>& Infos) {
  Out << "{\"columns\":[";
  for (std::size_t I = 0; I < Infos.size(); ++I) Out << (I > 0 ? "," : "") << ColumnJson(Infos[I]);
  Out << "]}\n";
}
