#pragma once
// One node of a decoded tree, and the block allocator that owns nodes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "structure/MemoryStream.h"

struct TDecodedNode {
  TDecodedNode* Next = nullptr;
  TDecodedNode* Child = nullptr;
  TDecodedNode* Parent = nullptr;
  double RawValue = 0;
  double Value = 0;
  std::int32_t Position = 0;
  std::int32_t SerialNo = 0;
  const TMemoryStream* Stream = nullptr;
  std::int16_t DefIndex = 0;
  std::int16_t FrameIndex = 0;
};

// Allocates nodes in large blocks; all nodes live as long as the pool.
// A mark taken before a decoding lets an aborted decoding give its nodes back.
class TNodePool {
 public:
  TDecodedNode* New();
  std::size_t Mark() const { return Count; }
  // Forgets every node allocated after the mark; their memory is reused.
  void Rollback(std::size_t Mark) {
    if (Mark < Count) Count = Mark;
  }
  std::size_t Size() const { return Count; }

 private:
  static constexpr std::size_t BlockSize = 4096;
  std::vector<std::unique_ptr<TDecodedNode[]>> Blocks;
  std::size_t Count = 0;
};
