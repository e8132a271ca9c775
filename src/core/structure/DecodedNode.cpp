#include "structure/DecodedNode.h"

#include <sys/mman.h>

#include <new>
#include <stdexcept>

namespace {

// A block of Bytes aligned to Bytes (a power of two), zero-filled by the system.
char* MapAlignedBlock(std::size_t Bytes) {
  void* Raw = mmap(nullptr, 2 * Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Raw == MAP_FAILED) throw std::bad_alloc();
  char* const Start = static_cast<char*>(Raw);
  const std::uintptr_t Misalignment = reinterpret_cast<std::uintptr_t>(Start) & (Bytes - 1);
  char* const Aligned = Misalignment ? Start + (Bytes - Misalignment) : Start;
  if (Aligned > Start) munmap(Start, static_cast<std::size_t>(Aligned - Start));
  char* const End = Start + 2 * Bytes;
  if (Aligned + Bytes < End) munmap(Aligned + Bytes, static_cast<std::size_t>(End - (Aligned + Bytes)));
  // Huge pages where the system allows them, and one call that makes every
  // page resident instead of a page fault per page.
  madvise(Aligned, Bytes, MADV_HUGEPAGE);
  madvise(Aligned, Bytes, MADV_POPULATE_WRITE);
  return Aligned;
}

}  // namespace

TNodePool::~TNodePool() {
  for (char* Block : Blocks) munmap(Block, BlockBytes);
}

TDecodedNode* TNodePool::New() {
  const std::size_t Block = Count / NodesPerBlock;
  if (Block == Blocks.size()) {
    Blocks.push_back(nullptr);
    try {
      Blocks.back() = MapAlignedBlock(BlockBytes);
    } catch (...) {
      Blocks.pop_back();
      throw;
    }
    new (Blocks.back()) TBlockHeader{this, Block};
  }
  TDecodedNode* Node = At(Count);
  *Node = TDecodedNode{};
  ++Count;
  return Node;
}

TDecodedNode* TNodePool::At(std::size_t Index) const {
  char* const Block = Blocks[Index / NodesPerBlock];
  return reinterpret_cast<TDecodedNode*>(Block + sizeof(TBlockHeader)) + Index % NodesPerBlock;
}

const TNodePool::TBlockHeader& TNodePool::HeaderOf(const TDecodedNode* Node) {
  const std::uintptr_t Address = reinterpret_cast<std::uintptr_t>(Node) & ~std::uintptr_t{BlockBytes - 1};
  return *reinterpret_cast<const TBlockHeader*>(Address);
}

std::size_t TNodePool::IndexOf(const TDecodedNode* Node) {
  const TBlockHeader& Header = HeaderOf(Node);
  const auto* First = reinterpret_cast<const TDecodedNode*>(reinterpret_cast<const char*>(&Header) + sizeof(TBlockHeader));
  return Header.Block * NodesPerBlock + static_cast<std::size_t>(Node - First);
}

TDecodedNode* TDecodedNode::Parent() const {
  if (ParentOffset == 0) return nullptr;
  const auto Index = static_cast<std::int64_t>(TNodePool::IndexOf(this)) + ParentOffset;
  return TNodePool::HeaderOf(this).Pool->At(static_cast<std::size_t>(Index));
}

void TDecodedNode::SetParent(const TDecodedNode* NewParent) {
  if (!NewParent) {
    ParentOffset = 0;
    return;
  }
  // Nodes of one block lie in allocation order.
  if (&TNodePool::HeaderOf(this) == &TNodePool::HeaderOf(NewParent) && NewParent != this) {
    ParentOffset = static_cast<std::int32_t>(NewParent - this);
    return;
  }
  const auto Offset =
      static_cast<std::int64_t>(TNodePool::IndexOf(NewParent)) - static_cast<std::int64_t>(TNodePool::IndexOf(this));
  if (TNodePool::HeaderOf(this).Pool != TNodePool::HeaderOf(NewParent).Pool || Offset == 0 || Offset < INT32_MIN ||
      Offset > INT32_MAX)
    throw std::invalid_argument("a parent node must be another node of the same pool");
  ParentOffset = static_cast<std::int32_t>(Offset);
}

const TMemoryStream* TDecodedNode::Stream() const { return TNodePool::HeaderOf(this).Pool->Stream(); }
