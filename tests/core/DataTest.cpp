#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "common/FloatText.h"
#include "common/LoadProgress.h"
#include "data/Data.h"
#include "sim/SimGenerator.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// Records what a pass shows and checks that the flag is set while it runs.
class TFakeProgress : public TLoadProgress {
 public:
  TFakeProgress() : Previous(SetLoadProgress(this)) {}
  ~TFakeProgress() override { SetLoadProgress(Previous); }
  void ShowProgress() override { Events.push_back("show"); }
  void HideProgress() override { Events.push_back("hide"); }
  void SetMaximum(std::int64_t Max) override { Events.push_back("max " + std::to_string(Max)); }
  void SetPosition(std::int64_t Pos) override { Events.push_back("pos " + std::to_string(Pos)); }
  void SetCounter(const std::string& Text) override { Events.push_back("count " + Text); }
  void PositionShown() override {
    EXPECT_TRUE(Busy);
    Events.push_back("events");
    if (!EventEntry.empty()) AddEntry(llInfo, EventEntry);
  }
  std::chrono::milliseconds RefreshInterval() const override { return Interval; }
  std::vector<std::string> Events;
  std::chrono::milliseconds Interval{0};
  std::string EventEntry;  // logged by each run of the events

 private:
  TLoadProgress* Previous;
};

const std::uint8_t Id[4] = {0x1A, 0xCF, 0xFC, 0x1D};

// Image of Count BaseFrames of Length bytes: the ID (when asked for), then
// the frame number at byte 4, then Fill.
std::vector<std::uint8_t> Frames(int Count, int Length = 280, bool WithId = true, std::uint8_t Fill = 0) {
  std::vector<std::uint8_t> Image(static_cast<std::size_t>(Count * Length), Fill);
  for (int F = 0; F < Count; ++F) {
    std::uint8_t* Frame = &Image[static_cast<std::size_t>(F * Length)];
    if (WithId) std::copy(Id, Id + 4, Frame);
    Frame[4] = static_cast<std::uint8_t>(F);
  }
  return Image;
}

// The same bytes as the ground equipment writes them: words swapped.
std::vector<std::uint8_t> OnDisk(std::vector<std::uint8_t> Image) {
  for (std::size_t I = 0; I + 1 < Image.size(); I += 2) std::swap(Image[I], Image[I + 1]);
  return Image;
}

// The file of BaseFrames 0 to Count - 1 with Stray inserted at At.
std::vector<std::uint8_t> WithStray(int Count, std::ptrdiff_t At, const std::vector<std::uint8_t>& Stray = {0x55}) {
  std::vector<std::uint8_t> File = OnDisk(Frames(Count));
  File.insert(File.begin() + At, Stray.begin(), Stray.end());
  return File;
}

// The file of BaseFrames 0 to Count - 1 without the Lost bytes from At on.
std::vector<std::uint8_t> WithGap(int Count, std::ptrdiff_t At, std::ptrdiff_t Lost) {
  std::vector<std::uint8_t> File = OnDisk(Frames(Count));
  File.erase(File.begin() + At, File.begin() + At + Lost);
  return File;
}

std::string Structure(const std::string& Length) {
  return Lines({"[BaseFrame:" + Length + "]", Row({"4", "1", "NUMBER", "NO", "NO"}),
                Row({"6", "4", "SUBFRAME", "Sub", "x"}), "[Sub:4]", Row({"0", "1", "NUMBER", "S", "S"})});
}

struct THolder {
  TTempDir Dir;
  std::vector<std::string> Messages;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::unique_ptr<TData> Data;
  int Notifications = 0;
  std::string File;

  explicit THolder(const std::string& StructureText = Structure("280")) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", StructureText), Messages);
    File = Dir.File("p.dat");
    Data = std::make_unique<TData>(File, *Definition);
    Data->OnNewFrames = [this](TData& Sender) {
      EXPECT_EQ(&Sender, Data.get());
      EXPECT_TRUE(LoadProgress().Busy);
      ++Notifications;
    };
  }
  void Write(const std::vector<std::uint8_t>& Image) { Dir.Write("p.dat", OnDisk(Image)); }
  // Appends raw file bytes and moves the time stamp on, as a writer does.
  void AppendFileBytes(const std::vector<std::uint8_t>& Bytes) {
    Dir.Append("p.dat", Bytes);
    Touch();
  }
  void Touch() {
    namespace fs = std::filesystem;
    fs::last_write_time(File, fs::last_write_time(File) + std::chrono::seconds(1));
  }
  std::vector<int> Positions() const {
    std::vector<int> Out;
    for (const TDecodedNode* R = Data->Frames; R; R = R->Next) Out.push_back(R->Position);
    return Out;
  }
  std::vector<int> FrameNumbers() const {
    std::vector<int> Out;
    for (const TDecodedNode* R = Data->Frames; R; R = R->Next) Out.push_back(static_cast<int>(R->Child->RawValue));
    return Out;
  }
  TManualTimer& Timer() { return static_cast<TManualTimer&>(*Data->Timer); }
  // A log line without the names of the holder's files, which differ per holder.
  std::string WithoutFileNames(std::string Line) const {
    for (const std::string& Name : {File, Dir.File("d.structure")})
      for (std::size_t At; (At = Line.find(Name)) != std::string::npos;) Line.erase(At, Name.size());
    return Line;
  }
};

// What passes over the file's contents in turn leave: progress, log (the
// file's name left out), roots and their numbers, image and counters.
std::vector<std::string> Trace(bool FromMemory, const std::vector<std::vector<std::uint8_t>>& Contents,
                               bool Resync = false) {
  THolder H(Structure("282"));
  H.Data->Resync = Resync;
  TLogRecorder Log;
  TFakeProgress Progress;
  for (const std::vector<std::uint8_t>& Bytes : Contents) {
    if (FromMemory) {
      EXPECT_TRUE(H.Data->UpdateFromBytes(Bytes));
    } else {
      H.Dir.Write("p.dat", Bytes);
      H.Data->UpdateFromFile();
    }
  }
  std::vector<std::string> Out = Progress.Events;
  for (const std::string& Line : Log.Lines()) Out.push_back(H.WithoutFileNames(Line));
  for (const TDecodedNode* R = H.Data->Frames; R; R = R->Next)
    Out.push_back(std::to_string(R->Position) + " " + std::to_string(R->SerialNo) + " " +
                  std::to_string(R->Child->RawValue));
  Out.emplace_back(H.Data->Image.Bytes.begin(), H.Data->Image.Bytes.end());
  Out.push_back(std::to_string(H.Data->ProcessedSize) + " " + std::to_string(H.Notifications));
  return Out;
}

// A BaseFrame length of 280 whose HK frame, chosen by byte 4, holds a cycle.
const std::string CrossStructure =
    Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
           Row({"8", "8", "SUBFRAME", "SUB_HKSC", "x"}), "[ScienceFrame:8]", Row({"0", "1", "NUMBER", "S", "S"}),
           "[HKFrame:8]", Row({"0", "1", "NUMBER", "A", "B&"}), Row({"0", "1", "NUMBER", "B", "A&"})});

// A tree in pre-order, a line per node: SerialNo, DefIndex, FrameIndex,
// Position, RawValue, Value.
std::string Dump(const TDecodedNode& Node) {
  char Line[200];
  std::snprintf(Line, sizeof Line, "%lld %d %d %lld %a %a\n", static_cast<long long>(Node.SerialNo), Node.DefIndex,
                Node.FrameIndex, static_cast<long long>(Node.Position), Node.RawValue, Node.Value);
  std::string Out = Line;
  for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) Out += Dump(*Child);
  return Out;
}

// The rows, frames and qualified names of a tree, indented by depth, and its
// last PLOT_TIME (sub-frame contents first), NaN without one.
std::pair<std::string, double> LayoutAndTime(const TFramesDefinition& Definition, const TDecodedNode& Root) {
  std::string Layout;
  double Time = std::nan("");
  const std::function<void(const TDecodedNode*, std::size_t)> Walk = [&](const TDecodedNode* List, std::size_t Depth) {
    for (; List; List = List->Next) {
      Layout += std::string(Depth, ' ') + std::to_string(List->DefIndex) + " " + std::to_string(List->FrameIndex) +
                " " + Definition.NodeQualifiedName(*List) + "\n";
      Walk(List->Child, Depth + 1);
      if (Definition.NodeVarName(*List) == "PLOT_TIME") Time = List->Value;
    }
  };
  Walk(Root.Child, 0);
  return {Layout, Time};
}

std::string ReadAll(const std::string& Path) {
  std::ostringstream Out;
  Out << std::ifstream(Path, std::ios::binary).rdbuf();
  return Out.str();
}

// Position, node count and the serial number Serial of a root.
std::string RootLine(const TDecodedNode& Root, std::int64_t Serial) {
  std::int64_t Nodes = 0;
  const std::function<void(const TDecodedNode*)> Count = [&](const TDecodedNode* List) {
    for (; List; List = List->Next, ++Nodes) Count(List->Child);
  };
  Count(Root.Child);
  return std::to_string(Root.Position) + " " + std::to_string(Nodes) + " " + std::to_string(Serial);
}

}  // namespace

