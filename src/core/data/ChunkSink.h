#pragma once
// What takes the BaseFrames a thread of a streaming pass decodes, on that
// thread, while their nodes are at hand.
#include <cstdint>
#include <string>
#include <vector>

#include "structure/DecodedNode.h"

class TChunkSink {
 public:
  virtual ~TChunkSink() = default;
  // One BaseFrame after the other, in file order. Its serial numbers count
  // from 0 at the chunk's start, and a TEXT node's message index counts in
  // Messages, the chunk's own. Root and its nodes are reused once Take
  // returns.
  virtual void Take(const TDecodedNode& Root, const std::vector<std::string>& Messages) = 0;
  // Once the chunks before are joined, on the pass's thread: the chunk's
  // serial numbers are Serials of those Take saw.
  virtual void Join(const TSerialNumbering& Serials) = 0;
  // Whether Join may run while the next piece's chunks decode, their sinks
  // taking: it touches nothing they touch.
  virtual bool JoinsBesideTakes() const { return false; }
};
