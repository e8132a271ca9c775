#include <gtest/gtest.h>

#include "structure/VarList.h"

TEST(DJBHash, MultipliesBy33AddsEachByteAndClearsTheTopBit) {
  EXPECT_EQ(DJBHash(""), 5381u);
  EXPECT_EQ(DJBHash("A"), 5381u * 33 + 'A');
  EXPECT_EQ(DJBHash("ab"), (5381u * 33 + 'a') * 33 + 'b');
  // Long names wrap in 32 bits; the top bit is always clear.
  std::uint32_t H = 5381;
  for (const char C : std::string("BaseFrame.DataFieldHeader.OOBT")) H = H * 33 + static_cast<std::uint8_t>(C);
  EXPECT_EQ(DJBHash("BaseFrame.DataFieldHeader.OOBT"), H & 0x7FFFFFFF);
  EXPECT_EQ(DJBHash("\xFF\xFF\xFF\xFF\xFF\xFF\xFF") & 0x80000000u, 0u);
  EXPECT_NE(DJBHash("A"), DJBHash("A&"));
}

TEST(VarList, KeepsTheFirstValueOfANameAndReportsMissingNames) {
  TVarList L;
  EXPECT_EQ(L.Value("A"), -999.0);
  L.Add("A", ekNumber, 0);
  L.Add("A", ekBoolean, 5);
  L.Add("A&", ekNumber, 7);
  EXPECT_EQ(L.Value("A"), 0.0);
  EXPECT_EQ(L.Entries[0].Kind, ekNumber);
  EXPECT_EQ(L.Value("A&"), 7.0);
  EXPECT_EQ(L.IndexOf("A&"), 1);
  EXPECT_EQ(L.IndexOf("B"), -1);
  EXPECT_EQ(L.LastIndex, 1);
}

TEST(VarList, ClearForgetsEveryNameEvenWithAStaleCache) {
  TVarList L;
  L.Add("A", ekNumber, 1);
  L.Add("B", ekNumber, 2);
  EXPECT_TRUE(L.Contains("B"));
  L.Clear();
  EXPECT_EQ(L.LastIndex, 1);
  EXPECT_FALSE(L.Contains("A"));
  EXPECT_FALSE(L.Contains("B"));
}

TEST(VarList, CopiesAreIndependent) {
  TVarList Source;
  Source.Add("A", ekNumber, 1);
  TVarList Target;
  Target.Add("Z", ekNumber, 9);
  Source.AssignTo(Target);
  const auto Clone = Source.Clone();
  Source.Entries[0].Value = 2;
  Source.Add("B", ekNumber, 3);
  EXPECT_EQ(Target.Value("A"), 1.0);
  EXPECT_FALSE(Target.Contains("Z"));
  EXPECT_FALSE(Target.Contains("B"));
  EXPECT_EQ(Clone->Value("A"), 1.0);
  EXPECT_EQ(Clone->LastIndex, 0);
}

TEST(VarList, FindsTheSameEntryAsAScanWhenManyNamesShareSlots) {
  TVarList L;
  std::vector<std::string> Names;
  for (int I = 0; I < 300; ++I) Names.push_back("V" + std::to_string(I * 64));
  Names.push_back("Ab");
  Names.push_back("BA");  // the same hash as "Ab": the same variable
  for (std::size_t I = 0; I < Names.size(); ++I) L.Add(Names[I], ekNumber, static_cast<double>(I));
  ASSERT_EQ(L.Entries.size(), 301u);
  for (std::size_t I = 0; I < 300; ++I) {
    ASSERT_EQ(L.IndexOf(Names[I]), static_cast<std::int32_t>(I)) << Names[I];
    EXPECT_EQ(L.LastIndex, static_cast<std::int32_t>(I));
  }
  EXPECT_EQ(L.Value("BA"), 300.0);
  EXPECT_EQ(L.IndexOf("V1"), -1);
  TVarList Copy;
  L.AssignTo(Copy);
  EXPECT_EQ(Copy.IndexOf("V19136"), 299);
  L.Clear();
  EXPECT_EQ(L.IndexOf("V0"), -1);
  L.Add("V64", ekNumber, 1);
  EXPECT_EQ(L.IndexOf("V64"), 0);
  EXPECT_EQ(L.IndexOf("V0"), -1);
  EXPECT_EQ(Copy.IndexOf("V0"), 0);
}
