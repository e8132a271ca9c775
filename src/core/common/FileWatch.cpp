#include "common/FileWatch.h"

#include <utility>

namespace {
TFileWatchFactory& CurrentFactory() {
  static TFileWatchFactory Factory;
  return Factory;
}
}  // namespace

TFileWatchFactory SetFileWatchFactory(TFileWatchFactory Factory) {
  return std::exchange(CurrentFactory(), std::move(Factory));
}

std::unique_ptr<TFileWatch> CreateFileWatch(const std::string& Path, std::function<void()> OnChange) {
  const TFileWatchFactory& Factory = CurrentFactory();
  return Factory ? Factory(Path, std::move(OnChange)) : nullptr;
}
