#include "structure/DecodedNode.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <new>
#include <stdexcept>

namespace {

// A block of Bytes aligned to Bytes (a power of two), zero-filled by the
// system; of huge pages where it allows when Huge.
char* MapAlignedBlock(std::size_t Bytes, bool Huge) {
  void* Raw = mmap(nullptr, 2 * Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (Raw == MAP_FAILED) throw std::bad_alloc();
  char* const Start = static_cast<char*>(Raw);
  const std::uintptr_t Misalignment = reinterpret_cast<std::uintptr_t>(Start) & (Bytes - 1);
  char* const Aligned = Misalignment ? Start + (Bytes - Misalignment) : Start;
  if (Aligned > Start) munmap(Start, static_cast<std::size_t>(Aligned - Start));
  char* const End = Start + 2 * Bytes;
  if (Aligned + Bytes < End) munmap(Aligned + Bytes, static_cast<std::size_t>(End - (Aligned + Bytes)));
  if (Huge) madvise(Aligned, Bytes, MADV_HUGEPAGE);
  return Aligned;
}

}  // namespace

// The blocks of a pool and of the pools that share them, by number: a node's
// number is its block's number times NodesPerBlock plus its place in the block.
struct TNodePool::TStore {
  static constexpr std::size_t MaxBlocks = (std::size_t{1} << 32) / NodesPerBlock;

  TStore(const TMemoryStream* Stream, bool Few)
      : Stream(Stream), Capacity(Few ? 16 : MaxBlocks), Blocks(new char*[Capacity]), Huge(!Few) {}
  ~TStore() {
    for (std::uint32_t Block = 0; Block < Count; ++Block) munmap(Blocks[Block], BlockBytes);
  }
  TStore(const TStore&) = delete;
  TStore& operator=(const TStore&) = delete;

  // A new block's number; any thread may ask.
  std::uint32_t NewBlock() {
    // Mapped outside the lock: the system fills the pages meanwhile.
    char* const Memory = MapAlignedBlock(BlockBytes, Huge);
    const std::lock_guard Lock(Mutex);
    if (Count == Capacity) {
      munmap(Memory, BlockBytes);
      throw std::bad_alloc();
    }
    new (Memory) TBlockHeader{this, Blocks.get(), Count};
    Blocks[Count] = Memory;
    return Count++;
  }

  std::size_t BlockCount() {
    const std::lock_guard Lock(Mutex);
    return Count;
  }

  const TMemoryStream* const Stream;
  const std::uint32_t Capacity;  // blocks
  const std::unique_ptr<char*[]> Blocks;
  const bool Huge;

 private:
  std::mutex Mutex;
  std::uint32_t Count = 0;
};

TNodePool::TNodePool(const TMemoryStream* Stream, bool Few) : Store(std::make_shared<TStore>(Stream, Few)) {}

TNodePool::TNodePool(TNodePool& Owner) : Store(Owner.Store) {}

TNodePool::~TNodePool() = default;

TDecodedNode* TNodePool::New() {
  const std::size_t Block = Count / NodesPerBlock;
  if (Block == Blocks.size()) {
    Blocks.reserve(Blocks.size() + 1);
    Blocks.push_back(Store->NewBlock());
  }
  char* const Memory = Store->Blocks[Blocks[Block]];
  TDecodedNode* Node = reinterpret_cast<TDecodedNode*>(Memory + sizeof(TBlockHeader)) + Count % NodesPerBlock;
  new (Node) TDecodedNode{};
  ++Count;
  return Node;
}

TDecodedNode* TNodePool::At(std::size_t Number) const {
  return NodeAt(Store->Blocks.get(),
                static_cast<std::uint32_t>(Blocks[Number / NodesPerBlock] * NodesPerBlock + Number % NodesPerBlock));
}

void TNodePool::RenumberSerials(std::size_t From, std::size_t To, const TSerialNumbering& Numbering) {
  // Block by block, in memory order.
  while (From < To) {
    const std::size_t InBlock = From % NodesPerBlock;
    const std::size_t Run = std::min(To - From, NodesPerBlock - InBlock);
    TDecodedNode* const First = At(From);
    for (TDecodedNode* Node = First; Node != First + Run; ++Node) Node->SerialNo = Numbering(Node->SerialNo);
    From += Run;
  }
}

void TNodePool::Reuse(TNodePool& Sharer) {
  Blocks.insert(Blocks.end(), Sharer.Blocks.begin(), Sharer.Blocks.end());
  Sharer.Blocks.clear();
  Sharer.Count = 0;
}

void TNodePool::ReleaseUnused() {
  static const auto PageBytes = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  for (std::size_t Block = (Count + NodesPerBlock - 1) / NodesPerBlock; Block < Blocks.size(); ++Block)
    // The header stays: it leads from the block's nodes to the store.
    madvise(Store->Blocks[Blocks[Block]] + PageBytes, BlockBytes - PageBytes, MADV_DONTNEED);
}

const TMemoryStream* TNodePool::Stream() const { return Store->Stream; }

std::size_t TNodePool::ReservedBytes() const { return Store->BlockCount() * BlockBytes; }

void TNodeLink::ThrowForeignNode() { throw std::invalid_argument("a node can only link to a node of its own pool"); }

void TDecodedNode::SetParent(TDecodedNode* NewParent) {
  if (NewParent == this) throw std::invalid_argument("a node cannot be its own parent");
  FParent = NewParent;
}

const TMemoryStream* TDecodedNode::Stream() const { return TNodePool::HeaderOf(this).Store->Stream; }
