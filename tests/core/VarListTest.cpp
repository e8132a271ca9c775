#include <gtest/gtest.h>

#include "structure/VarList.h"

namespace {

// Adds and looks up by name, hashed as decoding hashes it.
void Add(TVarList& L, const std::string& Name, TEntryKind Kind, double Value) {
  L.AddHashed(Name, DJBHash(Name), Kind, Value);
}
std::int32_t IndexOf(TVarList& L, const std::string& Name) { return L.IndexOfHash(DJBHash(Name)); }

}  // namespace

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
  Add(L, "A", ekNumber, 0);
  Add(L, "A", ekBoolean, 5);
  Add(L, "A&", ekNumber, 7);
  EXPECT_EQ(L.Value("A"), 0.0);
  EXPECT_EQ(L.Entries()[0].Kind, ekNumber);
  EXPECT_EQ(L.Value("A&"), 7.0);
  EXPECT_EQ(IndexOf(L, "A&"), 1);
  EXPECT_EQ(IndexOf(L, "B"), -1);
  EXPECT_EQ(L.LastIndex(), 1);
}

TEST(VarList, ClearForgetsEveryNameEvenWithAStaleCache) {
  TVarList L;
  Add(L, "A", ekNumber, 1);
  Add(L, "B", ekNumber, 2);
  EXPECT_TRUE(L.ContainsHash(DJBHash("B")));
  L.Clear();
  EXPECT_EQ(L.LastIndex(), 1);
  EXPECT_FALSE(L.ContainsHash(DJBHash("A")));
  EXPECT_FALSE(L.ContainsHash(DJBHash("B")));
}

TEST(VarList, FindsTheSameEntryAsAScanWhenManyNamesShareSlots) {
  TVarList L;
  std::vector<std::string> Names;
  for (int I = 0; I < 300; ++I) Names.push_back("V" + std::to_string(I * 64));
  Names.push_back("Ab");
  Names.push_back("BA");  // the same hash as "Ab": the same variable
  for (std::size_t I = 0; I < Names.size(); ++I) Add(L, Names[I], ekNumber, static_cast<double>(I));
  ASSERT_EQ(L.Entries().size(), 301u);
  for (std::size_t I = 0; I < 300; ++I) {
    ASSERT_EQ(IndexOf(L, Names[I]), static_cast<std::int32_t>(I)) << Names[I];
    EXPECT_EQ(L.LastIndex(), static_cast<std::int32_t>(I));
  }
  EXPECT_EQ(L.Value("BA"), 300.0);
  EXPECT_EQ(IndexOf(L, "V1"), -1);
  L.Clear();
  EXPECT_EQ(IndexOf(L, "V0"), -1);
  Add(L, "V64", ekNumber, 1);
  EXPECT_EQ(IndexOf(L, "V64"), 0);
  EXPECT_EQ(IndexOf(L, "V0"), -1);
}
