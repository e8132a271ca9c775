#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/FrameColumns.h"

namespace {

// "frame:place=value" of every node of the column.
std::string Entries(const TFrameColumn* Column) {
  if (!Column) return "none";
  std::string Text;
  for (std::size_t I = 0; I < Column->Size(); ++I)
    Text += std::to_string(Column->Frames[I]) + ":" + std::to_string(Column->Places[I]) + "=" +
            std::to_string(static_cast<int>(Column->Values[I])) + " ";
  return Text;
}

}  // namespace

TEST(FrameColumns, TakeTheirRowsInWalkOrderAndFillOnlyWhatTheyLack) {
  // A BaseFrame of row 0: row 1 (10), a sub-frame of row 3 holding row 2 (20)
  // and row 1 (11), then row 2 (21). Walked children first: places 0 to 5.
  TNodePool Pool;
  const auto Node = [&](std::int16_t Row, double Value) {
    TDecodedNode* N = Pool.New();
    N->DefIndex = Row;
    N->Value = Value;
    return N;
  };
  TDecodedNode* Root = Node(0, 0);
  TDecodedNode* Sub = Node(3, 0);
  Root->Child = Node(1, 10);
  Root->Child->Next = Sub;
  Sub->Child = Node(2, 20);
  Sub->Child->Next = Node(1, 11);
  Sub->Next = Node(2, 21);

  TFrameColumns Columns(4);
  Columns.Use(1);
  Columns.Take(Root);
  Columns.Take(nullptr);  // a BaseFrame that gives nothing
  EXPECT_EQ(Entries(Columns.Column(1)), "0:0=10 0:2=11 ");
  EXPECT_EQ(Columns.Column(1)->Covered, 2u);
  EXPECT_EQ(Entries(Columns.Column(2)), "none");

  // A row used later lags until its BaseFrames are taken for it alone.
  Columns.Use(2);
  EXPECT_EQ(Columns.Behind(), std::vector<std::int32_t>{2});
  Columns.TakeBehind(0, Root);
  Columns.TakeBehind(1, Root);
  EXPECT_TRUE(Columns.Behind().empty());
  EXPECT_EQ(Entries(Columns.Column(2)), "0:1=20 0:4=21 1:1=20 1:4=21 ");
  EXPECT_EQ(Entries(Columns.Column(1)), "0:0=10 0:2=11 ");
  // A column from a BaseFrame on begins there; one from before begins anew.
  Columns.Use(3, 9);
  EXPECT_EQ(Columns.Column(3)->Begin, 2u);
  Columns.Use(3, 1);
  EXPECT_EQ(Columns.Behind(), std::vector<std::int32_t>{3});
  Columns.TakeBehind(1, Root);
  EXPECT_EQ(Entries(Columns.Column(3)), "1:3=0 ");

  // Parts taken apart join at their place: a pass's after the BaseFrames
  // taken, a part numbered from 0 at the BaseFrame given.
  TFrameColumns Pass = Columns.Fresh(Columns.Next());
  Pass.Take(Root);
  Columns.Append(Pass);
  EXPECT_EQ(Columns.Next(), 3u);
  EXPECT_EQ(Entries(Columns.Column(1)), "0:0=10 0:2=11 2:0=10 2:2=11 ");
  const std::vector<std::int32_t> Two{2};
  TFrameColumns Part = Columns.Fresh(0, &Two);
  Part.Take(Root);
  Columns.Append(Part, 3);
  EXPECT_EQ(Columns.Next(), 4u);
  EXPECT_EQ(Entries(Columns.Column(2)), "0:1=20 0:4=21 1:1=20 1:4=21 2:1=20 2:4=21 3:1=20 3:4=21 ");
  // The columns the part lacks stay behind.
  EXPECT_EQ(Columns.Behind(), (std::vector<std::int32_t>{1, 3}));
  EXPECT_EQ(Columns.Column(1)->FirstOf(2), 2u);

  // Rows no longer kept lose their columns.
  Columns.KeepOnly({0, 0, 1, 0});
  EXPECT_EQ(Columns.RowsInUse(), std::vector<std::int32_t>{2});
  EXPECT_EQ(Entries(Columns.Column(1)), "none");
  EXPECT_EQ(Columns.Column(2)->Size(), 8u);
}
