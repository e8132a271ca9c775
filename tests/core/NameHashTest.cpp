#include <gtest/gtest.h>

#include <string>

#include "structure/NameHash.h"

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
