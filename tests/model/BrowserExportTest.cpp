#include <gtest/gtest.h>

#include <sstream>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "browser/BrowserExport.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// A definition loaded from text, and BaseFrame trees decoded with it or
// built by hand.
struct TExport {
  TTempDir Dir;
  std::vector<std::string> Messages;
  TNodePool Pool{&Image};
  TMemoryStream Image;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::vector<const TDecodedNode*> Roots;
  TExportDimension Dimension;

  explicit TExport(const std::string& Structure) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", Structure), Messages);
  }

  // Decodes Bytes as back-to-back BaseFrames of Length bytes. A spare byte
  // follows them, since values are read as 16-bit words.
  void Decode(std::vector<std::uint8_t> Bytes, std::int64_t Length) {
    TLogRecorder Quiet;
    const auto End = static_cast<std::int64_t>(Bytes.size());
    Image.Bytes.assign(Bytes.begin(), Bytes.end());
    Image.Bytes.push_back(0);
    for (std::int64_t At = 0; At + Length <= End; At += Length) {
      Image.Position = At;
      TDecodedNode* Root = Pool.New();
      Root->Child = Definition->DecodeFrame(Image, "BaseFrame", Pool);
      Roots.push_back(Root);
    }
  }

  TDecodedNode* Node(std::int16_t Row, double Value, std::initializer_list<TDecodedNode*> Children = {}) {
    TDecodedNode* N = Pool.New();
    N->DefIndex = Row;
    N->Value = Value;
    TDecodedNode* Last = nullptr;
    for (TDecodedNode* Child : Children) {
      (Last ? Last->Next : N->Child) = Child;
      Child->SetParent(N);
      Last = Child;
    }
    return N;
  }
  void AddRoot(std::initializer_list<TDecodedNode*> Children) { Roots.push_back(Node(0, 0, Children)); }

  std::string Write() {
    std::ostringstream Out;
    Dimension = WriteBrowserExport(Out, *Definition, Roots);
    return Out.str();
  }
};

}  // namespace

TEST(BrowserExport, WritesOneLinePerBaseFrameWhoseVariablesOccurOnce) {
  TExport E(Lines({"[BaseFrame:2]", Row({"0", "1", "NUMBER", "A", "A"}), Row({"1", "1", "NUMBER", "B", "B*0.5-1"})}));
  E.Decode({1, 5, 2, 7, 3, 0}, 2);
  EXPECT_EQ(E.Write(),
            "FrameNo;A;B;\r\n"
            "1; 1.00000000000000E+0000; 1.50000000000000E+0000;\r\n"
            "2; 2.00000000000000E+0000; 2.50000000000000E+0000;\r\n"
            "3; 3.00000000000000E+0000;-1.00000000000000E+0000;\r\n");
  EXPECT_EQ(E.Dimension.Columns, 2);
  EXPECT_EQ(E.Dimension.Lines, 3);
  EXPECT_EQ(ExportMessage("out.txt", E.Dimension),
            "Export of current browser to out.txt successful.\r\nMatrix dimension is 2 x 3.");
}

TEST(BrowserExport, RepeatedSubframesGiveOneLineEachUnderTheSameCounter) {
  TExport E(Lines({"[BaseFrame:6]", Row({"0", "1", "NUMBER", "A", "A"}), Row({"2", "2", "SUBFRAME", "Inner", "x"}),
                   Row({"4", "2", "SUBFRAME", "Inner", "x"}), "[Inner:2]", Row({"0", "1", "NUMBER", "W", "W"}),
                   Row({"1", "1", "NUMBER", "X", "X*10"})}));
  E.Decode({7, 0, 1, 2, 3, 4, 8, 0, 5, 6, 9, 1}, 6);
  // The second line of a BaseFrame repeats the BaseFrame's own variable.
  EXPECT_EQ(E.Write(),
            "FrameNo;A;W;X;\r\n"
            "1; 7.00000000000000E+0000; 1.00000000000000E+0000; 2.00000000000000E+0001;\r\n"
            "1; 7.00000000000000E+0000; 3.00000000000000E+0000; 4.00000000000000E+0001;\r\n"
            "2; 8.00000000000000E+0000; 5.00000000000000E+0000; 6.00000000000000E+0001;\r\n"
            "2; 8.00000000000000E+0000; 9.00000000000000E+0000; 1.00000000000000E+0001;\r\n");
  EXPECT_EQ(E.Dimension.Columns, 3);
  EXPECT_EQ(E.Dimension.Lines, 4);
}

