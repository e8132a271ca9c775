#pragma once
// One node of a decoded tree, and the block allocator that owns nodes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "structure/MemoryStream.h"

// 48 bytes. The parent and the stream are found through the pool block that
// holds the node, so every node must come from a TNodePool.
struct TDecodedNode {
  TDecodedNode* Next = nullptr;
  TDecodedNode* Child = nullptr;
  double RawValue = 0;
  double Value = 0;
  std::int32_t Position = 0;
  std::int32_t SerialNo = 0;
  std::int16_t DefIndex = 0;
  std::int16_t FrameIndex = 0;
  // The parent's allocation index in the pool minus this node's; 0: none.
  std::int32_t ParentOffset = 0;

  // The sub-frame node whose Child list holds this node; none for the nodes
  // of a BaseFrame's own list.
  TDecodedNode* Parent() const;
  // Parent must come from the same pool, fewer than 2^31 nodes away.
  void SetParent(const TDecodedNode* Parent);
  // The stream the node was decoded from: its pool's.
  const TMemoryStream* Stream() const;
};
static_assert(sizeof(TDecodedNode) == 48);

// Allocates nodes in aligned blocks of 2 MiB (a huge page), each starting with a small
// header that leads from a node to its pool. All nodes live as long as the
// pool. A mark taken before a decoding lets an aborted decoding give its
// nodes back.
class TNodePool {
 public:
  explicit TNodePool(const TMemoryStream* Stream = nullptr) : FStream(Stream) {}
  ~TNodePool();
  TNodePool(const TNodePool&) = delete;
  TNodePool& operator=(const TNodePool&) = delete;

  TDecodedNode* New();
  std::size_t Mark() const { return Count; }
  // Forgets every node allocated after the mark; their memory is reused.
  void Rollback(std::size_t Mark) {
    if (Mark < Count) Count = Mark;
  }
  std::size_t Size() const { return Count; }
  const TMemoryStream* Stream() const { return FStream; }
  // Address space the blocks take; pages are resident once nodes use them.
  std::size_t ReservedBytes() const { return Blocks.size() * BlockBytes; }

 private:
  friend struct TDecodedNode;
  struct TBlockHeader {
    TNodePool* Pool;
    std::uint64_t Block;
  };
  static constexpr std::size_t BlockBytes = std::size_t{1} << 21;
  static constexpr std::size_t NodesPerBlock = (BlockBytes - sizeof(TBlockHeader)) / sizeof(TDecodedNode);
  static_assert(sizeof(TBlockHeader) + NodesPerBlock * sizeof(TDecodedNode) <= BlockBytes);

  static const TBlockHeader& HeaderOf(const TDecodedNode* Node);
  static std::size_t IndexOf(const TDecodedNode* Node);
  TDecodedNode* At(std::size_t Index) const;

  const TMemoryStream* FStream;
  std::vector<char*> Blocks;
  std::size_t Count = 0;
};
