#include <gtest/gtest.h>

#include <map>

#include "TempDir.h"
#include "project/StructureFiles.h"

namespace {
std::vector<std::string> Find(const std::string& ExeFolder, const std::map<std::string, std::string>& Env) {
  return FindStructureFiles(ExeFolder, [&Env](const char* Name) {
    const auto It = Env.find(Name);
    return It == Env.end() ? nullptr : It->second.c_str();
  });
}
}  // namespace

TEST(StructureFiles, ExecutableFolderThenUserThenDataDirsInNameOrder) {
  TTempDir Dir;
  for (const char* Folder :
       {"exe", "home/.local/share/vorex/structures", "sys/vorex/demo", "sys/vorex/b", "local/vorex/x"})
    std::filesystem::create_directories(Dir.Path / Folder);
  Dir.Write("exe/z.structure", "");
  Dir.Write("exe/a.structure", "");
  Dir.Write("exe/notes.txt", "");
  Dir.Write("home/.local/share/vorex/structures/user.structure", "");
  Dir.Write("sys/vorex/demo/demo.structure", "");
  Dir.Write("sys/vorex/b/b.structure", "");
  Dir.Write("local/vorex/x/x.structure", "");
  const std::string Root = Dir.Path.string();
  EXPECT_EQ(Find(Root + "/exe", {{"HOME", Root + "/home"}, {"XDG_DATA_DIRS", Root + "/local:rel:" + Root + "/sys"}}),
            (std::vector<std::string>{Root + "/exe/a.structure", Root + "/exe/z.structure",
                                      Root + "/home/.local/share/vorex/structures/user.structure",
                                      Root + "/local/vorex/x/x.structure", Root + "/sys/vorex/b/b.structure",
                                      Root + "/sys/vorex/demo/demo.structure"}));
  // XDG_DATA_HOME wins over HOME; a folder met twice is listed once.
  std::filesystem::create_directories(Dir.Path / "sys/vorex/structures");
  Dir.Write("sys/vorex/structures/s.structure", "");
  EXPECT_EQ(Find(Root + "/sys/vorex/demo",
                 {{"HOME", Root + "/home"}, {"XDG_DATA_HOME", Root + "/sys"}, {"XDG_DATA_DIRS", Root + "/sys"}}),
            (std::vector<std::string>{Root + "/sys/vorex/demo/demo.structure",
                                      Root + "/sys/vorex/structures/s.structure", Root + "/sys/vorex/b/b.structure"}));
}
