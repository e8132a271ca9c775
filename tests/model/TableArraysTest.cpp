#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "LogRecorder.h"
#include "TempDir.h"
#include "TreesAgain.h"
#include "project/Project.h"
#include "table/TableArrays.h"

namespace {

// Bytes as they lie on disk: the bytes of each word swapped.
std::string OnDisk(std::string Data) {
  for (std::size_t I = 0; I + 1 < Data.size(); I += 2) std::swap(Data[I], Data[I + 1]);
  return Data;
}

// BaseFrames of 64 bytes: the number at bytes 0 and 4, the message "EVnn" at
// byte 12 and the sub-frame switch at byte 2 in every 37th BaseFrame from
// the sixth.
std::string Frames(int Count) {
  std::string Data;
  for (int F = 0; F < Count; ++F) {
    std::string Frame(64, '\0');
    Frame[0] = Frame[4] = static_cast<char>(F >> 8);
    Frame[1] = Frame[5] = static_cast<char>(F & 0xFF);
    Frame[2] = F % 37 == 5 ? 1 : 0;
    char Text[8];
    std::snprintf(Text, sizeof Text, "EV%02d", F % 100);
    Frame.replace(12, 4, Text, 4);
    Data += Frame;
  }
  return OnDisk(Data);
}

// Demo BaseFrames with the number at bytes 8 and 14, the 40th without its
// synchronisation marker.
std::string DemoFrames(int Count) {
  std::string Data;
  for (int F = 0; F < Count; ++F) {
    std::string Frame(280, '\0');
    Frame.replace(0, 4, F == 40 ? "\x1A\xCF\xFC\x00" : "\x1A\xCF\xFC\x1D", 4);
    Frame[8] = Frame[14] = static_cast<char>(F >> 8);
    Frame[9] = Frame[15] = static_cast<char>(F & 0xFF);
    Data += Frame;
  }
  return OnDisk(Data);
}

// Every cell of wide arrays as text, row by row: TEXT cells by their message.
std::vector<std::string> Cells(const TTableArrays& Arrays) {
  const auto Message = [&](std::int32_t Index) {
    return Index >= 0 ? Arrays.Messages.at(static_cast<std::size_t>(Index)) : std::to_string(Index);
  };
  const auto Number = [](double Value) {
    char Text[32];
    std::snprintf(Text, sizeof Text, "%.17g", Value);
    return std::string(Text);
  };
  std::vector<std::string> Out(Arrays.Names.begin(), Arrays.Names.end());
  for (std::size_t Row = 0; Row < Arrays.Serial.size(); ++Row) {
    std::string Line = std::to_string(Arrays.File[Row]) + " " + std::to_string(Arrays.Frame[Row]) + " " +
                       std::to_string(Arrays.Serial[Row]);
    Line += " " + Number(Arrays.Time[Row]);
    for (std::size_t C = 0; C < Arrays.Names.size(); ++C)
      Line += " " + (Arrays.IsText[C] ? Message(Arrays.Texts[C][Row]) : Number(Arrays.Column(C)[Row]));
    Out.push_back(Line);
  }
  return Out;
}

// A PLOT_TIME only in the BaseFrames that switch to HKFrame, and a message
// in each.
const char* const TimesStructure =
    "[BaseFrame:64]\n"
    "0\t2\tNUMBER\tA\tA\n"
    "2\t1\tNUMBER\tHK_SCIENCE_SWITCH\tHK_SCIENCE_SWITCH\n"
    "4\t8\tSUBFRAME\tSUB_HKSC\tx\n"
    "12\t8\tSUBFRAME\tRep\tx\n"
    "\n[ScienceFrame:8]\n0\t2\tNUMBER\tS\tS\n"
    "\n[HKFrame:8]\n0\t2\tNUMBER\tPLOT_TIME\tPLOT_TIME/4\n"
    "\n[Rep:8]\n0\t4\tTEXT\tMSG\tMSG\n";

struct TTableProject {
  TTempDir Dir;
  TProject Project;
  TTableProject(const std::string& Structure, const std::string& Data, int Threads) {
    Project.Settings.StructureFile = Dir.Write("t.structure", Structure);
    Project.Settings.PacketFileA = Dir.Write("a.dat", Data);
    Project.Settings.Tracking = false;
    Project.Threads = Threads;
  }
};

}  // namespace

TEST(TableArrays, StreamedSinksGiveTheArraysOfTheLoadedBaseFrames) {
  TLogRecorder Quiet;
  std::ifstream DemoFile(VOREX_DEMO_DIR "/demo.structure", std::ios::binary);
  const std::string DemoStructure{std::istreambuf_iterator<char>(DemoFile), std::istreambuf_iterator<char>()};
  // Rows whose cells move up at the join, after an invalid BaseFrame.
  const struct {
    std::string Structure, Data;
    std::size_t Rows;
  } Files[] = {{TimesStructure, Frames(200), 200}, {DemoStructure, DemoFrames(100), 99}};
  for (const auto& File : Files) {
    // The loaded project's BaseFrames, handed over together.
    TTableProject Loaded(File.Structure, File.Data, 1);
    ASSERT_TRUE(Loaded.Project.Load());
    TTableColumns LoadedColumns(*Loaded.Project.Definition);
    TTableCollector Whole(*Loaded.Project.Definition, LoadedColumns, true);
    const TTreesAgain Trees(*Loaded.Project.DataA);
    Whole.AddFrames(1, 0, Trees.Roots, Loaded.Project.Messages);
    const std::vector<std::string> Expected = Cells(Whole.TakeArrays());
    EXPECT_EQ(Expected.size(), LoadedColumns.Columns().size() + File.Rows);
    // Streamed on three threads, the cells written in place where the room
    // reserved holds their rows, else taken aside and added at the join.
    for (const std::int64_t Reserved : {0, 70, 200, 1000}) {
      SCOPED_TRACE(std::to_string(File.Rows) + " rows, " + std::to_string(Reserved) + " reserved");
      TTableProject Streamed(File.Structure, File.Data, 3);
      ASSERT_TRUE(Streamed.Project.LoadDefinition());
      TTableColumns Columns(*Streamed.Project.Definition);
      TTableCollector Collector(*Streamed.Project.Definition, Columns, true);
      Collector.Reserve(Reserved);
      std::int64_t Frames = 0;
      std::size_t Sinks = 0;
      Streamed.Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
        Collector.AddFrames(Source + 1, Frames, Roots, Streamed.Project.Messages);
        Frames += static_cast<std::int64_t>(Roots.size());
      };
      Streamed.Project.NewStreamedSink = [&](int Source) {
        ++Sinks;
        return Collector.NewSink(Source + 1, Frames);
      };
      Streamed.Project.LoadData();
      EXPECT_EQ(Cells(Collector.TakeArrays()), Expected);
      // Handed over, not indexed: the memory of a streamed pass keeps its size.
      EXPECT_TRUE(Streamed.Project.DataA->Index().empty());
      EXPECT_EQ(Sinks, 3u);
    }
  }
}