TEST(Data, ReadsWholeBaseFramesAndNotifiesOnce) {
  THolder H;
  H.Write(Frames(3));
  TLogRecorder Log;
  TFakeProgress Progress;
  H.Data->StartTracking();
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 280, 560}));
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(H.Notifications, 1);
  EXPECT_EQ(H.Data->FrameCount(), 3);
  EXPECT_EQ(H.Data->ProcessedSize, 840);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Info] Update on " + H.File}));
  EXPECT_EQ(Progress.Events,
            (std::vector<std::string>{"max 840", "show", "pos 0", "count 0", "events", "pos 280", "count 1", "events",
                                      "pos 560", "count 2", "events", "pos 840", "count 3", "hide"}));
  EXPECT_FALSE(Progress.Busy);
  EXPECT_TRUE(H.Data->Timer->Enabled());
  EXPECT_EQ(H.Data->Timer->Interval(), 60000);
  const TDecodedNode* Root = H.Data->Frames;
  EXPECT_EQ(Root->DefIndex, 0);
  EXPECT_EQ(Root->FrameIndex, 0);
  EXPECT_EQ(Root->Stream(), &H.Data->Image);
  EXPECT_EQ(Root->Child->Stream(), &H.Data->Image);
  EXPECT_EQ(Root->Child->Parent(), nullptr);
}

TEST(Data, DecodesBytesInMemoryAsTheFileOfThoseBytes) {
  std::vector<std::uint8_t> Image = Frames(5);
  Image[560] = 0;
  std::vector<std::uint8_t> Disk = OnDisk(Image);
  Disk.push_back(0x42);
  // Another start, then growth by whole and partial BaseFrames.
  std::vector<std::vector<std::uint8_t>> Contents = {std::vector<std::uint8_t>(100)};
  for (const std::ptrdiff_t Size : {700, 720, 740}) Contents.emplace_back(Disk.begin(), Disk.begin() + Size);
  Contents.push_back(Disk);
  const std::vector<std::string> FromFile = Trace(false, Contents);
  EXPECT_EQ(FromFile.back(), "1400 2");  // four of five BaseFrames, in two passes
  EXPECT_EQ(Trace(true, Contents), FromFile);
}

TEST(Data, NumbersChildrenBeforeTheirNodeFromTheSerialBase) {
  THolder H;
  H.Write(Frames(2));
  H.Data->SerialBase = 100000000;
  H.Data->StartTracking();
  const TDecodedNode* Root = H.Data->Frames;
  const TDecodedNode* No = Root->Child;
  const TDecodedNode* Sub = No->Next;
  EXPECT_EQ(No->SerialNo, 100000000);
  EXPECT_EQ(Sub->Child->SerialNo, 100000001);
  EXPECT_EQ(Sub->SerialNo, 100000002);
  EXPECT_EQ(Root->SerialNo, 100000003);
  EXPECT_EQ(Root->Next->SerialNo, 100000007);
}

TEST(Data, AdjustsTheBaseFrameLengthToTheSynchronisationMarker) {
  THolder H(Structure("282"));
  H.Write(Frames(3));
  TLogRecorder Log;
  H.Data->StartTracking();
  EXPECT_EQ(H.Definition->GetFrameLength("BaseFrame"), 280);
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 280, 560}));
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Info] Update on " + H.File,
                             "[Info] Auto adjusting base frame length successful. New length: 280",
                         }));
}

TEST(Data, DecodesOtherLengthsWithoutAnIdCheck) {
  THolder H(Structure("300"));
  H.Write(Frames(2, 300, false, 0xEE));
  TLogRecorder Log;
  H.Data->StartTracking();
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 300}));
  H.AppendFileBytes(OnDisk(Frames(1, 300, false)));
  H.Timer().Fire();
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 300, 600}));
  const std::string NoSync = "[Info] No automatic BaseFrame synchronization. BF is 300";
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Info] Update on " + H.File, NoSync, "[Info] Update on " + H.File, NoSync}));
}

TEST(Data, SkipsBaseFramesWithAnInvalidIdButCountsThem) {
  THolder H;
  std::vector<std::uint8_t> Image = Frames(4);
  Image[280 + 3] = 0;
  Image[560] = 0;
  H.Write(Image);
  TLogRecorder Log;
  TFakeProgress Progress;
  H.Data->StartTracking();
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 840}));
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{
                             "[Info] Update on " + H.File,
                             "[Warn] BaseFrame at Position 280 has invalid ID! Skipping...",
                             "[Warn] BaseFrame at Position 560 has invalid ID! Skipping...",
                         }));
  // Skipped BaseFrames count as handled.
  EXPECT_EQ(Progress.Events[Progress.Events.size() - 2], "count 4");
}

TEST(Data, ResynchronisesAtTheNextMarkerOnlyWhenAsked) {
  const struct {
    std::vector<std::uint8_t> File;
    bool Resync;
    std::vector<int> Positions, Numbers;
    std::vector<std::string> Warnings;
  } Cases[] = {
      // A stray byte in the marker of BaseFrame 1 shifts the rest by a byte.
      {WithStray(3, 281),
       false,
       {0},
       {0},
       {"BaseFrame at Position 280 has invalid ID! Skipping...",
        "BaseFrame at Position 560 has invalid ID! Skipping..."}},
      {WithStray(3, 281), true, {0, 561}, {0, 2}, {"Skipped 281 bytes, resynchronised at position 561."}},
      {WithStray(3, 840, std::vector<std::uint8_t>(400, 0xEE)),
       true,
       {0, 280, 560},
       {0, 1, 2},
       {"No synchronisation marker after position 840."}},
      // BaseFrame 1 lost bytes in its middle: 2 is decoded where it starts.
      {WithGap(4, 380, 100),
       true,
       {0, 460, 740},
       {0, 2, 3},
       {"BaseFrame at position 280 is short (180 bytes); skipped."}},
      {WithGap(4, 381, 101),
       true,
       {0, 459, 739},
       {0, 2, 3},
       {"BaseFrame at position 280 is short (179 bytes); skipped."}},
      {WithGap(4, 380, 100), false, {0, 280}, {0, 1}, {"BaseFrame at Position 560 has invalid ID! Skipping..."}},
  };
  for (const auto& Case : Cases) {
    THolder H;
    H.Dir.Write("p.dat", Case.File);
    H.Data->Resync = Case.Resync;
    TLogRecorder Log;
    H.Data->StartTracking();
    EXPECT_EQ(H.Positions(), Case.Positions);
    EXPECT_EQ(H.FrameNumbers(), Case.Numbers);
    std::vector<std::string> Warnings;
    for (const TLogRecorder::TEntry& Entry : Log.Entries)
      if (Entry.Level == llWarn) Warnings.push_back(Entry.Text);
    EXPECT_EQ(Warnings, Case.Warnings);
    // Data without a marker after an invalid BaseFrame waits as a partial BaseFrame does.
    EXPECT_EQ(H.Data->Result(), TPassResult::Complete);
  }
}

TEST(Data, ResynchronisesWhereTheMarkerArrivesInALaterPass) {
  // BaseFrames 0 and 1 and 301 bytes without a marker; then 2 and 3.
  const std::vector<std::uint8_t> File = WithStray(4, 560, std::vector<std::uint8_t>(301, 0xEE));
  std::vector<std::vector<std::uint8_t>> Contents;
  for (const std::ptrdiff_t Size : {850, 863, 1000, 1421}) Contents.emplace_back(File.begin(), File.begin() + Size);
  const std::vector<std::string> FromFile = Trace(false, Contents, true);
  EXPECT_EQ(Trace(true, Contents, true), FromFile);
  EXPECT_EQ(std::vector<std::string>(FromFile.end() - 6, FromFile.end() - 2),
            (std::vector<std::string>{"0 3 0.000000", "280 7 1.000000", "861 11 2.000000", "1141 15 3.000000"}));
  EXPECT_EQ(FromFile.back(), "1421 4");
  EXPECT_EQ(std::count(FromFile.begin(), FromFile.end(), "[Warn] No synchronisation marker after position 560."), 1);
  EXPECT_EQ(std::count(FromFile.begin(), FromFile.end(), "[Warn] Skipped 301 bytes, resynchronised at position 861."),
            1);
}

TEST(Data, AThrottledPassShowsTheFirstAndTheFinalPositionOnly) {
  THolder H;
  H.Write(Frames(5));
  TLogRecorder Quiet;
  TFakeProgress Progress;
  Progress.Interval = std::chrono::hours(1);
  H.Data->StartTracking();
  EXPECT_EQ(H.Data->FrameCount(), 5);
  EXPECT_EQ(Progress.Events, (std::vector<std::string>{"max 1400", "show", "pos 0", "count 0", "events", "pos 1400",
                                                       "count 5", "hide"}));
}

TEST(Data, LogsEachTextOncePerPassAndCountsItsRepeatsAtTheEnd) {
  THolder H(Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "NO", "NO"}), Row({"8", "2,1", "NUMBER", "W", "W"})}));
  H.Write(Frames(3));
  TLogRecorder Log;
  TFakeProgress Progress;
  Progress.EventEntry = "event";
  H.Data->StartTracking();
  H.AppendFileBytes(OnDisk(Frames(2)));
  H.Data->UpdateFromFile();
  const std::string Wide =
      "ExtractInt: Length exceeds 16bit! Returning 65535. Check structure! (" + H.Dir.File("d.structure") + ", line 3)";
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Info] Update on " + H.File, "[Info] event", "[Error] " + Wide, "[Info] event",
                                      "[Info] event", "[Warn] 2 more entries like '" + Wide + "' in this pass.",
                                      "[Info] Update on " + H.File, "[Info] event", "[Error] " + Wide, "[Info] event",
                                      "[Warn] 1 more entries like '" + Wide + "' in this pass."}));
}

TEST(Data, WarnsWhenTheFileHoldsLessThanOneBaseFrame) {
  for (const std::size_t Size : {0u, 279u}) {
    THolder H;
    H.Write(std::vector<std::uint8_t>(Size, 1));
    TLogRecorder Log;
    TFakeProgress Progress;
    H.Data->StartTracking();
    EXPECT_EQ(H.Data->Frames, nullptr);
    EXPECT_EQ(H.Notifications, 0);
    EXPECT_TRUE(Progress.Events.empty());
    EXPECT_FALSE(Progress.Busy);
    EXPECT_EQ(Log.Lines(),
              (std::vector<std::string>{
                  "[Info] Update on " + H.File,
                  "[Warn] File " + H.File + " has changed, but has not grown for at least the size of the BaseFrame.",
                  "[Warn] No data appended!",
              }));
  }
}

