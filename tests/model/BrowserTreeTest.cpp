#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "browser/BrowserSearch.h"
#include "browser/BrowserTree.h"
#include "data/Data.h"
#include "structure/QuorinFramesDefinition.h"

static void PrintTo(const TNodePath& Path, std::ostream* Out) {
  *Out << Path.Frame.Source << ":" << Path.Frame.Frame;
  for (const TDecodedNode* Node : Path.Nodes) *Out << " " << Node->SerialNo;
}

namespace {

constexpr std::int32_t FrameLength = 6;

// 6-byte BaseFrames: a housekeeping one (switch 1) holds HKFrame, a science
// one (switch 0, mode 7) ScienceFrame with FirstFrame inside; both end in a
// Tail. K occurs in the BaseFrame, transformed, and in HKFrame; HK_V1 in both
// HKFrame and ScienceFrame; only T has a display name of its own.
std::string TreeStructure() {
  return Lines({"[BaseFrame:6]", Row({"0", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
                Row({"1", "1", "NUMBER", "K", "100-K"}), Row({"2", "4", "SUBFRAME", "SUB_HKSC", "SUB_HKSC"}),
                Row({"1", "1", "SUBFRAME", "Tail", "Tail"}), "[HKFrame:4]", Row({"0", "1", "NUMBER", "HK_V1", "HK_V1"}),
                Row({"1", "1", "NUMBER", "K", "K"}), "[ScienceFrame:4]", Row({"0", "1", "NUMBER", "MODE", "MODE"}),
                Row({"1", "1", "NUMBER", "HK_V1", "HK_V1"}), Row({"2", "1", "SUBFRAME", "SUB_SC", "SUB_SC"}),
                "[FirstFrame:1]", Row({"0", "1", "NUMBER", "X", "X"}), "[Tail:1]",
                Row({"0", "1", "NUMBER", "T", "T", "Tail temperature"})});
}

// Two packet files read by their data holders, and a browser tree over the
// BaseFrames they decode.
struct TBrowser {
  TTempDir Dir;
  std::vector<std::string> Messages;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::array<std::vector<std::uint8_t>, 2> Bytes;  // in decoded byte order
  std::array<std::unique_ptr<TData>, 2> Data;
  std::array<bool, 2> Started{};
  int Writes = 0;
  std::unique_ptr<TBrowserTree> Tree;

  explicit TBrowser(const std::string& Structure = TreeStructure()) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", Structure), Messages);
    for (int S = 0; S < 2; ++S) Data[S] = std::make_unique<TData>(Dir.File(FileName(S)), *Definition);
    Data[1]->SerialBase = SecondFileSerialBase;
    Tree = std::make_unique<TBrowserTree>(*Definition);
  }
  static std::string FileName(int Source) { return Source == 0 ? "a.dat" : "b.dat"; }

  void Add(int Source, std::initializer_list<std::uint8_t> Frame) { Bytes[Source].insert(Bytes[Source].end(), Frame); }
  void Hk(int Source, std::uint8_t Key, std::uint8_t HkKey = 0) { Add(Source, {1, Key, 0, HkKey, 0, 0}); }
  void Science(int Source, std::uint8_t Key = 0) { Add(Source, {0, Key, 7, 0, 0, 0}); }

  // Writes the file, words swapped as the ground equipment does, and lets
  // its holder read what is new.
  void Read(int Source) {
    TLogRecorder Quiet;
    std::vector<std::uint8_t> OnDisk = Bytes[Source];
    for (std::size_t I = 0; I + 1 < OnDisk.size(); I += 2) std::swap(OnDisk[I], OnDisk[I + 1]);
    const std::string File = Dir.Write(FileName(Source), OnDisk);
    namespace fs = std::filesystem;
    fs::last_write_time(File, fs::last_write_time(File) + std::chrono::seconds(++Writes));
    if (Started[Source]) {
      Data[Source]->UpdateFromFile();
    } else {
      Data[Source]->StartTracking();
      Started[Source] = true;
    }
  }

  // What a browser does with a source's list: take the new BaseFrames, sort
  // when there is a key, filter.
  void Append(int Source) {
    Tree->Append(Source, Tree->TakeNewFrames(Source, *Data[Source]));
    if (!Tree->SortKey().empty()) Tree->Sort();
    Tree->ApplyFilters();
  }
  // BaseFrames 0 to 2 of source 0: housekeeping (key 1), science, housekeeping (key 2), shown.
  void ThreeFrames() {
    Hk(0, 1);
    Science(0);
    Hk(0, 2);
    Read(0);
    Append(0);
  }
  // What a browser does when its filters are edited: rebuild from both files.
  void Refilter(const std::vector<std::string>& In, const std::vector<std::string>& Out) {
    Tree->SetFilters(In, Out);
    Tree->ShownFrames.fill(0);
    Tree->Clear();
    Append(0);
    Append(1);
    Tree->ApplyFilters();
  }
  void SortBy(const std::string& Key) {
    Tree->SetSortKey(Key);
    Tree->Sort();
  }

  // The BaseFrames shown, by their number in their file; "b" marks the second file.
  std::string Order() const {
    std::string Out;
    for (std::size_t Row = 0; Row < Tree->FrameCount(); ++Row) {
      const TTreeHandle Root = Tree->Frame(Row);
      Out += (Out.empty() ? "" : " ") + std::to_string(Root->Position / FrameLength) +
             (Tree->FrameSource(Row) == 1 ? "b" : "");
    }
    return Out;
  }

  // The path from BaseFrame Number of a source down through the named nodes
  // of the tree its pass decoded.
  TNodePath Path(int Source, int Number, std::initializer_list<std::string> Names = {}) const {
    const TDecodedNode* Root = Data[Source]->Frames;
    for (int I = 0; I < Number && Root; ++I) Root = Root->Next;
    if (!Root) {
      ADD_FAILURE() << "no BaseFrame " << Number;
      return {};
    }
    TNodePath Path{{static_cast<std::uint32_t>(Number), static_cast<std::uint8_t>(Source)}, nullptr, {Root}};
    for (const std::string& Name : Names) {
      const TDecodedNode* Node = Path.back()->Child;
      while (Node && Definition->NodeVarName(*Node) != Name) Node = Node->Next;
      if (!Node) {
        ADD_FAILURE() << "no node " << Name;
        return Path;
      }
      Path.Nodes.push_back(Node);
    }
    return Path;
  }
};

}  // namespace

TEST(BrowserTreeAppend, AppendsOnlyTheBaseFramesNotShownYet) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1");
  EXPECT_EQ(B.Tree->ShownFrames[0], 2);
  EXPECT_EQ(B.Tree->NodeCount(), 8 + 10);

  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1");
  EXPECT_EQ(B.Tree->ShownFrames[0], 2);
  EXPECT_EQ(B.Tree->NodeCount(), 18);

