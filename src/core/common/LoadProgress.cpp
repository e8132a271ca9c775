#include "common/LoadProgress.h"

#include <utility>

namespace {
TLoadProgress Headless;
TLoadProgress* Current = &Headless;
}  // namespace

TLoadProgress& LoadProgress() { return *Current; }

TLoadProgress* SetLoadProgress(TLoadProgress* Progress) {
  return std::exchange(Current, Progress ? Progress : &Headless);
}
