#include "common/HugePages.h"

#include <sys/mman.h>

#include <cstdint>

void AskForHugePages(void* Start, std::size_t Bytes) {
  constexpr std::uintptr_t HugePage = std::uintptr_t{1} << 21;
  const auto First = (reinterpret_cast<std::uintptr_t>(Start) + HugePage - 1) & ~(HugePage - 1);
  const auto End = (reinterpret_cast<std::uintptr_t>(Start) + Bytes) & ~(HugePage - 1);
  if (End > First) madvise(reinterpret_cast<void*>(First), End - First, MADV_HUGEPAGE);
}