  B.Hk(0, 2);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1 2");
  EXPECT_EQ(B.Tree->ShownFrames[0], 3);
  EXPECT_EQ(B.Tree->NodeCount(), 26);
  EXPECT_EQ(B.Tree->RowOf({2, 0}), 2);
  EXPECT_EQ(B.Tree->RowOf({3, 0}), -1);
}

TEST(BrowserTreeAppend, CountsEachSourceSeparately) {
  TBrowser B;
  B.Hk(0, 1);
  B.Hk(0, 2);
  B.Read(0);
  B.Append(0);
  // No second file yet.
  EXPECT_TRUE(B.Tree->TakeNewFrames(1, *B.Data[1]).Records.empty());
  EXPECT_EQ(B.Tree->ShownFrames[1], 0);
  EXPECT_EQ(B.Order(), "0 1");

  B.Science(1);
  B.Hk(1, 3);
  B.Science(1);
  B.Read(1);
  B.Append(1);
  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1 0b 1b 2b");
  std::array<std::int32_t, MaxBrowserSources> Expected{};
  Expected[0] = 2;
  Expected[1] = 3;
  EXPECT_EQ(B.Tree->ShownFrames, Expected);
  EXPECT_EQ(B.Tree->NodeCount(), 8 + 8 + 10 + 8 + 10);
}

TEST(BrowserTreeAppend, CountsTheNodesOfAllLevels) {
  std::string Structure = "[BaseFrame:12]\n";
  for (int I = 0; I < 10; ++I)
    Structure += Row({std::to_string(I), "1", "NUMBER", "V" + std::to_string(I), "V" + std::to_string(I)}) + "\n";
  TBrowser B(Structure);
  B.Add(0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0});
  B.Read(0);
  B.Append(0);
  // The BaseFrame and its ten variables.
  EXPECT_EQ(B.Tree->NodeCount(), 11);
  EXPECT_EQ(B.Tree->FrameCount(), 1u);
}

