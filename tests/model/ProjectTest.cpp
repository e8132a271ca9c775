#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "project/Project.h"

TEST(Project, TakesRelativeFileNamesFromTheProjectFilesFolderAndKeepsThemAsWritten) {
  TTempDir Dir;
  std::filesystem::create_directories(Dir.File("campaign/data"));
  Dir.Write("campaign/s.structure", Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"})}));
  Dir.Write("campaign/data/a.dat", std::string("\x00\x05\x00\x00\x00\x07\x00\x00", 8));
  const std::string Absolute = Dir.Write("b.dat", std::string("\x00\x09\x00\x00", 4));
  const std::string ProjectFile = Dir.Write(
      "campaign/p.vproject",
      "[VorexProject]\r\nStructureFile=s.structure\r\nPaketFileA=data/a.dat\r\nPaketFileB=" + Absolute + "\r\n");

  TLogRecorder Log;
  TProject Project;
  ASSERT_TRUE(Project.LoadProjectFile(ProjectFile));
  ASSERT_TRUE(Project.Load());
  EXPECT_EQ(Project.DataA->FrameCount(), 2);
  EXPECT_EQ(Project.DataB->FrameCount(), 1);

  // Saved elsewhere, the names stay as written and are taken from the new folder.
  const std::string Copy = Dir.File("copy.vproject");
  Project.SaveProjectFile(Copy);
  TProject Moved;
  ASSERT_TRUE(Moved.LoadProjectFile(Copy));
  EXPECT_EQ(Moved.Settings.StructureFile, "s.structure");
  EXPECT_EQ(Moved.Settings.PacketFileA, "data/a.dat");
  EXPECT_FALSE(Moved.Load());
  EXPECT_TRUE(Log.Has(llError, "Structurefile does not exist or cannot be opened! (s.structure)"));
}

TEST(Project, RefusesPacketFilesThatCannotBeReadBeforeLoadingAnything) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"})}));
  const std::string Packet = Dir.Write("a.dat", std::string("\x00\x05\x00\x00", 4));
  const std::string Fifo = Dir.File("fifo.dat");
  ASSERT_EQ(mkfifo(Fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> Cases[] = {{Fifo, " is not a regular file, not loaded."},
                                                       {"/dev/zero", " is not a regular file, not loaded."}};
  for (const auto& [File, Refusal] : Cases)
    for (const bool Second : {false, true}) {
      TLogRecorder Log;
      TProject Project;
      Project.Settings.StructureFile = S;
      Project.Settings.PacketFileA = Second ? Packet : File;
      Project.Settings.PacketFileB = Second ? File : "";
      EXPECT_FALSE(Project.Load()) << File;
      EXPECT_EQ(Project.State(), TProjectState::Empty);
      EXPECT_EQ(Log.Lines(), std::vector<std::string>{"[Error] Paket file " + File + Refusal}) << File;
    }
}