TEST(Data, DecodesEveryBaseFrameOnceWhileTheFileGrowsInPieces) {
  THolder H;
  const std::vector<std::uint8_t> File = OnDisk(Frames(6));
  H.Dir.Write("p.dat", std::vector<std::uint8_t>(File.begin(), File.begin() + 700));
  H.Data->StartTracking();
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1}));
  EXPECT_EQ(H.Data->ProcessedSize, 560);
  const std::vector<std::int64_t> OldSerials = {H.Data->Frames->SerialNo, H.Data->Frames->Next->SerialNo};

  TLogRecorder Log;
  H.AppendFileBytes(std::vector<std::uint8_t>(File.begin() + 700, File.begin() + 841));
  H.Timer().Fire();
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1, 2}));
  H.AppendFileBytes(std::vector<std::uint8_t>(File.begin() + 841, File.begin() + 1000));
  H.Timer().Fire();
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1, 2}));
  EXPECT_TRUE(Log.Has(llWarn, "No data appended!"));
  H.AppendFileBytes(std::vector<std::uint8_t>(File.begin() + 1000, File.end()));
  H.Timer().Fire();
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
  EXPECT_EQ(H.Notifications, 3);
  EXPECT_EQ(H.Data->Frames->SerialNo, OldSerials[0]);
  EXPECT_EQ(H.Data->Frames->Next->SerialNo, OldSerials[1]);
  EXPECT_EQ(H.Data->Frames->Next->Next->Child->SerialNo, OldSerials[1] + 1);
}

// A pass that stopped early leaves whole BaseFrames to the next, which pairs
// the words anew after a stray byte among them: their values read alone
// (also from the next BaseFrame's bytes) are those of their own pass.
TEST(Data, ValuesReadAloneFollowThePairingOfTheirOwnPass) {
  THolder H(
      Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "NO", "NO"}), Row({"284", "1", "NUMBER", "NEXT", "NEXT"})}));
  H.Data->KeepTrees = false;
  H.Data->Resync = true;
  H.Data->StreamPieceBytes = 1000;
  H.Dir.Write("p.dat", WithStray(10, 5 * 280));
  int Pieces = 0;
  H.Data->Enough = [&] { return ++Pieces > 1; };
  H.Data->StartTracking();
  ASSERT_LT(H.Data->Index().size(), 5u);
  H.Data->Enough = nullptr;
  const std::vector<std::uint8_t> Last = OnDisk(Frames(11));
  H.AppendFileBytes(std::vector<std::uint8_t>(Last.end() - 280, Last.end()));
  H.Timer().Fire();
  ASSERT_EQ(H.Data->Index().size(), 11u);
  for (const std::int32_t Row : {1, 2}) {
    ASSERT_TRUE(H.Definition->ReadsAlone(Row));
    const std::vector<const TFrameColumn*> Column = H.Data->ColumnsOf({&Row, 1});
    ASSERT_EQ(Column.size(), 1u);
    std::vector<double> Decoded;
    for (std::size_t Frame = 0; Frame < 11; ++Frame) {
      const TDecodedAgain Again = H.Data->DecodeAgain(Frame);
      ASSERT_NE(Again.Root, nullptr) << Frame;
      for (const TDecodedNode* Node = Again.Root->Child; Node; Node = Node->Next)
        if (Node->DefIndex == Row) Decoded.push_back(Node->Value);
    }
    EXPECT_EQ(Column[0]->Values, Decoded) << Row;
  }
  EXPECT_EQ(H.Data->ColumnsOf(std::vector<std::int32_t>{1})[0]->Values,
            (std::vector<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

// A file shrunk in place cuts a read ahead short: a shorter window within
// what it did read is still served word-swapped.
TEST(Data, AReadAheadCutShortIsSwappedForTheWindowsItHolds) {
  THolder H(Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "NO", "NO"}),
                   Row({"-20", "4", "SUBFRAME", "Inner", "x"}), "[Inner:4]", Row({"0", "1", "NUMBER", "I", "I"})}));
  H.Data->KeepTrees = false;
  H.Data->StreamPieceBytes = 1000;
  H.Write(Frames(4, 280, true, 3));
  const TLogRecorder Quiet;
  H.Data->StartTracking();
  ASSERT_EQ(H.Data->Index().size(), 4u);
  const TDecodedAgain Before = H.Data->DecodeAgain(0);
  ASSERT_NE(Before.Root, nullptr);
  std::filesystem::resize_file(H.File, 400);
  const std::unique_ptr<TData::TDecodingCopy> Copy = H.Data->CopyForDecodingAgain();
  TDecodedAgain Long, Short;
  EXPECT_FALSE(H.Data->DecodeAgain(1, *Copy, Long));
  ASSERT_TRUE(H.Data->DecodeAgain(0, *Copy, Short));
  EXPECT_EQ(Dump(*Short.Root), Dump(*Before.Root));
}

TEST(Data, TheNextPassOfAGrowingFileAppendsItsRecordsWithoutMovingThoseBefore) {
  THolder H;
  const std::vector<std::uint8_t> File = OnDisk(Frames(100));
  H.Dir.Write("p.dat", std::vector<std::uint8_t>(File.begin(), File.begin() + 80 * 280));
  H.Data->StartTracking();
  ASSERT_EQ(H.Data->Index().size(), 80u);
  const TFrameRecord* const First = H.Data->Index().data();
  H.AppendFileBytes(std::vector<std::uint8_t>(File.begin() + 80 * 280, File.end()));
  H.Timer().Fire();
  EXPECT_EQ(H.Data->Index().size(), 100u);
  EXPECT_EQ(H.Data->Index().data(), First);
}

TEST(Data, WarnsOfAPartialBaseFrameOnceUntilTheFileChangesAgain) {
  THolder H;
  const std::vector<std::uint8_t> File = OnDisk(Frames(4));
  H.Dir.Write("p.dat", std::vector<std::uint8_t>(File.begin(), File.begin() + 560));
  TLogRecorder Quiet;
  H.Data->StartTracking();
  TLogRecorder Log;
  // The third BaseFrame comes in pieces, then a piece of the fourth.
  for (const std::ptrdiff_t End : {600, 650, 700, 860, 900}) {
    H.Dir.Write("p.dat", std::vector<std::uint8_t>(File.begin(), File.begin() + End));
    H.Touch();
    H.Timer().Fire();
  }
  EXPECT_EQ(H.FrameNumbers(), (std::vector<int>{0, 1, 2}));
  // A shrink is warned of at every change.
  for (const std::ptrdiff_t End : {500, 400}) {
    H.Dir.Write("p.dat", std::vector<std::uint8_t>(File.begin(), File.begin() + End));
    H.Touch();
    H.Timer().Fire();
  }
  const std::string Update = "[Info] Update on " + H.File;
  const std::vector<std::string> Warned = {
      Update, "[Warn] File " + H.File + " has changed, but has not grown for at least the size of the BaseFrame.",
      "[Warn] No data appended!"};
  std::vector<std::string> Expected = Warned;  // 600, then nothing at 650 and 700
  Expected.push_back(Update);                  // 860: the third BaseFrame
  for (int Looks = 0; Looks < 3; ++Looks) Expected.insert(Expected.end(), Warned.begin(), Warned.end());
  EXPECT_EQ(Log.Lines(), Expected);
}