TEST(BrowserTreeAppend, RemovedBaseFramesStayCountedUntilTheTreeIsRebuilt) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Hk(0, 2);
  B.Read(0);
  B.Tree->SetFilters({}, {"HKFrame"});
  B.Append(0);
  EXPECT_EQ(B.Order(), "1");
  EXPECT_EQ(B.Tree->ShownFrames[0], 3);
  EXPECT_EQ(B.Tree->NodeCount(), 10);

  B.Science(0);
  B.Hk(0, 3);
  B.Read(0);
  B.Append(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "1 3");
  EXPECT_EQ(B.Tree->ShownFrames[0], 5);

  B.Tree->Clear();
  EXPECT_EQ(B.Tree->FrameCount(), 0u);
  EXPECT_EQ(B.Tree->NodeCount(), 0);
  EXPECT_EQ(B.Tree->ShownFrames[0], 5);
  B.Append(0);
  EXPECT_EQ(B.Order(), "");

  B.Refilter({}, {"ScienceFrame"});
  EXPECT_EQ(B.Order(), "0 2 4");
  EXPECT_EQ(B.Tree->ShownFrames[0], 5);
  EXPECT_EQ(B.Tree->NodeCount(), 24);
}

TEST(BrowserTreeSort, SortsBaseFramesAscendingByTheKeyValue) {
  TBrowser B;
  B.Hk(0, 0, 3);
  B.Hk(0, 0, 1);
  B.Hk(0, 0, 2);
  B.Read(0);
  B.Append(0);
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "1 2 0");
  EXPECT_EQ(B.Tree->RowOf({0, 0}), 2);
}

TEST(BrowserTreeSort, TheKeyIsTheFirstOfItsNodesInTheTree) {
  TBrowser B(Lines({"[BaseFrame:6]", Row({"0", "1", "NUMBER", "N", "N"}), Row({"1", "1", "SUBFRAME", "Tail", "Tail"}),
                    Row({"2", "1", "SUBFRAME", "Tail", "Tail"}), "[Tail:1]", Row({"0", "1", "NUMBER", "T", "T"})}));
  B.Add(0, {0, 5, 1, 0, 0, 0});
  B.Add(0, {1, 3, 9, 0, 0, 0});
  B.Add(0, {2, 4, 0, 0, 0, 0});
  B.Read(0);
  B.Append(0);
  B.SortBy("Tail.T");
  EXPECT_EQ(B.Order(), "1 2 0");
}

TEST(BrowserTreeSort, ComparesTheTransformedValue) {
  TBrowser B;
  // BaseFrame.K is 100 - K: 99, 98, 97.
  B.Hk(0, 1);
  B.Hk(0, 2);
  B.Hk(0, 3);
  B.Read(0);
  B.Append(0);
  B.SortBy("BaseFrame.K");
  EXPECT_EQ(B.Order(), "2 1 0");
}

TEST(BrowserTreeSort, EqualKeyValuesReverseOnEverySort) {
  TBrowser B;
  for (std::uint8_t Key : {5, 1, 5, 5, 1}) B.Hk(0, 0, Key);
  B.Read(0);
  B.Append(0);
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "4 1 3 2 0");
  B.Tree->Sort();
  EXPECT_EQ(B.Order(), "1 4 0 2 3");
  B.Tree->Sort();
  EXPECT_EQ(B.Order(), "4 1 3 2 0");
}

TEST(BrowserTreeSort, BaseFramesWithoutKeyValueFollowTheSortedOnesInTheirOrder) {
  TBrowser B;
  // Science BaseFrames hold no HKFrame.K.
  B.Hk(0, 0, 3);
  B.Hk(0, 0, 1);
  B.Science(0);
  B.Hk(0, 0, 2);
  B.Read(0);
  B.Append(0);
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "1 3 0 2");

  TBrowser C;
  C.Hk(0, 0, 2);
  C.Science(0);
  C.Science(0);
  C.Hk(0, 0, 1);
  C.Read(0);
  C.Append(0);
  C.SortBy("HKFrame.K");
  EXPECT_EQ(C.Order(), "3 0 1 2");
  C.Tree->Sort();
  EXPECT_EQ(C.Order(), "3 0 1 2");
}

