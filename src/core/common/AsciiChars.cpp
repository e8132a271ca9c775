#include "common/AsciiChars.h"

#include <filesystem>

std::string FolderOf(const std::string& Path) { return std::filesystem::path(Path).parent_path().string(); }
