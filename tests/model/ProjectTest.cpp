#include <gtest/gtest.h>

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
  EXPECT_EQ(Moved.Settings.PaketFileA, "data/a.dat");
  EXPECT_FALSE(Moved.Load());
  EXPECT_TRUE(Log.Has(llError, "Structurefile does not exist or cannot be opened! (s.structure)"));
}
