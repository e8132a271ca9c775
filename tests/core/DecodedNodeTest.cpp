#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "structure/DecodedNode.h"

TEST(NodePool, NodesFindTheirLinksParentAndStreamAcrossBlocks) {
  TMemoryStream Image;
  TNodePool Pool(&Image);
  std::vector<TDecodedNode*> Nodes;
  for (int I = 0; I < 110000; ++I) Nodes.push_back(Pool.New());
  EXPECT_EQ(sizeof(TDecodedNode), 48u);
  EXPECT_GE(Pool.ReservedBytes(), 110000u * 48u);
  EXPECT_LT(Pool.ReservedBytes(), 110000u * 48u + (1u << 21));

  Nodes[100000]->SetParent(Nodes[10]);    // an earlier block
  Nodes[5]->SetParent(Nodes[109999]);     // a later one
  Nodes[43690]->SetParent(Nodes[43689]);  // the first node of a block, the last of the one before
  Nodes[6]->Next = Nodes[100001];
  Nodes[100001]->Child = Nodes[0];
  EXPECT_EQ(Nodes[100000]->Parent(), Nodes[10]);
  EXPECT_EQ(Nodes[5]->Parent(), Nodes[109999]);
  EXPECT_EQ(Nodes[43690]->Parent(), Nodes[43689]);
  EXPECT_EQ(Nodes[6]->Next->Child, Nodes[0]);
  EXPECT_EQ(Nodes[7]->Parent(), nullptr);
  EXPECT_EQ(Nodes[7]->Next, nullptr);
  for (const int I : {0, 43689, 43690, 109999}) EXPECT_EQ(Nodes[I]->Stream(), &Image);

  Nodes[5]->SetParent(nullptr);
  EXPECT_EQ(Nodes[5]->Parent(), nullptr);
  EXPECT_THROW(Nodes[3]->SetParent(Nodes[3]), std::invalid_argument);
  TNodePool Other;
  EXPECT_THROW(Nodes[3]->SetParent(Other.New()), std::invalid_argument);
  EXPECT_THROW(Nodes[3]->Next = Other.New(), std::invalid_argument);
  EXPECT_EQ(Nodes[3]->Parent(), nullptr);

  // A pool made for another thread links into the same blocks; what it gives
  // back is used again once the owner's own blocks are full.
  TNodePool Sharer(Pool);
  TDecodedNode* Shared = Sharer.New();
  Nodes[8]->Next = Shared;
  Shared->SetParent(Nodes[8]);
  EXPECT_EQ(Shared->Parent(), Nodes[8]);
  EXPECT_EQ(Shared->Stream(), &Image);
  Pool.Reuse(Sharer);
  EXPECT_EQ(Sharer.Size(), 0u);
  while (Pool.Size() % 43690 != 0) Pool.New();
  EXPECT_EQ(Pool.New(), Shared);
}

TEST(NodePool, RollbackHandsTheSameNodesOutAgainCleared) {
  TNodePool Pool;
  Pool.New();
  const std::size_t Mark = Pool.Mark();
  TDecodedNode* A = Pool.New();
  TDecodedNode* B = Pool.New();
  A->Value = 5;
  A->Child = B;
  B->SetParent(A);
  Pool.Rollback(Mark);
  EXPECT_EQ(Pool.Size(), 1u);
  TDecodedNode* Again = Pool.New();
  EXPECT_EQ(Again, A);
  EXPECT_EQ(Again->Value, 0);
  EXPECT_EQ(Again->Child, nullptr);
  EXPECT_EQ(Pool.New()->Parent(), nullptr);
  EXPECT_EQ(Again->Stream(), nullptr);

  // The blocks past the nodes kept give their memory back and serve again:
  // the nodes kept keep their values, new ones link across blocks.
  TNodePool Big;
  for (int I = 0; I < 200; ++I) Big.New();
  TDecodedNode* Kept = Big.New();  // past the first page of its block
  Kept->Value = 7;
  const std::size_t Keep = Big.Mark();
  constexpr std::size_t PastTwoBlocks = 2 * 60000;
  for (std::size_t I = 0; I < PastTwoBlocks; ++I) Big.New()->Value = 1;
  Big.Rollback(Keep);
  Big.ReleaseUnused();
  TDecodedNode* Last = Kept;
  for (std::size_t I = 0; I < PastTwoBlocks; ++I) {
    TDecodedNode* Next = Big.New();
    Last->Next = Next;
    Last = Next;
  }
  EXPECT_EQ(Kept->Value, 7);
  EXPECT_EQ(Big.Size(), Keep + PastTwoBlocks);
}