TEST(Data, ReadsAReplacedFileFromItsStartAndNumbersOn) {
  std::vector<std::uint8_t> Other = Frames(2);
  Other[4] = 20;
  Other[284] = 21;
  std::vector<std::uint8_t> OtherThenMore = Other;
  const std::vector<std::uint8_t> More = Frames(3);
  OtherThenMore.insert(OtherThenMore.end(), More.begin(), More.end());
  const auto PutInPlace = [](THolder& H, const std::vector<std::uint8_t>& Image) {
    H.Dir.Write("q.dat", OnDisk(Image));
    std::filesystem::rename(H.Dir.File("q.dat"), H.File);
  };
  const auto Look = [](THolder& H) {
    H.Touch();
    H.Timer().Fire();
  };
  enum TWarning { Replaced, NotGrown };
  const struct {
    const char* Name;
    std::function<void(THolder&)> Change;
    std::vector<std::string> Roots;  // position, number and serial of each root
    std::vector<TWarning> Warned;    // in the order they come
  } Cases[] = {
      {"another inode",
       [&](THolder& H) { PutInPlace(H, Other); },
       {"0 0 3", "280 1 7", "560 2 11", "0 20 15", "280 21 19"},
       {Replaced}},
      {"another inode, empty, then written",
       [&](THolder& H) {
         PutInPlace(H, {});
         Look(H);
         H.Write(Other);
       },
       {"0 0 3", "280 1 7", "560 2 11", "0 20 15", "280 21 19"},
       {Replaced, NotGrown}},
      // A copy that grew goes on from where the file was read.
      {"another inode, the same start",
       [&](THolder& H) { PutInPlace(H, Frames(5)); },
       {"0 0 3", "280 1 7", "560 2 11", "840 3 15", "1120 4 19"},
       {}},
      {"truncated and written again",
       [&](THolder& H) { H.Write(OtherThenMore); },
       {"0 0 3", "280 1 7", "560 2 11", "0 20 15", "280 21 19", "560 0 23", "840 1 27", "1120 2 31"},
       {Replaced}},
      // A shrink seen: the bytes it left are the start to go on with.
      {"shrunk, then grown",
       [&](THolder& H) {
         H.Write(Frames(1));
         Look(H);
         H.Write(Frames(5));
       },
       {"0 0 3", "280 1 7", "560 2 11", "840 3 15", "1120 4 19"},
       {NotGrown}},
      // Written anew, also when a look finds it shorter on the way.
      {"shrunk to other bytes, then grown",
       [&](THolder& H) {
         H.Write(Other);
         Look(H);
         H.Write(OtherThenMore);
       },
       {"0 0 3", "280 1 7", "560 2 11", "0 20 15", "280 21 19", "560 0 23", "840 1 27", "1120 2 31"},
       {Replaced}},
      {"truncated to nothing, then written anew",
       [&](THolder& H) {
         H.Write({});
         Look(H);
         H.Write(OtherThenMore);
       },
       {"0 0 3", "280 1 7", "560 2 11", "0 20 15", "280 21 19", "560 0 23", "840 1 27", "1120 2 31"},
       {NotGrown, Replaced}},
  };
  for (const auto& Case : Cases)
    for (const bool Streamed : {false, true}) {
      SCOPED_TRACE(std::string(Case.Name) + (Streamed ? ", streamed" : ""));
      THolder H;
      std::vector<std::string> Roots;
      const auto Take = [&Roots](const TDecodedNode& Root) {
        Roots.push_back(std::to_string(Root.Position) + " " + std::to_string(static_cast<int>(Root.Child->RawValue)) +
                        " " + std::to_string(Root.SerialNo));
      };
      if (Streamed)
        H.Data->OnFrames = [&](std::span<TDecodedNode* const> Handed) {
          for (const TDecodedNode* Root : Handed) Take(*Root);
        };
      H.Write(Frames(3));
      TLogRecorder Log;
      H.Data->StartTracking();
      Case.Change(H);
      Look(H);
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next) Take(*Root);
      EXPECT_EQ(Roots, Case.Roots);
      EXPECT_EQ(H.Data->FrameCount(), static_cast<std::int64_t>(Case.Roots.size()));
      std::vector<std::string> Warnings;
      for (const TLogRecorder::TEntry& Entry : Log.Entries)
        if (Entry.Level == llWarn) Warnings.push_back(Entry.Text);
      const std::vector<std::string> NotGrown = {
          "File " + H.File + " has changed, but has not grown for at least the size of the BaseFrame.",
          "No data appended!"};
      std::vector<std::string> Expected;
      for (const TWarning Warning : Case.Warned)
        if (Warning == Replaced) Expected.push_back(H.File + " was replaced; reading it from the start.");
        else Expected.insert(Expected.end(), NotGrown.begin(), NotGrown.end());
      EXPECT_EQ(Warnings, Expected);
    }
}

TEST(Data, LeavesAnOddLastByteUnswapped) {
  THolder H;
  std::vector<std::uint8_t> Disk = OnDisk(Frames(1));
  Disk.push_back(0x42);
  H.Dir.Write("p.dat", Disk);
  H.Data->StartTracking();
  EXPECT_EQ(H.Data->Image.Bytes.back(), 0x42);
  EXPECT_EQ(H.Data->Image.Bytes[0], 0x1A);
  EXPECT_EQ(H.Data->Image.Bytes[1], 0xCF);
}

TEST(Data, IgnoresAnUnchangedFileAndStopsTrackingOnRequest) {
  THolder H;
  H.Write(Frames(1));
  H.Data->StartTracking();
  TLogRecorder Log;
  H.Timer().Fire();
  EXPECT_TRUE(Log.Entries.empty());
  EXPECT_TRUE(H.Data->Timer->Enabled());
  H.Data->StopTracking();
  H.AppendFileBytes(OnDisk(Frames(1)));
  H.Timer().Fire();
  EXPECT_TRUE(Log.Entries.empty());
  EXPECT_EQ(H.Data->FrameCount(), 1);
}

TEST(Data, ReadsAFileAgainWhoseSizeChangedWithinItsTimeStamp) {
  THolder H;
  H.Write(Frames(1));
  H.Data->StartTracking();
  const auto Stamp = std::filesystem::last_write_time(H.File);
  H.Dir.Append("p.dat", OnDisk(Frames(1)));
  std::filesystem::last_write_time(H.File, Stamp);
  H.Timer().Fire();
  EXPECT_EQ(H.Data->FrameCount(), 2);
}

TEST(Data, DelaysAnUpdateWhileAnotherPassRuns) {
  THolder H;
  H.Write(Frames(1));
  TLogRecorder Log;
  LoadProgress().Busy = true;
  H.Data->StartTracking();
  H.Timer().Fire();
  EXPECT_FALSE(H.Data->UpdateFromBytes(OnDisk(Frames(1))));
  LoadProgress().Busy = false;
  EXPECT_EQ(H.Data->Timer->Interval(), 80000);
  EXPECT_EQ(H.Data->Frames, nullptr);
  const std::string Delayed = "[Info] Update on " + H.File + " delayed: other update in progress.";
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{Delayed, Delayed, Delayed}));
  H.Timer().Fire();
  EXPECT_EQ(H.Data->FrameCount(), 1);
  EXPECT_EQ(H.Data->Timer->Interval(), 80000);
}

TEST(Data, DelaysTheOtherHolderFromInsideANotification) {
  THolder H;
  H.Write(Frames(2));
  TData Second(H.Dir.Write("q.dat", OnDisk(Frames(3))), *H.Definition);
  Second.SerialBase = SecondFileSerialBase;
  H.Data->OnNewFrames = [&](TData&) { Second.StartTracking(); };
  H.Data->StartTracking();
  EXPECT_EQ(Second.Frames, nullptr);
  EXPECT_EQ(Second.Timer->Interval(), 70000);
  static_cast<TManualTimer&>(*Second.Timer).Fire();
  EXPECT_EQ(Second.FrameCount(), 3);
  EXPECT_EQ(Second.Frames->Child->SerialNo, 100000000);
  EXPECT_EQ(H.Data->Frames->Child->SerialNo, 0);
}

TEST(Data, RefusesABaseFrameLengthBelowOne) {
  for (const char* Length : {"0", "-5"}) {
    THolder H(Structure(Length));
    H.Write(Frames(2));
    TLogRecorder Log;
    TFakeProgress Progress;
    H.Data->StartTracking();
    EXPECT_EQ(H.Data->Frames, nullptr);
    EXPECT_EQ(H.Data->ProcessedSize, 0);
    EXPECT_EQ(H.Notifications, 0);
    EXPECT_FALSE(Progress.Busy);
    EXPECT_EQ(Log.Lines().back(), std::string("[Error] Invalid BaseFrame length ") + Length + ", no data decoded.");
    EXPECT_EQ(H.Data->Result(), TPassResult::StoppedEarly);
  }
}

TEST(Data, EndsAPassAbortedByACrossDependencyCleanly) {
  THolder H(CrossStructure);
  std::vector<std::uint8_t> Image = Frames(4);
  Image[4] = Image[284] = Image[844] = 0;  // science, science, housekeeping, science
  Image[564] = 1;
  H.Write(Image);
  TLogRecorder Log;
  TFakeProgress Progress;
  H.Data->StartTracking();
  EXPECT_EQ(H.Positions(), (std::vector<int>{0, 280}));
  EXPECT_EQ(H.Data->ProcessedSize, 560);
  EXPECT_EQ(H.Notifications, 1);
  EXPECT_EQ(Progress.Events.back(), "hide");
  EXPECT_FALSE(Progress.Busy);
  EXPECT_TRUE(H.Data->Timer->Enabled());
  EXPECT_TRUE(
      Log.Has(llError, "Cross dependency for variable B detected! (" + H.Dir.File("d.structure") + ", line 7)"));
  EXPECT_EQ(H.Data->Frames->Next->SerialNo, 7);
  EXPECT_EQ(H.Data->Result(), TPassResult::StoppedEarly);
}

TEST(Data, APassStoppedInAnyModeEndedEarly) {
  std::vector<std::uint8_t> Image = Frames(40);
  for (int F = 0; F < 40; ++F) Image[static_cast<std::size_t>(F * 280 + 4)] = F == 25;
  const struct {
    bool Streamed;
    int Threads;
  } Modes[] = {{false, 1}, {false, 3}, {true, 1}, {true, 3}};
  for (const auto& Mode : Modes)
    for (const bool Cycle : {false, true}) {
      SCOPED_TRACE(std::to_string(Mode.Streamed) + " " + std::to_string(Mode.Threads) + " " + std::to_string(Cycle));
      THolder H(Cycle ? CrossStructure : Structure("280"));
      H.Write(Image);
      H.Data->Threads = Mode.Threads;
      if (Mode.Streamed) {
        H.Data->StreamPieceBytes = 280 * 30;
        H.Data->OnFrames = [](std::span<TDecodedNode* const>) {};
      }
      TLogRecorder Quiet;
      H.Data->StartTracking();
      EXPECT_EQ(H.Data->FrameCount(), Cycle ? 25 : 40);
      EXPECT_EQ(H.Data->Result(), Cycle ? TPassResult::StoppedEarly : TPassResult::Complete);
    }
}

