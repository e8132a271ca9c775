#pragma once
// The file change seam: the desktop application watches tracked files through
// the file system's notifications; without an installed factory nothing is
// watched and the tracking timer alone finds changes.
#include <functional>
#include <memory>
#include <string>

// Calls its OnChange once a change of the file has been followed by a short
// quiet time; destroying it ends the watch (also from inside OnChange).
class TFileWatch {
 public:
  virtual ~TFileWatch() = default;
};

using TFileWatchFactory =
    std::function<std::unique_ptr<TFileWatch>(const std::string& Path, std::function<void()> OnChange)>;

// Installs the factory CreateFileWatch uses (an empty one: no watching) and
// returns the previous one.
TFileWatchFactory SetFileWatchFactory(TFileWatchFactory Factory);
// A watch of Path; none without a factory.
std::unique_ptr<TFileWatch> CreateFileWatch(const std::string& Path, std::function<void()> OnChange);
