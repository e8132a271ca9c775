#pragma once
// Every BaseFrame of a holder's index decoded again, in file order.
#include <memory>
#include <vector>

#include "data/Data.h"

class TTreesAgain {
 public:
  explicit TTreesAgain(const TData& Data) : Trees(Data.Index().size()) {
    const std::unique_ptr<TData::TDecodingCopy> Copy = Data.CopyForDecodingAgain();
    for (std::size_t Frame = 0; Frame < Trees.size(); ++Frame)
      if (Data.DecodeAgain(Frame, *Copy, Trees[Frame])) Roots.push_back(Trees[Frame].Root);
  }
  TTreesAgain(const TTreesAgain&) = delete;
  TTreesAgain& operator=(const TTreesAgain&) = delete;

  // Of the BaseFrames that could be decoded again.
  std::vector<TDecodedNode*> Roots;

 private:
  std::vector<TDecodedAgain> Trees;
};
