#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "table/NetcdfLayout.h"

TEST(NetcdfLayout, NamesKeepDotsAndLoseWhatNetcdfRefuses) {
  const std::pair<std::string, std::string> Cases[] = {{"HKFrame.HK_TEMP1", "HKFrame.HK_TEMP1"},
                                                       {"ADC-Subframe-Type-1.ADC1_T1", "ADC-Subframe-Type-1.ADC1_T1"},
                                                       {"2ND.V", "2ND.V"},
                                                       {"A/B.C", "A_B.C"},
                                                       {".HIDDEN", "_HIDDEN"},
                                                       {"TAB\tX", "TAB_X"},
                                                       {"TEMP\xb0", "TEMP_"},
                                                       {"TRAILING ", "TRAILING_"},
                                                       {"", "_"}};
  for (const auto& [Name, Netcdf] : Cases) EXPECT_EQ(NetcdfName(Name), Netcdf) << Name;
}

TEST(NetcdfLayout, Latin1TextsBecomeUtf8) {
  EXPECT_EQ(Latin1ToUtf8("T \xb0"
                         "C \xe9t\xe9"),
            "T \xc2\xb0"
            "C \xc3\xa9t\xc3\xa9");
  EXPECT_EQ(Latin1ToUtf8("ascii"), "ascii");
}
