#include "project/StructureFiles.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

// The sorted entries of Folder that Keep accepts; none when it cannot be read.
template <typename TKeep>
std::vector<fs::path> SortedEntries(const fs::path& Folder, TKeep Keep) {
  std::vector<fs::path> Entries;
  std::error_code Error;
  for (fs::directory_iterator It(Folder, Error), End; !Error && It != End; It.increment(Error))
    if (Keep(*It)) Entries.push_back(It->path());
  std::sort(Entries.begin(), Entries.end());
  return Entries;
}

std::vector<std::string> DataDirs(const char* Value) {
  const std::string List = Value && *Value ? Value : "/usr/local/share:/usr/share";
  std::vector<std::string> Dirs;
  for (std::size_t Start = 0; Start <= List.size();) {
    const std::size_t Colon = std::min(List.find(':', Start), List.size());
    const std::string Dir = List.substr(Start, Colon - Start);
    if (fs::path(Dir).is_absolute()) Dirs.push_back(Dir);
    Start = Colon + 1;
  }
  return Dirs;
}

// The folders to search, in order.
std::vector<std::string> StructureFolders(const std::string& ExeFolder, const TGetEnv& GetEnv) {
  std::vector<std::string> Folders{ExeFolder};
  const char* DataHome = GetEnv("XDG_DATA_HOME");
  const char* Home = GetEnv("HOME");
  if (DataHome && fs::path(DataHome).is_absolute())
    Folders.push_back((fs::path(DataHome) / "vorex/structures").string());
  else if (Home && *Home) Folders.push_back((fs::path(Home) / ".local/share/vorex/structures").string());
  for (const std::string& Dir : DataDirs(GetEnv("XDG_DATA_DIRS")))
    for (const fs::path& Sub :
         SortedEntries(fs::path(Dir) / "vorex", [](const fs::directory_entry& E) { return E.is_directory(); }))
      Folders.push_back(Sub.string());
  return Folders;
}

}  // namespace

std::vector<std::string> FindStructureFiles(const std::string& ExeFolder, const TGetEnv& GetEnv) {
  std::vector<std::string> Files;
  std::set<fs::path> Seen;
  for (const std::string& Folder : StructureFolders(ExeFolder, GetEnv)) {
    std::error_code Error;
    const fs::path Canonical = fs::weakly_canonical(Folder, Error);
    if (!Seen.insert(Error ? fs::path(Folder) : Canonical).second) continue;
    for (const fs::path& File : SortedEntries(Folder, [](const fs::directory_entry& E) {
           return E.path().extension() == ".structure" && E.is_regular_file();
         }))
      Files.push_back(File.string());
  }
  return Files;
}