TEST(Data, APassReportsHowAndWhyItEndedWithItsCountsAndEntries) {
  std::vector<std::uint8_t> Image = Frames(40);
  for (int F = 0; F < 40; ++F) Image[static_cast<std::size_t>(F * 280 + 4)] = F == 25;
  const struct {
    const char* Name;
    bool Cycle, Streamed, FailingHandOver, StopAsked, Missing;
    int Threads;
    TPassResult Result;
    TPassStop Stop;
    std::int64_t Frames, Handled;
  } Cases[] = {
      {"complete", false, false, false, false, false, 3, TPassResult::Complete, TPassStop::None, 40, 40},
      {"cross dependency", true, false, false, false, false, 3, TPassResult::StoppedEarly, TPassStop::Decoding, 25, 25},
      {"hand-over", false, true, true, false, false, 1, TPassResult::StoppedEarly, TPassStop::HandOver, 26, 26},
      {"stop asked", false, false, false, true, false, 1, TPassResult::StoppedEarly, TPassStop::Asked, 0, 0},
      {"unreadable", false, false, false, false, true, 1, TPassResult::Unreadable, TPassStop::None, 0, 0},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    THolder H(Case.Cycle ? CrossStructure : Structure("280"));
    if (!Case.Missing) H.Write(Image);
    H.Data->Threads = Case.Threads;
    if (Case.Streamed)
      H.Data->OnFrames = [&Case](std::span<TDecodedNode* const> Roots) {
        if (Case.FailingHandOver && Roots.front()->Position == 25 * 280) throw std::runtime_error("full");
      };
    struct TStopping : TFakeProgress {
      bool Stops = false;
      bool StopRequested() override { return Stops; }
    } Progress;
    Progress.Stops = Case.StopAsked;
    Progress.EventEntry = "no part of the pass";
    TLogRecorder Log;
    const TPassReport Report = H.Data->StartTracking();
    EXPECT_EQ(Report.Result, Case.Result);
    EXPECT_EQ(Report.Stop, Case.Stop);
    EXPECT_FALSE(Report.Delayed);
    EXPECT_EQ(Report.Frames, Case.Frames);
    EXPECT_EQ(Report.Handled, Case.Handled);
    EXPECT_EQ(Report.Bytes, Case.Handled * 280);
    // The entries as the log got them, without those of the events.
    std::vector<TLogRecorder::TEntry> Entries;
    for (const auto& [Level, Text] : Report.Entries) Entries.push_back({Level, Text});
    std::erase(Log.Entries, TLogRecorder::TEntry{llInfo, "no part of the pass"});
    EXPECT_EQ(Entries, Log.Entries);
    EXPECT_EQ(Report.LastError().empty(), !Case.Cycle && !Case.FailingHandOver && !Case.Missing);
  }
}

TEST(Data, AnExceptionOnAThreadOrFromTheProgressEndsAThreadedPassOnTheCallersThread) {
  struct TThrowing : TChunkSink {
    void Take(const TDecodedNode&, const std::vector<std::string>&) override { throw 7; }
    void Join(const TSerialNumbering&) override {}
  };
  for (const bool FromProgress : {false, true}) {
    SCOPED_TRACE(FromProgress);
    THolder H;
    H.Write(Frames(200));
    H.Data->Threads = 3;
    H.Data->OnFrames = [](std::span<TDecodedNode* const>) {};
    if (!FromProgress) H.Data->NewChunkSink = [] { return std::make_unique<TThrowing>(); };
    struct TFailing : TFakeProgress {
      bool Fails = false;
      void PositionShown() override {
        if (Fails) throw std::runtime_error("closed");
      }
    } Progress;
    Progress.Fails = FromProgress;
    TLogRecorder Quiet;
    if (FromProgress) EXPECT_THROW(H.Data->StartTracking(), std::runtime_error);
    else EXPECT_THROW(H.Data->StartTracking(), int);
    EXPECT_FALSE(Progress.Busy);
    // The next pass reads the file again.
    Progress.Fails = false;
    H.Data->NewChunkSink = nullptr;
    const std::int64_t Before = H.Data->FrameCount();
    EXPECT_EQ(H.Data->StartTracking().Frames, 200);
    EXPECT_EQ(H.Data->FrameCount() - Before, 200);
  }
}

TEST(Data, ReportsAFileThatCannotBeRead) {
  THolder H;
  TLogRecorder Log;
  TFakeProgress Progress;
  H.Data->StartTracking();
  EXPECT_EQ(H.Data->LastFileTime, 0);
  EXPECT_FALSE(Progress.Busy);
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Error] Cannot read paket file " + H.File + "."}));
  // A later tick finds the file once it is there.
  H.Write(Frames(1));
  H.Timer().Fire();
  EXPECT_EQ(H.Data->FrameCount(), 1);
  // The worst of the passes.
  EXPECT_EQ(H.Data->Result(), TPassResult::Unreadable);
}

// Of 2 GiB only when read whole, with its trees.
TEST(Data, RefusesFilesThatAreNotRegularOrOfTwoGibibytesWithoutWaitingForThem) {
  const struct {
    std::function<void(THolder&)> Make;
    std::string Refusal;
  } Cases[] = {
      {[](THolder& H) { ASSERT_EQ(mkfifo(H.File.c_str(), 0600), 0); }, "is not a regular file, not loaded."},
      {[](THolder& H) {
         H.Write(Frames(1));
         std::filesystem::resize_file(H.File, std::uintmax_t{1} << 31);  // sparse: takes no space
       },
       "is too large (2 GiB or more), not loaded."},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Refusal);
    THolder H;
    Case.Make(H);
    TLogRecorder Log;
    H.Data->StartTracking();
    H.Timer().Fire();
    EXPECT_EQ(H.Data->Frames, nullptr);
    EXPECT_EQ(H.Data->Result(), TPassResult::Unreadable);
    EXPECT_FALSE(LoadProgress().Busy);
    // Refused once while it stays as it is.
    EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Info] Update on " + H.File,
                                                     "[Error] Paket file " + H.File + " " + Case.Refusal}));
  }
}

// Positions past 2^31 in the index and in the trees decoded again.
TEST(Data, ReadsAFileOfTwoGibibytesAndMoreInPieces) {
  constexpr int Length = 1 << 20;  // no ID check: a sparse file is all BaseFrames
  constexpr std::int64_t Last = std::int64_t{1} << 31;
  THolder H(Structure(std::to_string(Length)));
  H.Data->KeepTrees = false;
  H.Write(Frames(1, Length, false));
  std::filesystem::resize_file(H.File, static_cast<std::uintmax_t>(Last + Length));  // sparse: takes no space
  {
    std::fstream Out(H.File, std::ios::in | std::ios::out | std::ios::binary);
    Out.seekp(Last + 5);  // byte 4 of the last BaseFrame, words swapped
    Out.put(7);
  }
  TLogRecorder Log;
  H.Data->StartTracking();
  EXPECT_EQ(H.Data->Result(), TPassResult::Complete);
  for (const auto& Entry : Log.Entries) EXPECT_EQ(Entry.Level, llInfo) << Entry.Text;
  ASSERT_EQ(H.Data->Index().size(), 2049U);
  EXPECT_EQ(H.Data->Index().back().Position, Last);
  const TDecodedAgain Again = H.Data->DecodeAgain(2048);
  ASSERT_NE(Again.Root, nullptr);
  EXPECT_EQ(Again.Root->Position, Last);
  EXPECT_EQ(Again.Root->Child->Position, Last + 4);
  EXPECT_EQ(Again.Root->Child->Value, 7);
}

TEST(Data, AFailingNotificationStillEndsThePassCleanly) {
  THolder H;
  H.Write(Frames(2));
  H.Data->OnNewFrames = [](TData&) { throw std::runtime_error("out of luck"); };
  TLogRecorder Log;
  TFakeProgress Progress;
  H.Data->StartTracking();
  EXPECT_TRUE(Log.Has(llError, "Handling the new BaseFrames of " + H.File + " failed: out of luck"));
  EXPECT_EQ(Progress.Events.back(), "hide");
  EXPECT_FALSE(Progress.Busy);
  EXPECT_TRUE(H.Data->Timer->Enabled());
  EXPECT_EQ(H.Data->FrameCount(), 2);
  EXPECT_EQ(H.Data->ProcessedSize, 560);
}

