#pragma once
// One node of a decoded tree, and the block allocator that owns nodes.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "structure/MemoryStream.h"
#include "structure/SerialNumbers.h"

struct TDecodedNode;

// A link to another node of the same pool, in 32 bits, used like a pointer.
// Links live only in nodes: a node's link cannot be copied out, only read as
// a pointer.
class TNodeLink {
 public:
  TNodeLink() = default;
  TNodeLink(const TNodeLink&) = delete;
  TNodeLink& operator=(const TNodeLink& Other) { return *this = Other.Get(); }
  // Node must come from the pool of the node holding this link.
  TNodeLink& operator=(TDecodedNode* Node);

  TDecodedNode* Get() const;
  operator TDecodedNode*() const { return Get(); }
  TDecodedNode* operator->() const { return Get(); }

 private:
  [[noreturn]] static void ThrowForeignNode();

  std::uint32_t Number = 0;  // the node's number in its pool + 1; 0: none
};

// 48 bytes. The parent, the links and the stream are found through the pool
// block that holds the node, so every node must come from a TNodePool.
struct TDecodedNode {
  TNodeLink Next;
  TNodeLink Child;
  double RawValue = 0;
  double Value = 0;
  std::int64_t SerialNo = 0;
  std::int64_t Position = 0;  // of its first byte in the file
  std::int16_t DefIndex = 0;
  std::int16_t FrameIndex = 0;

  // The sub-frame node whose Child list holds this node; none for the nodes
  // of a BaseFrame's own list.
  TDecodedNode* Parent() const { return FParent.Get(); }
  // Parent must be another node of the same pool.
  void SetParent(TDecodedNode* Parent);
  // The stream the node was decoded from: its pool's.
  const TMemoryStream* Stream() const;

 private:
  TNodeLink FParent;
};
static_assert(sizeof(TDecodedNode) == 48);

// Allocates nodes in aligned blocks of 2 MiB (a huge page), each starting
// with a small header that leads from a node to its pool's blocks. All nodes
// live as long as the pool. A mark taken before a decoding lets an aborted
// decoding give its nodes back. Pools made for other threads share the
// blocks of a pool, so that their nodes can link to each other. A pool has
// cache lines of its own: the pools of other threads are written as often.
class alignas(64) TNodePool {
 public:
  // A pool for few nodes (Few) takes small pages and at most 16 blocks;
  // others take huge pages where the system allows (one page fault per block).
  explicit TNodePool(const TMemoryStream* Stream = nullptr, bool Few = false);
  // Allocates into Owner's blocks, alongside Owner and its other sharers (each
  // on one thread); the nodes live as long as Owner.
  explicit TNodePool(TNodePool& Owner);
  ~TNodePool();
  TNodePool(const TNodePool&) = delete;
  TNodePool& operator=(const TNodePool&) = delete;

  TDecodedNode* New();
  // The node allocated when Mark() was Number (below Size()).
  TDecodedNode* At(std::size_t Number) const;
  // Of the nodes this pool allocated.
  std::size_t Mark() const { return Count; }
  // Forgets every node allocated after the mark; their memory is reused.
  void Rollback(std::size_t Mark) {
    if (Mark < Count) Count = Mark;
  }
  // Gives the memory of its blocks past its nodes back to the system, which
  // fills it with zeros again when nodes use it.
  void ReleaseUnused();
  std::size_t Size() const { return Count; }
  // Numbers the nodes [From, To) of this pool, counted in the order they were
  // allocated, by Numbering of the running numbers they hold.
  void RenumberSerials(std::size_t From, std::size_t To, const TSerialNumbering& Numbering);
  // Forgets the nodes of Sharer, a pool made with this one, and reuses its
  // blocks once this pool's own are full.
  void Reuse(TNodePool& Sharer);
  const TMemoryStream* Stream() const;
  // Address space the blocks of all the sharing pools take; pages are
  // resident once nodes use them.
  std::size_t ReservedBytes() const;

 private:
  friend class TNodeLink;
  friend struct TDecodedNode;
  struct TStore;
  struct TBlockHeader {
    TStore* Store;
    char* const* Blocks;  // the store's, by number
    std::uint32_t Block;
  };
  static constexpr std::size_t BlockBytes = std::size_t{1} << 21;
  static constexpr std::size_t NodesPerBlock = (BlockBytes - sizeof(TBlockHeader)) / sizeof(TDecodedNode);
  static_assert(sizeof(TBlockHeader) + NodesPerBlock * sizeof(TDecodedNode) <= BlockBytes);

  static const TBlockHeader& HeaderOf(const void* InBlock) {
    const std::uintptr_t Address = reinterpret_cast<std::uintptr_t>(InBlock) & ~std::uintptr_t{BlockBytes - 1};
    return *reinterpret_cast<const TBlockHeader*>(Address);
  }
  // The number of a node in its store.
  static std::uint32_t NumberOf(const TDecodedNode* Node) {
    const TBlockHeader& Header = HeaderOf(Node);
    const auto* First =
        reinterpret_cast<const TDecodedNode*>(reinterpret_cast<const char*>(&Header) + sizeof(TBlockHeader));
    return static_cast<std::uint32_t>(Header.Block * NodesPerBlock + static_cast<std::size_t>(Node - First));
  }
  static TDecodedNode* NodeAt(char* const* Blocks, std::uint32_t Number) {
    return reinterpret_cast<TDecodedNode*>(Blocks[Number / NodesPerBlock] + sizeof(TBlockHeader)) +
           Number % NodesPerBlock;
  }

  std::shared_ptr<TStore> Store;
  std::vector<std::uint32_t> Blocks;  // this pool's, in the order they are filled
  std::size_t Count = 0;
};

inline TDecodedNode* TNodeLink::Get() const {
  if (Number == 0) return nullptr;
  return TNodePool::NodeAt(TNodePool::HeaderOf(this).Blocks, Number - 1);
}

inline TNodeLink& TNodeLink::operator=(TDecodedNode* Node) {
  if (!Node) {
    Number = 0;
    return *this;
  }
  if (TNodePool::HeaderOf(this).Store != TNodePool::HeaderOf(Node).Store) ThrowForeignNode();
  Number = TNodePool::NumberOf(Node) + 1;
  return *this;
}