TEST(BrowserTreeSort, TheKeyNamesFrameAndVariableExactly) {
  TBrowser B;
  // BaseFrame.K 99 and 98; HKFrame.K 1 and 2.
  B.Hk(0, 1, 1);
  B.Hk(0, 2, 2);
  B.Read(0);
  B.Append(0);
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "0 1");
  B.SortBy("BaseFrame.K");
  EXPECT_EQ(B.Order(), "1 0");
  // Other letter case, or no frame: no BaseFrame has a key value.
  B.SortBy("hkframe.k");
  EXPECT_EQ(B.Order(), "1 0");
  B.SortBy("K");
  EXPECT_EQ(B.Order(), "1 0");
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "0 1");
}

TEST(BrowserTreeSort, WithoutKeyTheOrderStays) {
  TBrowser B;
  B.Hk(0, 0, 3);
  B.Hk(0, 0, 1);
  B.Hk(0, 0, 1);
  B.Read(0);
  B.Append(0);
  B.Tree->Sort();
  EXPECT_EQ(B.Order(), "0 1 2");
  B.SortBy("HKFrame.K");
  EXPECT_EQ(B.Order(), "2 1 0");
  B.SortBy("");
  EXPECT_EQ(B.Tree->SortKey(), "");
  B.Tree->Sort();
  EXPECT_EQ(B.Order(), "2 1 0");
}

TEST(BrowserTreeSort, EveryAppendSortsAgainSoEqualKeysSwapEachTime) {
  TBrowser B;
  B.Tree->SetSortKey("HKFrame.K");
  B.Hk(0, 0, 5);
  B.Hk(0, 0, 5);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "1 0");
  B.Hk(0, 0, 9);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1 2");
  B.Hk(0, 0, 1);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "3 1 0 2");
}

TEST(BrowserTreeFilters, FilterOutMatchesQualifiedNamesInAnyLetterCase) {
  TBrowser B;
  B.ThreeFrames();
  B.Tree->SetFilters({}, {"hkframe.HK_V1"});
  EXPECT_EQ(B.Tree->ExcludedRows(), (std::vector<std::size_t>{0, 2}));
  EXPECT_TRUE(B.Tree->ApplyFilters());
  EXPECT_EQ(B.Order(), "1");
  EXPECT_EQ(B.Tree->NodeCount(), 10);
  EXPECT_FALSE(B.Tree->ApplyFilters());
  EXPECT_EQ(B.Tree->RowOf({1, 0}), 0);
  EXPECT_EQ(B.Tree->RowOf({0, 0}), -1);

  B.Refilter({}, {"SCIENCEFRAME.hk_v1"});
  EXPECT_EQ(B.Order(), "0 2");
}

TEST(BrowserTreeFilters, QualifiedNamesJoinTheSelectedFramesOutermostFirst) {
  TBrowser B;
  B.Science(0);
  B.Read(0);
  const TDecodedNode& Root = *B.Data[0]->Frames;
  const auto Contains = [&](const std::string& Line) { return B.Tree->ContainsName(Root, {Line}); };
  for (const char* Name :
       {"BaseFrame", "HK_SCIENCE_SWITCH", "K", "ScienceFrame", "ScienceFrame.MODE", "ScienceFrame.HK_V1",
        "ScienceFrame.FirstFrame", "ScienceFrame.FirstFrame.X", "scienceframe.FIRSTFRAME.x", "Tail", "Tail.T"})
    EXPECT_TRUE(Contains(Name)) << Name;
  for (const char* Name : {"", "X", "FirstFrame.X", "HK_V1", "SUB_HKSC", "SUB_SC", "ScienceFrame.SUB_SC", "BaseFrame.K",
                           "HKFrame.HK_V1", " K", "K ", "ScienceFrame.FirstFrame.X."})
    EXPECT_FALSE(Contains(Name)) << Name;
  EXPECT_TRUE(B.Tree->ContainsName(Root, {"nothing", "k"}));
  EXPECT_FALSE(B.Tree->ContainsName(Root, {}));
}

