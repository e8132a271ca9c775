#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LogRecorder.h"
#include "StructureText.h"
#include "structure/QuorinFramesDefinition.h"
#include "table/ColumnInfo.h"

TEST(ColumnInfo, TheLastPairOfSquareBracketsOfTheDisplayNameIsTheUnit) {
  const struct {
    std::string DisplayName, Description, Unit;
  } Cases[] = {{"Electronics temperature [degC]", "Electronics temperature", "degC"},
               {"Plain name", "Plain name", ""},
               {"  Spaced  ", "Spaced", ""},
               {"Range [0..5] in [ V ]", "Range [0..5] in", "V"},
               {"Current [mA] raw", "Current raw", "mA"},
               {"[%]", "", "%"},
               {"Empty []", "Empty", ""},
               {"Closed ] then [ open", "Closed ] then [ open", ""},
               {"No close [V", "No close [V", ""},
               {"", "", ""}};
  for (const auto& C : Cases) {
    const TDisplayNameParts Parts = SplitDisplayName(C.DisplayName);
    EXPECT_EQ(Parts.Description, C.Description) << C.DisplayName;
    EXPECT_EQ(Parts.Unit, C.Unit) << C.DisplayName;
  }
}

TEST(ColumnInfo, EveryColumnHasTheTypeItsRowWasWrittenWith) {
  const TLogRecorder Log;
  const std::string Text = Lines({"[BaseFrame:8]", Row({"0", "1", "number", "N", "N*2", "\"Count [1/s]\""}),
                                  Row({"1", "0,1", "BOOLEAN", "B", "B"}), Row({"2", "1", "TIME", "T", "T"}),
                                  Row({"3", "1", "HEX", "H", "H", "Status"}), Row({"4", "4", "TEXT", "M", "M"})});
  std::vector<std::string> Messages;
  const TQuorinFramesDefinition Definition(TStructureText{Text, "s.structure"}, Messages);
  ASSERT_TRUE(Definition.Loaded);
  const std::vector<TColumnInfo> Infos = ColumnInfos(Definition, TTableColumns(Definition));
  const std::vector<std::vector<std::string>> Expected = {{"N", "NUMBER", "1/s", "Count", "N*2"},
                                                          {"B", "BOOLEAN", "", "B", "B"},
                                                          {"T", "TIME", "", "T", "T"},
                                                          {"H", "HEX", "", "Status", "H"},
                                                          {"M", "TEXT", "", "M", "M"}};
  ASSERT_EQ(Infos.size(), Expected.size());
  for (std::size_t I = 0; I < Infos.size(); ++I)
    EXPECT_EQ((std::vector<std::string>{Infos[I].Name, Infos[I].Kind, Infos[I].Unit, Infos[I].Description,
                                        Infos[I].Transform}),
              Expected[I]);
}
