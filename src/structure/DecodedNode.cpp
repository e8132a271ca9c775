#include "structure/DecodedNode.h"

TDecodedNode* TNodePool::New() {
  const std::size_t Block = Count / BlockSize;
  if (Block == Blocks.size()) Blocks.push_back(std::make_unique<TDecodedNode[]>(BlockSize));
  TDecodedNode* Node = &Blocks[Block][Count % BlockSize];
  *Node = TDecodedNode{};
  ++Count;
  return Node;
}