TEST(Data, ThreadsGiveTheTreesLogAndMessagesOfOneThreadAndEachBaseFrameDecodesAgainAlone) {
  std::ostringstream Demo;
  TSimGenerator Generator;
  WriteBaseFrames(Demo, Generator, 2000);
  const std::string DemoStructure = ReadAll(VOREX_DEMO_DIR "/demo.structure");
  const std::string DemoFile = Demo.str();
  // A message's number in a transform: decoded on one thread after all.
  const std::string TextNumber = Lines(
      {"[BaseFrame:280]", Row({"4", "4", "TEXT", "MSG", "MSG"}), Row({"-1", "0", "NUMBER", "NUMBERED", "MSG*2"})});
  const std::vector<std::uint8_t> Numbered = OnDisk(Frames(100));
  // A PLOT_TIME in the HK sub-frame, then one after it: the later is the BaseFrame's time.
  const std::string Times =
      Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
             Row({"8", "8", "SUBFRAME", "SUB_HKSC", "x"}), Row({"5", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME"}),
             "[ScienceFrame:8]", Row({"0", "1", "NUMBER", "S", "S"}), "[HKFrame:8]",
             Row({"0", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME*2"})});
  const std::vector<std::uint8_t> Filled = OnDisk(Frames(100, 280, true, 3));
  // Rows a reading alone must leave to the decoder: a name given twice, the
  // value of such a name, a wide field, a TEXT's raw value and what asks for
  // it and a later row; beside rows that read alone, one of them reaching
  // past the last BaseFrame.
  const std::string Alone =
      Lines({"[BaseFrame:280]", Row({"0", "2", "NUMBER", "A", "A"}), Row({"2", "2", "NUMBER", "A", "A*2"}),
             Row({"-1", "0", "NUMBER", "TWICE", "A&+1"}), Row({"4", "4", "NUMBER", "WIDE", "WIDE"}),
             Row({"-1", "0", "NUMBER", "WIDER", "WIDE&+1"}), Row({"0", "2", "TEXT", "M", "M"}),
             Row({"-1", "0", "NUMBER", "MI", "M+1"}), Row({"-1", "0", "NUMBER", "MII", "MI&*2"}),
             Row({"-1", "0", "NUMBER", "EARLY", "LATE&*2"}), Row({"10", "2", "NUMBER", "LATE", "LATE+1"}),
             Row({"12", "0,12", "NUMBER", "Z", "Z*0.5"}), Row({"-1", "0", "NUMBER", "BAD", "Z/0"}),
             Row({"-1", "0", "NUMBER", "ZZ", "Z&*Z+LATE"}), Row({"-1", "0", "NUMBER", "TWO", "ZZ&+ZZ&-BAD&"}),
             Row({"279", "2", "NUMBER", "PAST", "PAST"}), Row({"14", "0,1", "BOOLEAN", "B", "B"})});
  // A stray byte: the words pair anew from an odd position, also in the
  // parts of the second pass's read, which the bytes at the end place in the
  // middle of words of differing bytes.
  std::string Stray = DemoFile + std::string(280, '\0');
  Stray.insert(280 * 300 + 3, 1, '\x55');
  const struct {
    std::string Structure, File;
    std::size_t FirstPass;  // bytes the first pass finds; the rest comes later
    std::int64_t SerialBase;
    bool Resync = false;
    std::int64_t SerialLimit = NoSerialLimit;
    std::vector<std::string> ReadAlone = {};  // the rows that read alone, when given
  } Cases[] = {
      {DemoStructure, DemoFile, 1200 * 280 + 100, 0},
      {DemoStructure, DemoFile, DemoFile.size(), SecondFileSerialBase},
      // The serial numbers reach the next file's base in the second pass.
      {DemoStructure, DemoFile, 1200 * 280 + 100, 0, false, 100000},
      {ReadAll(VOREX_DEMO_DIR "/../tests/identity/edge.structure"),
       ReadAll(VOREX_DEMO_DIR "/../tests/identity/edge.dat"), 1000, 0},
      {TextNumber, std::string(Numbered.begin(), Numbered.end()), 60 * 280, 0},
      {Times, std::string(Filled.begin(), Filled.end()), 60 * 280, 0},
      {Alone,
       DemoFile.substr(0, 280 * 100),
       60 * 280,
       0,
       false,
       NoSerialLimit,
       {"LATE", "Z", "BAD", "ZZ", "TWO", "PAST", "B"}},
      {DemoStructure, Stray, 1200 * 280 + 100, 0, true},
  };
  for (const auto& Case : Cases) {
    std::vector<std::string> Seen[2];
    for (const int Threads : {1, 3}) {
      THolder H(Case.Structure);
      H.Data->Threads = Threads;
      H.Data->Resync = Case.Resync;
      // Read in parts, one per thread, and columns filled in parts.
      H.Data->ReadPartBytes = 4096;
      H.Data->FillPartFrames = 100;
      H.Data->SerialBase = Case.SerialBase;
      H.Data->SerialLimit = Case.SerialLimit;
      TLogRecorder Log;
      TFakeProgress Progress;
      H.Dir.Write("p.dat", Case.File.substr(0, Case.FirstPass));
      // The passes take the columns of the even rows that do not read alone
      // (from their fields); the others are asked for after them.
      std::vector<std::int32_t> Rows[2];
      for (std::size_t Row = 0; Row < H.Definition->Entries.size(); ++Row) {
        const auto Number = static_cast<std::int32_t>(Row);
        Rows[Row % 2 == 0 && !H.Definition->ReadsAlone(Number) ? 0 : 1].push_back(Number);
      }
      H.Data->ColumnsOf(Rows[0]);
      H.Data->StartTracking();
      H.AppendFileBytes(
          std::vector<std::uint8_t>(Case.File.begin() + static_cast<std::ptrdiff_t>(Case.FirstPass), Case.File.end()));
      H.Data->UpdateFromFile();
      std::vector<std::string>& Out = Seen[Threads > 1];
      for (const std::string& Line : Log.Lines()) Out.push_back(H.WithoutFileNames(Line));
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next) Out.push_back(Dump(*Root));
      Out.insert(Out.end(), H.Messages.begin(), H.Messages.end());
      Out.push_back(std::to_string(H.Data->ProcessedSize) + " " + std::to_string(H.Data->FrameCount()));
      const std::vector<std::uint8_t>::size_type ImageSize = H.Data->Image.Bytes.size();
      Out.push_back("image hash " + std::to_string(std::hash<std::string_view>()(std::string_view(
                                        reinterpret_cast<const char*>(H.Data->Image.Bytes.data()), ImageSize))));
      // Both passes start and end alike; in between, the threads' progress
      // is shown now and then.
      Out.insert(Out.end(), Progress.Events.begin(), Progress.Events.begin() + 2);
      Out.insert(Out.end(), Progress.Events.end() - 3, Progress.Events.end());
      // Each BaseFrame decoded again alone is the tree of its pass, and
      // neither logs nor adds messages.
      const std::size_t Lines = Log.Lines().size(), Messages = H.Messages.size();
      std::size_t Frame = 0;
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next, ++Frame) {
        const TDecodedAgain Again = H.Data->DecodeAgain(Frame);
        ASSERT_NE(Again.Root, nullptr) << Frame;
        EXPECT_EQ(Dump(*Again.Root), Dump(*Root)) << Frame;
      }
      EXPECT_EQ(H.Data->Index().size(), Frame);
      EXPECT_EQ(H.Data->DecodeAgain(Frame).Root, nullptr);
      // One copy of the definition serves many, in any order.
      const std::unique_ptr<TData::TDecodingCopy> Copy = H.Data->CopyForDecodingAgain();
      std::vector<const TDecodedNode*> Roots;
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next) Roots.push_back(Root);
      for (std::size_t Back = Roots.size(); Back-- > 0;) {
        TDecodedAgain Again;
        ASSERT_TRUE(H.Data->DecodeAgain(Back, *Copy, Again)) << Back;
        EXPECT_EQ(Dump(*Again.Root), Dump(*Roots[Back])) << Back;
      }
      // One shape number per layout of nodes; the time is the last PLOT_TIME.
      std::map<std::int32_t, std::string> LayoutOfShape;
      std::set<std::string> Layouts;
      Frame = 0;
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next, ++Frame) {
        const TFrameRecord& Record = H.Data->Index()[Frame];
        const auto [Layout, Time] = LayoutAndTime(*H.Definition, *Root);
        const auto [Known, Fresh] = LayoutOfShape.emplace(Record.Shape, Layout);
        EXPECT_EQ(Known->second, Layout) << Frame;
        EXPECT_EQ(Record.Nodes, std::ranges::count(Layout, '\n') + 1) << Frame;
        if (Fresh) {
          EXPECT_TRUE(Layouts.insert(Layout).second) << Frame;
        }
        EXPECT_EQ(std::isnan(Record.Time), std::isnan(Time)) << Frame;
        if (!std::isnan(Time)) {
          EXPECT_EQ(Record.Time, Time) << Frame;
        }
        Out.push_back(std::to_string(Record.Shape) + " " + std::to_string(Record.Time));
      }
      EXPECT_EQ(H.Data->Shapes().Count(), Layouts.size());
      // A column holds its row's nodes in the order of the walk, children
      // first, with their BaseFrames and serial numbers.
      std::map<std::int32_t, std::vector<std::string>> NodesOfRow;
      Frame = 0;
      for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next, ++Frame) {
        const std::function<void(const TDecodedNode&)> Visit = [&](const TDecodedNode& Node) {
          for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) Visit(*Child);
          NodesOfRow[Node.DefIndex].push_back(std::to_string(Frame) + " " + std::to_string(Node.SerialNo) + " " +
                                              GeneralFloatText(Node.Value));
        };
        Visit(*Root);
      }
      // The rows that read alone are asked for first: the last three
      // together, the others one by one (a field outside a BaseFrame's bytes
      // has all of its rows decoded).
      std::vector<std::int32_t> ReadAlone;
      std::ranges::copy_if(Rows[1], std::back_inserter(ReadAlone),
                           [&](std::int32_t Row) { return H.Definition->ReadsAlone(Row); });
      Out.push_back(std::to_string(ReadAlone.size()) + " rows read alone");
      if (!Case.ReadAlone.empty()) {
        std::vector<std::string> Names;
        for (const std::int32_t Row : ReadAlone) Names.push_back(H.Definition->Entries[Row].VarName);
        EXPECT_EQ(Names, Case.ReadAlone);
      }
      const std::size_t Single = ReadAlone.size() - std::min<std::size_t>(3, ReadAlone.size());
      H.Data->ColumnsOf(std::span(ReadAlone).subspan(Single));
      for (std::size_t Row = 0; Row < Single; ++Row) H.Data->ColumnsOf(std::span(ReadAlone).subspan(Row, 1));
      for (const std::vector<std::int32_t>& Asked : Rows) {
        const std::vector<const TFrameColumn*> Columns = H.Data->ColumnsOf(Asked);
        ASSERT_EQ(Columns.size(), Asked.size());
        for (std::size_t I = 0; I < Asked.size(); ++I) {
          std::vector<std::string> Taken;
          for (std::size_t At = 0; At < Columns[I]->Size(); ++At)
            Taken.push_back(std::to_string(Columns[I]->Frames[At]) + " " +
                            std::to_string(H.Data->SerialOf(Columns[I]->Frames[At], Columns[I]->Places[At])) + " " +
                            GeneralFloatText(Columns[I]->Values[At]));
          EXPECT_EQ(Taken, NodesOfRow[Asked[I]]) << Asked[I];
        }
      }
      if (Case.SerialLimit != NoSerialLimit) {
        // Those past the limit moved far above it, with one warning.
        std::int64_t Nodes = 0;
        for (const TDecodedNode* Root = H.Data->Frames; Root; Root = Root->Next)
          Nodes += std::ranges::count(Dump(*Root), '\n');
        EXPECT_EQ(H.Data->LastFrame()->SerialNo, (std::int64_t{1} << 48) + Nodes - 1 - Case.SerialLimit);
        const std::vector<std::string> Logged = Log.Lines();
        EXPECT_EQ(std::count_if(Logged.begin(), Logged.end(),
                                [](const std::string& Line) {
                                  return Line.find(
                                             "reached 100000, where those of the next packet file begin: its "
                                             "further nodes are numbered from 281474976710656.") != std::string::npos;
                                }),
                  1);
      }
      EXPECT_EQ(Log.Lines().size(), Lines);
      EXPECT_EQ(H.Messages.size(), Messages);
    }
    EXPECT_EQ(Seen[1], Seen[0]);
  }
}

