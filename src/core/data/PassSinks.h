#pragma once
// Where a streaming pass's BaseFrames go: to OnFrames, or to the chunk sinks,
// joined in file order, those of a piece while the next piece decodes when
// every sink allows it.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "data/ParallelDecoder.h"

class TPassSinks {
 public:
  using TOnFrames = std::function<void(std::span<TDecodedNode* const> Roots)>;
  TPassSinks(const TOnFrames& OnFrames, const std::string& FileName) : OnFrames(OnFrames), FileName(FileName) {}
  // Also when an exception ends the pass: the rows were decoded.
  ~TPassSinks() { JoinBehind(); }
  TPassSinks(const TPassSinks&) = delete;
  TPassSinks& operator=(const TPassSinks&) = delete;

  // Hands Roots to OnFrames and joins the sinks of Joins, the BaseFrames from
  // the file position From on; false, with the message, when one of them
  // failed (then HandedOver is false).
  bool HandOver(std::int64_t From, std::span<TDecodedNode* const> Roots, std::span<TChunkJoin> Joins);
  // Whether Joins, of a piece that decoded to its end with more data after
  // it, may be joined while the next piece decodes.
  static bool MayDefer(std::span<const TChunkJoin> Joins);
  // Keeps Joins, of the BaseFrames from From on, for JoinBehind.
  void Defer(std::int64_t From, std::vector<TChunkJoin> Joins);
  bool Deferred() const { return !Behind.empty(); }
  // Joins the sinks deferred, if any; false when that failed.
  bool JoinBehind();
  // Whether every hand-over succeeded.
  bool HandedOver() const { return !Failed; }

 private:
  const TOnFrames& OnFrames;
  const std::string& FileName;
  std::vector<TChunkJoin> Behind;
  std::int64_t BehindFrom = 0;
  bool Failed = false;
};