TEST(BrowserTreeFilters, FilterInKeepsTheBaseFramesHoldingAnyOfItsLines) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Hk(0, 2);
  B.Science(0);
  B.Read(0);
  B.Refilter({"ScienceFrame.FirstFrame.X", "nothing"}, {});
  EXPECT_EQ(B.Order(), "1 3");
  B.Refilter({"HKFrame", "ScienceFrame.FirstFrame.X"}, {});
  EXPECT_EQ(B.Order(), "0 1 2 3");
  // A line matching nothing: filter in removes everything, filter out nothing.
  B.Refilter({"HK_V1"}, {});
  EXPECT_EQ(B.Order(), "");
  B.Refilter({}, {"HK_V1"});
  EXPECT_EQ(B.Order(), "0 1 2 3");
  // Empty lines count as lines.
  B.Refilter({""}, {});
  EXPECT_EQ(B.Order(), "");
  B.Refilter({"k", "k"}, {"", ""});
  EXPECT_EQ(B.Order(), "0 1 2 3");
  EXPECT_EQ(B.Tree->FilterIn(), (std::vector<std::string>{"k", "k"}));
  EXPECT_EQ(B.Tree->FilterOut(), (std::vector<std::string>{"", ""}));
}

TEST(BrowserTreeFilters, FilterOutWinsOverFilterIn) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Hk(0, 2);
  B.Read(0);
  B.Science(1);
  B.Hk(1, 3);
  B.Read(1);
  B.Refilter({"K"}, {"HKFrame.K"});
  EXPECT_EQ(B.Order(), "1 0b");
}

TEST(BrowserTreeFilters, TheSameNameInBothListsEmptiesTheTree) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Read(0);
  B.Refilter({"HKFrame.HK_V1"}, {"hkframe.hk_v1"});
  EXPECT_EQ(B.Order(), "");
  EXPECT_EQ(B.Tree->NodeCount(), 0);
  EXPECT_EQ(B.Tree->ShownFrames[0], 2);
}

TEST(BrowserTreeFilters, NewFiltersApplyToBaseFramesThatPassedTheOldOnes) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Hk(0, 2);
  B.Science(0);
  B.Read(0);
  B.Tree->SetFilters({"K"}, {});
  B.Append(0);
  EXPECT_EQ(B.Order(), "0 1 2 3");
  B.Tree->SetFilters({}, {"HKFrame"});
  EXPECT_EQ(B.Tree->ExcludedRows(), (std::vector<std::size_t>{0, 2}));
  EXPECT_TRUE(B.Tree->ApplyFilters());
  EXPECT_EQ(B.Order(), "1 3");
  // New BaseFrames meet the filters in force.
  B.Hk(0, 3);
  B.Science(0);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Order(), "1 3 5");
  // Sorted, a new one they exclude moves above the rows checked before.
  B.SortBy("BaseFrame.K");
  B.Hk(0, 200);
  B.Read(0);
  B.Append(0);
  EXPECT_EQ(B.Tree->FrameCount(), 3u);
}

TEST(BrowserTreeWalks, NextWithNameStepsToEachOccurrenceUntilTheLast) {
  TBrowser B;
  B.ThreeFrames();
  TNodePath At = B.Tree->NextWithName(B.Path(0, 0, {"SUB_HKSC", "HK_V1"}), "HK_V1");
  EXPECT_EQ(At, B.Path(0, 1, {"SUB_HKSC", "HK_V1"}));
  At = B.Tree->NextWithName(At, "HK_V1");
  EXPECT_EQ(At, B.Path(0, 2, {"SUB_HKSC", "HK_V1"}));
  EXPECT_TRUE(B.Tree->NextWithName(At, "HK_V1").empty());
  // Names are compared with case.
  EXPECT_TRUE(B.Tree->NextWithName(B.Path(0, 0), "hk_v1").empty());
}

TEST(BrowserTreeWalks, PreviousWithNameStepsBackToEachOccurrenceUntilTheFirst) {
  TBrowser B;
  B.ThreeFrames();
  TNodePath At = B.Tree->PreviousWithName(B.Path(0, 2, {"SUB_HKSC", "HK_V1"}), "HK_V1");
  EXPECT_EQ(At, B.Path(0, 1, {"SUB_HKSC", "HK_V1"}));
  At = B.Tree->PreviousWithName(At, "HK_V1");
  EXPECT_EQ(At, B.Path(0, 0, {"SUB_HKSC", "HK_V1"}));
  EXPECT_TRUE(B.Tree->PreviousWithName(At, "HK_V1").empty());
  EXPECT_TRUE(B.Tree->PreviousWithName(B.Path(0, 0), "HK_V1").empty());
}

