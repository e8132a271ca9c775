#pragma once
// What the structure file tells of a table column besides its values: the
// type word of its row, the unit and description its display name gives,
// and its transform.
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "structure/DefinitionEntry.h"
#include "structure/FramesDefinition.h"
#include "table/TableColumns.h"

struct TColumnInfo {
  std::string Name, Kind, Unit, Description, Transform;
};

struct TDisplayNameParts {
  std::string Description, Unit;
};

// "Electronics temperature [degC]": the unit is the text in the last pair of
// square brackets, the description the rest; both trimmed. Without a pair of
// brackets the whole display name is the description.
TDisplayNameParts SplitDisplayName(const std::string& DisplayName);

// The type a variable row was written with: NUMBER, BOOLEAN, TEXT, TIME,
// HEX or SUBFRAME.
std::string TypeWord(const TDefinitionEntry& Row);

// The columns of Columns, in their order.
std::vector<TColumnInfo> ColumnInfos(const TFramesDefinition& Definition, const TTableColumns& Columns);
// The columns of the wide table of the structure file, none when it does not
// load (the log says why). Throws EConvertError as the definition does.
std::optional<std::vector<TColumnInfo>> StructureColumnInfos(const std::string& StructureFile);

// {"name":..,"kind":..,"unit":..,"description":..,"transform":..}
std::string ColumnJson(const TColumnInfo& Info);
// The header line "name,kind,unit,description,transform" and a line per column.
void WriteColumnsCsv(std::ostream& Out, const std::vector<TColumnInfo>& Infos);
// A JSON object per column and line.
void WriteColumnsJsonl(std::ostream& Out, const std::vector<TColumnInfo>& Infos);
// One line {"columns":[...]} with every column.
void WriteColumnsLine(std::ostream& Out, const std::vector<TColumnInfo>& Infos);