TEST(Data, StreamsTheTreesAndMessagesOfTheWholeFileModeAndDecodesThemAgainFromTheFile) {
  std::ostringstream Demo;
  TSimGenerator Generator;
  WriteBaseFrames(Demo, Generator, 2000);
  const std::string DemoStructure = ReadAll(VOREX_DEMO_DIR "/demo.structure");
  std::vector<std::uint8_t> Reaching = OnDisk(Frames(6));
  Reaching.push_back(7);
  std::vector<std::uint8_t> ReachingMore = OnDisk(Frames(50));
  ReachingMore.push_back(7);
  std::vector<std::uint8_t> Strays = WithStray(6, 300);
  Strays.insert(Strays.begin() + 1000, 291, 0xEE);
  std::vector<std::uint8_t> Gaps = WithGap(8, 1000, 77);
  Gaps.erase(Gaps.begin() + 1300, Gaps.begin() + 1400);
  const std::vector<std::uint8_t> Last = OnDisk(Frames(40));
  // Another file: its first BaseFrame differs.
  std::vector<std::uint8_t> Other = Frames(3);
  Other[4] = 20;
  const struct {
    std::string Structure, File;
    std::int64_t SerialBase;
    std::int64_t PieceBytes;
    bool Resync = false;
    int Threads = 0;  // the pieces' BaseFrames on several threads
  } Cases[] = {
      {DemoStructure, Demo.str(), 0, 1000},
      {DemoStructure, Demo.str(), SecondFileSerialBase, std::int64_t{4} << 20},
      {ReadAll(VOREX_DEMO_DIR "/../tests/identity/edge.structure"),
       ReadAll(VOREX_DEMO_DIR "/../tests/identity/edge.dat"), 0, 1},
      // Reads into the next BaseFrame and, through a sub-frame, the one before.
      {Lines({"[BaseFrame:282]", Row({"4", "1", "NUMBER", "NO", "NO"}), Row({"284", "1", "NUMBER", "NEXT", "NEXT"}),
              Row({"-276", "4", "SUBFRAME", "Sub", "x"}), "[Sub:4]", Row({"0", "1", "NUMBER", "S", "S"})}),
       std::string(Reaching.begin(), Reaching.end()), 7, 1},
      {Lines({"[BaseFrame:282]", Row({"4", "1", "NUMBER", "NO", "NO"}), Row({"284", "1", "NUMBER", "NEXT", "NEXT"}),
              Row({"-276", "4", "SUBFRAME", "Sub", "x"}), "[Sub:4]", Row({"0", "1", "NUMBER", "S", "S"})}),
       std::string(ReachingMore.begin(), ReachingMore.end()), 7, 6000, false, 2},
      {DemoStructure, Demo.str(), 0, 20000, false, 3},
      // Frames that log as they read: a field past the data's end, one too wide.
      {Lines({"[BaseFrame:280]", Row({"4", "1", "NUMBER", "NO", "NO"}), Row({"279", "2", "SUBFRAME", "Far", "x"}),
              Row({"8", "4", "SUBFRAME", "Wide", "x"}), "[Far:2]", Row({"0", "2", "NUMBER", "F", "F"}), "[Wide:4]",
              Row({"0", "3", "NUMBER", "W", "W"})}),
       std::string(Last.begin(), Last.end()), 0, std::int64_t{1} << 20, false, 2},
      // Markers found at odd and even positions, read on in pieces.
      {Structure("280"), std::string(Strays.begin(), Strays.end()), 0, 7, true},
      {Structure("280"), std::string(Gaps.begin(), Gaps.end()), 0, 7, true},
      {Structure("280"), std::string(Gaps.begin(), Gaps.end()), 0, 300, true},
  };
  for (const auto& Case : Cases) {
    // Streamed to OnFrames, or kept as an index alone, with columns or without.
    THolder Whole(Case.Structure), Stream(Case.Structure), Light(Case.Structure), Bare(Case.Structure);
    std::vector<std::string> Roots[2], Logs[4];
    Stream.Data->OnFrames = [&](std::span<TDecodedNode* const> Handed) {
      for (const TDecodedNode* Root : Handed) Roots[1].push_back(Dump(*Root));
    };
    Stream.Data->IndexStreamed = true;
    Light.Data->KeepTrees = false;
    Bare.Data->KeepTrees = false;
    // The light pass takes the columns of every other row.
    std::vector<std::int32_t> OddRows;
    for (std::size_t Row = 1; Row < Light.Definition->Entries.size(); Row += 2)
      OddRows.push_back(static_cast<std::int32_t>(Row));
    Light.Data->ColumnsOf(OddRows);
    for (THolder* H : {&Stream, &Light, &Bare}) {
      H->Data->StreamPieceBytes = Case.PieceBytes;
      H->Data->Threads = Case.Threads;
    }
    const std::array<THolder*, 4> Holders{&Whole, &Stream, &Light, &Bare};
    for (std::size_t Holder = 0; Holder < Holders.size(); ++Holder) {
      THolder* H = Holders[Holder];
      H->Dir.Write("p.dat", Case.File);
      H->Data->SerialBase = Case.SerialBase;
      H->Data->Resync = Case.Resync;
      TLogRecorder Log;
      H->Data->StartTracking();
      for (const std::string& Line : Log.Lines()) Logs[Holder].push_back(H->WithoutFileNames(Line));
    }
    for (const TDecodedNode* R = Whole.Data->Frames; R; R = R->Next) Roots[0].push_back(Dump(*R));
    EXPECT_EQ(Roots[1], Roots[0]);
    EXPECT_EQ(Logs[1], Logs[0]);
    EXPECT_EQ(Logs[2], Logs[0]);
    EXPECT_EQ(Logs[3], Logs[0]);
    EXPECT_EQ(Bare.Messages, Whole.Messages);
    EXPECT_EQ(Light.Data->Frames, nullptr);
    EXPECT_EQ(Light.Messages, Whole.Messages);
    EXPECT_EQ(Light.Data->FrameCount(), Whole.Data->FrameCount());
    EXPECT_EQ(Stream.Data->Frames, nullptr);
    EXPECT_EQ(Stream.Data->FrameCount(), Whole.Data->FrameCount());
    EXPECT_EQ(Stream.Data->ProcessedSize, Whole.Data->ProcessedSize);
    EXPECT_EQ(Stream.Notifications, 1);
    // The light pass leaves out the transforms no column asks for, not the
    // values of its columns or the times of its index.
    std::map<std::int32_t, std::vector<std::string>> ValuesOfRow;
    std::size_t RootNumber = 0, Place = 0;
    const std::function<void(const TDecodedNode&)> Visit = [&](const TDecodedNode& Node) {
      for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) Visit(*Child);
      ValuesOfRow[Node.DefIndex].push_back(std::to_string(RootNumber) + " " + std::to_string(Place++) + " " +
                                           GeneralFloatText(Node.Value));
    };
    for (const TDecodedNode* Root = Whole.Data->Frames; Root; Root = Root->Next, ++RootNumber, Place = 0) Visit(*Root);
    for (const std::int32_t Row : OddRows) {
      const std::vector<const TFrameColumn*> Column = Light.Data->ColumnsOf({&Row, 1});
      ASSERT_EQ(Column.size(), 1u);
      std::vector<std::string> Values;
      for (std::size_t At = 0; At < Column[0]->Size(); ++At)
        Values.push_back(std::to_string(Column[0]->Frames[At]) + " " + std::to_string(Column[0]->Places[At]) + " " +
                         GeneralFloatText(Column[0]->Values[At]));
      EXPECT_EQ(Values, ValuesOfRow[Row]) << Row;
    }
    EXPECT_EQ(Light.Data->Shapes().Count(), Whole.Data->Shapes().Count());
    EXPECT_EQ(Bare.Data->Shapes().Count(), Whole.Data->Shapes().Count());
    const auto Records = [](const TData& Data) {
      std::vector<std::string> Texts;
      for (const TFrameRecord& Record : Data.Index())
        Texts.push_back(std::to_string(Record.Position) + " " + std::to_string(Record.FirstSerial) + " " +
                        std::to_string(Record.FirstMessage) + " " + std::to_string(Record.Nodes) + " " +
                        GeneralFloatText(Record.Time));
      return Texts;
    };
    EXPECT_EQ(Records(*Bare.Data), Records(*Whole.Data));
    // The bare pass lays out the frames none of whose rows it reads without
    // decoding them: the values read alone at the places of its shapes are
    // the whole pass's.
    std::vector<std::int32_t> ReadAlone;
    for (std::size_t Row = 1; Row < Bare.Definition->Entries.size(); ++Row)
      if (Bare.Definition->ReadsAlone(static_cast<std::int32_t>(Row)))
        ReadAlone.push_back(static_cast<std::int32_t>(Row));
    const std::vector<const TFrameColumn*> Alone = Bare.Data->ColumnsOf(ReadAlone);
    ASSERT_EQ(Alone.size(), ReadAlone.size());
    for (std::size_t Row = 0; Row < ReadAlone.size(); ++Row) {
      std::vector<std::string> Values;
      for (std::size_t At = 0; At < Alone[Row]->Size(); ++At)
        Values.push_back(std::to_string(Alone[Row]->Frames[At]) + " " + std::to_string(Alone[Row]->Places[At]) + " " +
                         GeneralFloatText(Alone[Row]->Values[At]));
      EXPECT_EQ(Values, ValuesOfRow[ReadAlone[Row]]) << ReadAlone[Row];
    }
    const auto Times = [](const TData& Data) {
      std::vector<std::string> Texts;
      for (const TFrameRecord& Record : Data.Index()) Texts.push_back(std::to_string(Record.Time));
      return Texts;
    };
    EXPECT_EQ(Times(*Light.Data), Times(*Stream.Data));
    // A block for each thread, however many BaseFrames.
    EXPECT_LE(Stream.Data->NodeBytes(), (std::size_t{2} << 20) * static_cast<std::size_t>(1 + Case.Threads));
    // Each BaseFrame decoded again alone from the file is the tree of the
    // whole-file mode, also once the file holds more than its pass read, and
    // once another file took its name (read by a pass): the file read stays open.
    for (THolder* H : {&Stream, &Light}) {
      ASSERT_EQ(H->Data->Index().size(), Roots[0].size());
      for (const char* Change : {"as read", "grown", "replaced"}) {
        SCOPED_TRACE(Change);
        if (Change == std::string("grown")) H->Dir.Append("p.dat", std::vector<std::uint8_t>(600, 0x42));
        if (Change == std::string("replaced")) {
          H->Dir.Write("q.dat", OnDisk(Other));
          std::filesystem::rename(H->Dir.File("q.dat"), H->File);
          TLogRecorder Log;
          H->Data->UpdateFromFile();
          EXPECT_TRUE(Log.Has(llWarn, H->File + " was replaced; reading it from the start."));
        }
        for (std::size_t Frame = 0; Frame < Roots[0].size(); ++Frame) {
          const TDecodedAgain Again = H->Data->DecodeAgain(Frame);
          ASSERT_NE(Again.Root, nullptr) << Frame;
          EXPECT_EQ(Dump(*Again.Root), Roots[0][Frame]) << Frame;
        }
      }
    }
    // Written anew in place, the file that took the name no longer holds its
    // BaseFrames; the first file still does.
    const std::size_t Taken = Light.Data->Index().size();
    Light.Write(Frames(3));
    Light.Data->UpdateFromFile();
    EXPECT_GT(Taken, Roots[0].size());
    EXPECT_EQ(Light.Data->DecodeAgain(Roots[0].size()).Root, nullptr);
    EXPECT_GT(Light.Data->Index().size(), Taken);
    EXPECT_NE(Light.Data->DecodeAgain(Taken).Root, nullptr);
    EXPECT_EQ(Dump(*Light.Data->DecodeAgain(0).Root), Roots[0][0]);
  }
}

