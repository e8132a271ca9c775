#include "common/Timer.h"

#include <utility>

namespace {
TTimerFactory& CurrentFactory() {
  static TTimerFactory Factory;
  return Factory;
}
}  // namespace

TTimerFactory SetTimerFactory(TTimerFactory Factory) { return std::exchange(CurrentFactory(), std::move(Factory)); }

std::unique_ptr<TTimer> CreateTimer() {
  const TTimerFactory& Factory = CurrentFactory();
  return Factory ? Factory() : std::make_unique<TManualTimer>();
}
