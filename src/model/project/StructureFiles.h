#pragma once
// Where "New Project" offers structure files from.
#include <functional>
#include <string>
#include <vector>

// Looks up an environment variable; nullptr when it is not set.
using TGetEnv = std::function<const char*(const char*)>;

// The .structure files "New Project" offers, folder by folder: the
// executable's folder, the user's $XDG_DATA_HOME/vorex/structures (default
// ~/.local/share), then every subfolder of vorex/ in each folder of
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share). Folders and files
// come in name order; relative entries are ignored, a missing folder adds
// nothing and one met twice is listed once.
std::vector<std::string> FindStructureFiles(const std::string& ExeFolder, const TGetEnv& GetEnv);