TEST(BrowserExport, ColumnsAreTheNumberAndBooleanRowsOfTheTreeInTableOrder) {
  // The first BaseFrame selects HKFrame, the second ScienceFrame, which comes
  // first in the table; TEXT and SUBFRAME rows and frames never decoded give
  // no column. A BOOLEAN's value is its raw bit.
  TExport E(Lines({"[BaseFrame:6]", Row({"0", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
                   Row({"1", "2", "TEXT", "NOTE", "NOTE"}), Row({"3", "3", "SUBFRAME", "SUB_HKSC", "x"}),
                   "[ScienceFrame:3]", Row({"0", "1", "HEX", "S1", "S1"}), "[HKFrame:3]",
                   Row({"0", "1", "NUMBER", "H1", "H1/4"}), Row({"1", "0,1", "BOOLEAN", "FLAG", "FLAG*100"}),
                   "[Unused:2]", Row({"0", "1", "NUMBER", "NEVER", "NEVER"})}));
  E.Decode({1, 'H', 'i', 10, 0x80, 0, 0, 'O', 'k', 0xAB, 0, 0}, 6);
  EXPECT_EQ(E.Write(),
            "FrameNo;HK_SCIENCE_SWITCH;S1;H1;FLAG;\r\n"
            "1; 1.00000000000000E+0000;; 2.50000000000000E+0000; 1.00000000000000E+0000;\r\n"
            "2; 0.00000000000000E+0000; 1.71000000000000E+0002;;;\r\n");
  EXPECT_EQ(E.Dimension.Columns, 4);
  EXPECT_EQ(E.Dimension.Lines, 2);
}

TEST(BrowserExport, EveryRepeatedRowStartsANewLineAndUnchangedColumnsRepeat) {
  TExport E(Lines({"[BaseFrame:8]", Row({"0", "1", "NUMBER", "A", "A"}), Row({"1", "1", "NUMBER", "B", "B"}),
                   Row({"2", "2", "TEXT", "T", "T"}), Row({"4", "2", "SUBFRAME", "Inner", "x"}), "[Inner:2]"}));
  // A TEXT row that repeats.
  E.AddRoot({E.Node(1, 1), E.Node(3, 0), E.Node(2, 2), E.Node(3, 0), E.Node(2, 3)});
  // A sub-frame row that repeats, its nodes holding no children.
  E.AddRoot({E.Node(1, 5), E.Node(4, 0), E.Node(4, 0)});
  // A BaseFrame without nodes.
  E.AddRoot({});
  // Nodes of rows the table does not have are left out; their children are not.
  E.AddRoot({E.Node(999, 1, {E.Node(-1, 2, {E.Node(1, 6)})}), E.Node(2, 7)});
  EXPECT_EQ(E.Write(),
            "FrameNo;A;B;\r\n"
            "1; 1.00000000000000E+0000; 2.00000000000000E+0000;\r\n"
            "1; 1.00000000000000E+0000; 3.00000000000000E+0000;\r\n"
            "2; 5.00000000000000E+0000;;\r\n"
            "2; 5.00000000000000E+0000;;\r\n"
            "3;;;\r\n"
            "4; 6.00000000000000E+0000; 7.00000000000000E+0000;\r\n");
  EXPECT_EQ(E.Dimension.Columns, 2);
  EXPECT_EQ(E.Dimension.Lines, 6);
}

TEST(BrowserExport, WalksNestedSubframesInPreOrder) {
  TExport E(Lines({"[BaseFrame:8]", Row({"0", "1", "NUMBER", "A", "A"}), Row({"1", "1", "NUMBER", "B", "B"}),
                   Row({"2", "1", "NUMBER", "C", "C"}), Row({"4", "2", "SUBFRAME", "Inner", "x"}),
                   Row({"6", "2", "SUBFRAME", "Deep", "x"})}));
  // A, Inner[B, Deep[C, A]], B: the second A ends the first line.
  E.AddRoot({E.Node(1, 1), E.Node(4, 0, {E.Node(2, 2), E.Node(5, 0, {E.Node(3, 3), E.Node(1, 4)})}), E.Node(2, 5)});
  EXPECT_EQ(E.Write(),
            "FrameNo;A;B;C;\r\n"
            "1; 1.00000000000000E+0000; 2.00000000000000E+0000; 3.00000000000000E+0000;\r\n"
            "1; 4.00000000000000E+0000; 5.00000000000000E+0000; 3.00000000000000E+0000;\r\n");
  EXPECT_EQ(E.Dimension.Lines, 2);
}

TEST(BrowserExport, WritesTheHeaderAndACounterOfZeroForAnEmptyTree) {
  TExport E(Lines({"[BaseFrame:2]", Row({"0", "1", "NUMBER", "A", "A"})}));
  EXPECT_EQ(E.Write(), "FrameNo;\r\n0;\r\n");
  EXPECT_EQ(E.Dimension.Columns, 0);
  EXPECT_EQ(E.Dimension.Lines, 1);
  EXPECT_EQ(ExportMessage("C:\\data\\x.txt", E.Dimension),
            "Export of current browser to C:\\data\\x.txt successful.\r\nMatrix dimension is 0 x 1.");
}
