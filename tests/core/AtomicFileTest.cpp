#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>

#include "TempDir.h"
#include "common/AtomicFile.h"

namespace fs = std::filesystem;

namespace {

std::string Read(const std::string& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), {});
}

long Entries(const fs::path& Folder) { return std::distance(fs::directory_iterator(Folder), {}); }

TEST(AtomicFile, AFailedOrUncommittedSaveLeavesTheFolderAsItWas) {
  const TTempDir Dir;
  const std::string Old = Dir.Write("old.txt", "old");
  Dir.Write("plain", "");
  fs::create_directory(Dir.File("locked"));
  fs::permissions(Dir.File("locked"), fs::perms::owner_read | fs::perms::owner_exec);
  // Permission bits do not stop root: there a path below a regular file fails instead.
  const std::string Unwritable = Dir.File(::geteuid() == 0 ? "plain/new.txt" : "locked/new.txt");
  for (const std::string& Target : {Unwritable, Dir.File("locked"), Old}) {
    try {
      TAtomicFile File(Target);
      File.Stream() << "new";
      if (Target != Old) {  // the old file's save is left without Commit
        File.Commit();
        ADD_FAILURE() << Target;
      }
    } catch (const EFileError& Error) {
      EXPECT_EQ(Error.what(), "Cannot create file \"" + Target + "\".");
    }
    EXPECT_EQ(Read(Old), "old");
    EXPECT_EQ(Entries(Dir.Path), 3) << Target;
  }
}

TEST(AtomicFile, ReplacesTheFileALinkLeadsToAndKeepsItsPermissions) {
  const TTempDir Dir;
  const std::string Real = Dir.Write("real.txt", "old");
  fs::permissions(Real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink("real.txt", Dir.File("link.txt"));
  TAtomicFile File(Dir.File("link.txt"));
  File.Stream() << "new";
  File.Commit();
  EXPECT_TRUE(fs::is_symlink(Dir.File("link.txt")));
  EXPECT_EQ(Read(Real), "new");
  EXPECT_EQ(fs::status(Real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(Entries(Dir.Path), 2);
}

TEST(AtomicFile, ASaveRemovesTheTemporaryFilesOfItsTargetThatACrashLeft) {
  const TTempDir Dir;
  const auto Old = fs::file_time_type::clock::now() - std::chrono::minutes(2);
  // A crash's temporary file, one being written, one of another target and files named otherwise.
  for (const char* Name : {"t.txt.tmpAb3dE6", "t.txt.tmpXyZ012", "u.txt.tmpAb3dE6", "t.txt.tmpAb3dE", "t.txt.bak"}) {
    Dir.Write(Name, "left");
    if (std::string(Name) != "t.txt.tmpXyZ012") fs::last_write_time(Dir.File(Name), Old);
  }
  TAtomicFile File(Dir.File("t.txt"));
  File.Stream() << "new";
  File.Commit();
  EXPECT_FALSE(fs::exists(Dir.File("t.txt.tmpAb3dE6")));
  EXPECT_EQ(Entries(Dir.Path), 5);
  EXPECT_EQ(Read(Dir.File("t.txt")), "new");
}

}  // namespace