TEST(Data, ChunkSinksTakeEveryStreamedBaseFrameOnceAndJoinInFileOrder) {
  std::ostringstream Demo;
  TSimGenerator Generator;
  WriteBaseFrames(Demo, Generator, 600);
  const std::string DemoStructure = ReadAll(VOREX_DEMO_DIR "/demo.structure");
  struct TRecorder : TChunkSink {
    std::vector<std::string>* Joined = nullptr;
    bool Beside = false;
    bool Fails = false;
    std::vector<std::pair<std::string, std::int64_t>> Taken;  // the line without its serial, and the serial
    void Take(const TDecodedNode& Root, const std::vector<std::string>&) override {
      const std::string Text = RootLine(Root, 0);
      Taken.push_back({Text.substr(0, Text.rfind(' ') + 1), Root.SerialNo});
    }
    void Join(const TSerialNumbering& Serials) override {
      if (Fails) throw std::runtime_error("full");
      for (const auto& [Text, Serial] : Taken) Joined->push_back(Text + std::to_string(Serials(Serial)));
    }
    bool JoinsBesideTakes() const override { return Beside; }
  };
  THolder Whole(DemoStructure);
  Whole.Dir.Write("p.dat", Demo.str());
  Whole.Data->SerialBase = SecondFileSerialBase;
  // The numbers move on from the next file's base in the sixth piece or so.
  const std::int64_t SerialLimit = SecondFileSerialBase + 20000;
  Whole.Data->SerialLimit = SerialLimit;
  std::vector<std::string> Expected;
  {
    TLogRecorder Quiet;
    Whole.Data->StartTracking();
  }
  for (const TDecodedNode* R = Whole.Data->Frames; R; R = R->Next) Expected.push_back(RootLine(*R, R->SerialNo));
  EXPECT_GT(Whole.Data->LastFrame()->SerialNo, std::int64_t{2} << 48);
  // Sinks that join while the next piece decodes, or not, and the fifth
  // sink's join failing: the same BaseFrames and log either way.
  std::vector<std::string> Seen[2];
  for (const bool Failing : {false, true})
    for (const bool Beside : {false, true}) {
      THolder Stream(DemoStructure);
      std::vector<std::string> Streamed;
      std::size_t Made = 0;
      Stream.Data->OnFrames = [&](std::span<TDecodedNode* const> Roots) {
        for (const TDecodedNode* Root : Roots) Streamed.push_back(RootLine(*Root, Root->SerialNo));
      };
      Stream.Data->NewChunkSink = [&] {
        auto Sink = std::make_unique<TRecorder>();
        Sink->Joined = &Streamed;
        Sink->Beside = Beside;
        Sink->Fails = Failing && ++Made == 5;
        Made += !Failing;
        return Sink;
      };
      Stream.Data->StreamPieceBytes = 30000;
      Stream.Data->Threads = 3;
      Stream.Dir.Write("p.dat", Demo.str());
      Stream.Data->SerialBase = SecondFileSerialBase;
      Stream.Data->SerialLimit = SerialLimit;
      TLogRecorder Log;
      Stream.Data->StartTracking();
      SCOPED_TRACE(std::string(Failing ? "failing" : "whole") + (Beside ? ", joined beside" : ""));
      if (!Failing) {
        EXPECT_EQ(Streamed, Expected);
        EXPECT_EQ(Stream.Data->FrameCount(), 600);
        EXPECT_GE(Made, 15u);  // three a piece
        continue;
      }
      EXPECT_LT(Streamed.size(), Expected.size());
      EXPECT_TRUE(std::equal(Streamed.begin(), Streamed.end(), Expected.begin()));
      std::vector<std::string>& Out = Seen[Beside];
      Out = Streamed;
      for (std::string Line : Log.Lines()) {
        for (std::size_t At; (At = Line.find(Stream.File)) != std::string::npos;) Line.erase(At, Stream.File.size());
        Out.push_back(Line);
      }
      Out.push_back(std::to_string(Stream.Data->ProcessedSize) + " " + std::to_string(Stream.Data->FrameCount()));
    }
  EXPECT_EQ(Seen[1], Seen[0]);
  EXPECT_NE(std::find_if(Seen[0].begin(), Seen[0].end(),
                         [](const std::string& Line) { return Line.find("failed: full") != std::string::npos; }),
            Seen[0].end());
}

TEST(Data, StreamsEachBaseFrameOnceWhileTheFileGrowsByHalves) {
  const std::vector<std::uint8_t> File = OnDisk(Frames(7));
  THolder Whole, Stream;
  Whole.Dir.Write("p.dat", File);
  Whole.Data->StartTracking();
  std::vector<std::string> Expected, Streamed;
  for (const TDecodedNode* R = Whole.Data->Frames; R; R = R->Next) Expected.push_back(Dump(*R));
  Stream.Data->OnFrames = [&](std::span<TDecodedNode* const> Roots) {
    for (const TDecodedNode* Root : Roots) Streamed.push_back(Dump(*Root));
  };
  Stream.Data->StreamPieceBytes = 600;
  TLogRecorder Quiet;
  Stream.Dir.Write("p.dat", std::vector<std::uint8_t>());
  Stream.Data->StartTracking();
  for (std::size_t Done = 0, End = 141; Done < File.size(); Done = End, End = std::min(End + 140, File.size())) {
    Stream.AppendFileBytes(std::vector<std::uint8_t>(File.begin() + static_cast<std::ptrdiff_t>(Done),
                                                     File.begin() + static_cast<std::ptrdiff_t>(End)));
    Stream.Timer().Fire();
  }
  EXPECT_EQ(Streamed, Expected);
}

// Shapes keep a bounded number of codes: a layout first met once they are
// full has none, while the layouts kept are still found and merged.
TEST(FrameShapes, ALayoutMetWhenTheCodesAreFullHasNoShape) {
  std::vector<std::string> Messages;
  const TQuorinFramesDefinition Definition(TStructureText{"", "s.structure"}, Messages);
  // A BaseFrame of nodes of these rows, as the decoder lays them out.
  const auto ShapeOf = [](TFrameShapes& In, std::vector<std::int16_t> Rows) {
    TFrameLayout Layout;
    for (const std::int16_t Row : Rows) {
      Layout.Codes.push_back(LayoutCode(0, Row, 0));
      Layout.Values.push_back(0);
    }
    TFrameRecord Record;
    In.Note(Layout, Record);
    return std::pair(Record.Shape, Record.Nodes);
  };
  const std::vector<std::int16_t> Three{1, 2, 3}, Other{4, 5, 6}, Two{7, 8};
  TFrameShapes Shapes(Definition, 5);
  EXPECT_EQ(ShapeOf(Shapes, Three), std::pair(0, 4));
  EXPECT_EQ(ShapeOf(Shapes, Other), std::pair(-1, 4));
  EXPECT_EQ(ShapeOf(Shapes, Two), std::pair(1, 3));
  EXPECT_EQ(ShapeOf(Shapes, Three), std::pair(0, 4));
  EXPECT_EQ(Shapes.Count(), 2u);

  TFrameShapes Chunk(Definition);
  ShapeOf(Chunk, Other);
  ShapeOf(Chunk, Two);
  EXPECT_EQ(Shapes.Merge(Chunk), (std::vector<std::int32_t>{-1, 1}));
}