TEST(BrowserTreeWalks, WalkInPreOrderIntoAndOutOfSubframes) {
  TBrowser B;
  B.ThreeFrames();
  const TBrowserTree& Tree = *B.Tree;
  EXPECT_EQ(Tree.NextWithName(B.Path(0, 0, {"HK_SCIENCE_SWITCH"}), "X"), B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"}));
  EXPECT_EQ(Tree.NextWithName(B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"}), "K"), B.Path(0, 2, {"K"}));
  // The same variable name in another frame.
  EXPECT_EQ(Tree.NextWithName(B.Path(0, 2, {"K"}), "K"), B.Path(0, 2, {"SUB_HKSC", "K"}));
  EXPECT_EQ(Tree.NextWithName(B.Path(0, 0), "BaseFrame"), B.Path(0, 1));
  EXPECT_EQ(Tree.NextWithName(B.Path(0, 0, {"SUB_HKSC", "K"}), "SUB_HKSC"), B.Path(0, 1, {"SUB_HKSC"}));

  // Back: the previous sibling's last descendant, else the previous sibling, else the parent.
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 2, {"HK_SCIENCE_SWITCH"}), "X"), B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"}));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 2), "SUB_SC"), B.Path(0, 1, {"SUB_HKSC", "SUB_SC"}));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 2, {"SUB_HKSC", "HK_V1"}), "SUB_HKSC"), B.Path(0, 2, {"SUB_HKSC"}));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 1, {"SUB_HKSC", "MODE"}), "K"), B.Path(0, 1, {"K"}));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 0, {"Tail"}), "K"), B.Path(0, 0, {"SUB_HKSC", "K"}));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 2, {"K"}), "BaseFrame"), B.Path(0, 2));
  EXPECT_EQ(Tree.PreviousWithName(B.Path(0, 2, {"K"}), "HK_SCIENCE_SWITCH"), B.Path(0, 2, {"HK_SCIENCE_SWITCH"}));
}

TEST(BrowserTreeWalks, FollowTheDisplayOrderAndSkipRemovedBaseFrames) {
  TBrowser B;
  B.Hk(0, 0, 3);
  B.Hk(0, 0, 1);
  B.Hk(0, 0, 2);
  B.Science(0);
  B.Read(0);
  B.Tree->SetSortKey("HKFrame.K");
  B.Tree->SetFilters({}, {"ScienceFrame"});
  B.Append(0);
  EXPECT_EQ(B.Order(), "1 2 0");
  TNodePath At = B.Tree->NextWithName(B.Path(0, 1, {"SUB_HKSC", "HK_V1"}), "HK_V1");
  EXPECT_EQ(At, B.Path(0, 2, {"SUB_HKSC", "HK_V1"}));
  At = B.Tree->NextWithName(At, "HK_V1");
  EXPECT_EQ(At, B.Path(0, 0, {"SUB_HKSC", "HK_V1"}));
  EXPECT_TRUE(B.Tree->NextWithName(At, "HK_V1").empty());
  EXPECT_TRUE(B.Tree->NextWithName(B.Path(0, 1), "X").empty());
  EXPECT_TRUE(B.Tree->PreviousWithName(B.Path(0, 1, {"SUB_HKSC", "HK_V1"}), "HK_V1").empty());
  EXPECT_EQ(B.Tree->PreviousWithName(B.Path(0, 0), "HK_V1"), B.Path(0, 2, {"SUB_HKSC", "HK_V1"}));
}

TEST(BrowserTreeFind, FindSerialGivesThePathToTheNodeWithThatNumber) {
  TBrowser B;
  B.Hk(0, 1);
  B.Science(0);
  B.Read(0);
  B.Science(1);
  B.Read(1);
  B.Append(0);
  B.Append(1);
  // Children are numbered before their node: the housekeeping BaseFrame 0..7,
  // the science one 8..17, the second file's from 100000000.
  EXPECT_EQ(B.Tree->FindSerial(0), B.Path(0, 0, {"HK_SCIENCE_SWITCH"}));
  EXPECT_EQ(B.Tree->FindSerial(4), B.Path(0, 0, {"SUB_HKSC"}));
  EXPECT_EQ(B.Tree->FindSerial(5), B.Path(0, 0, {"Tail", "T"}));
  EXPECT_EQ(B.Tree->FindSerial(7), B.Path(0, 0));
  EXPECT_EQ(B.Tree->FindSerial(12), B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"}));
  EXPECT_EQ(B.Tree->FindSerial(17), B.Path(0, 1));
  EXPECT_EQ(B.Tree->FindSerial(100000004), B.Path(1, 0, {"SUB_HKSC", "SUB_SC", "X"}));
  EXPECT_EQ(B.Tree->FindSerial(100000009), B.Path(1, 0));
  EXPECT_TRUE(B.Tree->FindSerial(18).empty());
  EXPECT_TRUE(B.Tree->FindSerial(-1).empty());
  EXPECT_TRUE(B.Tree->FindSerial(100000010).empty());

  B.Refilter({}, {"HKFrame"});
  EXPECT_TRUE(B.Tree->FindSerial(0).empty());
  EXPECT_TRUE(B.Tree->FindSerial(7).empty());
  EXPECT_EQ(B.Tree->FindSerial(12), B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"}));

  // The first file's numbers move on inside its science BaseFrame: its root
  // is numbered above all of the second file's.
  TBrowser Moved;
  Moved.Data[0]->SerialLimit = 10;
  Moved.Hk(0, 1);
  Moved.Science(0);
  Moved.Read(0);
  Moved.Science(1);
  Moved.Read(1);
  Moved.Append(0);
  Moved.Append(1);
  EXPECT_EQ(Moved.Tree->FindSerial(9), Moved.Path(0, 1, {"K"}));
  EXPECT_EQ(Moved.Tree->FindSerial(100000004), Moved.Path(1, 0, {"SUB_HKSC", "SUB_SC", "X"}));
  EXPECT_EQ(Moved.Tree->FindSerial(MovedSerialBase + 7), Moved.Path(0, 1));
  EXPECT_EQ(Moved.Tree->FindSerial(MovedSerialBase).Frame.Frame, 1u);
  EXPECT_TRUE(Moved.Tree->FindSerial(MovedSerialBase + 8).empty());
}

TEST(BrowserTreeFind, NeighbourFrameIsTheNextOrPreviousShownOneOfItsFileInFileOrder) {
  TBrowser B;
  B.Hk(0, 0, 5);
  B.Science(0);
  B.Hk(0, 0, 1);
  B.Hk(0, 0, 2);
  B.Read(0);
  B.Hk(1, 0, 3);
  B.Hk(1, 0, 4);
  B.Read(1);
  B.Tree->SetSortKey("HKFrame.K");
  B.Refilter({}, {"ScienceFrame"});
  EXPECT_EQ(B.Tree->NeighbourFrame(0, 0, true), B.Path(0, 2)[0]->Position);
  EXPECT_EQ(B.Tree->NeighbourFrame(0, 2 * FrameLength, false), B.Path(0, 0)[0]->Position);
  EXPECT_EQ(B.Tree->NeighbourFrame(0, 3 * FrameLength, true), -1);
}

// Numbers, rows and values of a tree in pre-order.
std::string Nodes(const TDecodedNode* List) {
  std::string Out;
  for (; List; List = List->Next)
    Out += std::to_string(List->SerialNo) + ":" + std::to_string(List->DefIndex) + "=" + std::to_string(List->Value) +
           "(" + Nodes(List->Child) + ")";
  return Out;
}

TEST(BrowserFrameTrees, AHeldTreeComesBackAsTheSameNodesAndOthersAreDecodedAgainAlike) {
  TBrowser B;
  B.ThreeFrames();
  std::vector<const TDecodedNode*> Kept;
  for (const TDecodedNode* Root = B.Data[0]->Frames; Root; Root = Root->Next) Kept.push_back(Root);
  const auto Passed = [&](std::uint32_t Frame) {
    const TDecodedNode* Root = Kept[Frame];
    return std::to_string(Root->SerialNo) + "(" + Nodes(Root->Child) + ")";
  };
  const auto Got = [&](const TDecodedNode* Root) {
    return Root ? std::to_string(Root->SerialNo) + "(" + Nodes(Root->Child) + ")" : "none";
  };
  // Two recent trees at most.
  TFrameTrees Trees(2);
  Trees.SetHolder(0, *B.Data[0]);
  const TTreeHandle Held = Trees.Tree({0, 0});
  EXPECT_EQ(Got(Held.get()), Passed(0));
  const TDecodedNode* Recent = Trees.Tree({1, 0}).get();
  EXPECT_EQ(Trees.Tree({1, 0}).get(), Recent);
  // Asks again for the tree asked for last do not count.
  for (int Role = 0; Role < 3; ++Role) EXPECT_EQ(Got(Trees.Tree({2, 0}).get()), Passed(2));
  EXPECT_EQ(Trees.Peek({1, 0}), Recent);
  EXPECT_EQ(Got(Trees.Tree({2, 0}).get()), Passed(2));
  // Held: the same nodes, for a look too; no longer recent: decoded again alike.
  EXPECT_EQ(Trees.Tree({0, 0}), Held);
  EXPECT_EQ(Trees.Peek({0, 0}), Held.get());
  EXPECT_EQ(Got(Trees.Peek({1, 0})), Passed(1));
  EXPECT_EQ(Got(Trees.Tree({1, 0}).get()), Passed(1));
  EXPECT_EQ(Got(Held.get()), Passed(0));
  // No such BaseFrame, no holder.
  EXPECT_EQ(Trees.Peek({3, 0}), nullptr);
  EXPECT_FALSE(Trees.Tree({0, 1}));
  EXPECT_EQ(Trees.Record({0, 1}), nullptr);

  // The file replaced: its BaseFrames before show the trees their pass kept.
  B.Bytes[0][1] = 9;
  B.Read(0);
  Kept.clear();
  for (const TDecodedNode* Root = B.Data[0]->Frames; Root; Root = Root->Next) Kept.push_back(Root);
  ASSERT_EQ(Kept.size(), 6u);
  TFrameTrees Later;
  Later.SetHolder(0, *B.Data[0]);
  EXPECT_EQ(B.Data[0]->DecodeAgain(1).Root, nullptr);
  for (const std::uint32_t Frame : {1u, 4u, 0u, 5u}) {
    EXPECT_EQ(Got(Later.Tree({Frame, 0}).get()), Passed(Frame)) << Frame;
    EXPECT_EQ(Got(Later.Peek({Frame, 0})), Passed(Frame)) << Frame;
  }
}

TEST(BrowserSearch, FindsTheNextVariableAfterTheFocusedNodeAndWrapsToTheFirstBaseFrame) {
  TBrowser B;
  B.Hk(0, 1, 60);  // K 99, HKFrame.K 60
  B.Science(0);    // K 100
  B.Hk(0, 2, 3);   // K 98, HKFrame.K 3
  B.Read(0);
  B.Append(0);
  const TNodePath None, X = B.Path(0, 1, {"SUB_HKSC", "SUB_SC", "X"});
  struct TRow {
    const char* Text;
    TNodePath From, Found;
    bool Wrapped;
  };
  for (const TRow& Row : std::vector<TRow>{
           // Variable, qualified and displayed names hold the text, in any case; sub-frames are no variables.
           {"hk_v", B.Path(0, 2, {"SUB_HKSC", "HK_V1"}), B.Path(0, 0, {"SUB_HKSC", "HK_V1"}), true},
           {"frame.x", B.Path(0, 2), X, true},
           {"frame.x", X, X, true},  // the focused node comes last
           {"TAIL TEMP", B.Path(0, 1, {"Tail"}), B.Path(0, 1, {"Tail", "T"}), false},
           {"Tail", B.Path(0, 0, {"SUB_HKSC", "K"}), B.Path(0, 0, {"Tail", "T"}), false},
           // Conditions on the transformed value of the variables so named.
           {"K > 99", None, B.Path(0, 1, {"K"}), false},
           {"k != 99", None, B.Path(0, 0, {"SUB_HKSC", "K"}), false},
           {"HKFrame.K<=3", B.Path(0, 0, {"SUB_HKSC", "K"}), B.Path(0, 2, {"SUB_HKSC", "K"}), false},
           // BaseFrames whose values cannot meet the condition are passed over.
           {"HKFrame.K >= 60", B.Path(0, 2), B.Path(0, 0, {"SUB_HKSC", "K"}), true},
           {"HKFrame.K >= 60", B.Path(0, 0, {"Tail", "T"}), B.Path(0, 0, {"SUB_HKSC", "K"}), true},
           {"HKFrame.K == 98", B.Path(0, 0, {"SUB_HKSC", "K"}), {}, false},
           {"HK > -1", None, {}, false},
           {"K == 99", None, {}, false}}) {
    const TSearchResult Result = TBrowserSearch(*B.Tree, *B.Definition, Row.Text).Next(Row.From);
    EXPECT_EQ(Result.Path, Row.Found) << Row.Text;
    EXPECT_EQ(Result.Wrapped, Row.Wrapped) << Row.Text;
  }
}
