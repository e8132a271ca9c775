#include "data/PassSinks.h"

#include <algorithm>
#include <exception>

#include "common/Log.h"

bool TPassSinks::HandOver(std::int64_t From, std::span<TDecodedNode* const> Roots, std::span<TChunkJoin> Joins) {
  try {
    if (OnFrames && !Roots.empty()) OnFrames(Roots);
    for (TChunkJoin& Join : Joins) Join.Sink->Join(Join.Serials);
  } catch (const std::exception& Error) {
    const bool One = Roots.size() == 1 && Joins.empty();
    AddEntry(llError, "Handling " + std::string(One ? "the BaseFrame at position " : "the BaseFrames from position ") +
                          std::to_string(From) + " of " + FileName + " failed: " + Error.what());
    Failed = true;
    return false;
  }
  return true;
}

bool TPassSinks::MayDefer(std::span<const TChunkJoin> Joins) {
  return !Joins.empty() &&
         std::all_of(Joins.begin(), Joins.end(), [](const TChunkJoin& Join) { return Join.Sink->JoinsBesideTakes(); });
}

void TPassSinks::Defer(std::int64_t From, std::vector<TChunkJoin> Joins) {
  Behind = std::move(Joins);
  BehindFrom = From;
}

bool TPassSinks::JoinBehind() {
  if (Behind.empty()) return true;
  const bool Joined = HandOver(BehindFrom, {}, Behind);
  Behind.clear();
  return Joined;
}
