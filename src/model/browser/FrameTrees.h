#pragma once
// The trees of the BaseFrames a browser lists, decoded again from their
// packet files when asked for. A tree lives while a handle holds it or while
// it is recent, so that asking again for a held tree gives the same nodes.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/Data.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

constexpr int MaxBrowserSources = 101;

// A BaseFrame of a project: its packet file and its number in that file's index.
struct TFrameId {
  std::uint32_t Frame = 0;
  std::uint8_t Source = 0;

  bool operator==(const TFrameId&) const = default;
  std::uint64_t Key() const { return std::uint64_t{Source} << 32 | Frame; }
};

// Holds a BaseFrame's tree; its pointer is the root.
using TTreeHandle = std::shared_ptr<const TDecodedNode>;

class TFrameTrees {
 public:
  // A tree stays cached until Recent further asks for trees (asks again for
  // the tree asked for last aside).
  explicit TFrameTrees(std::size_t Recent = 1024) : Ring(Recent) { Spares->reserve(MaxSpares); }

  // The holder whose index numbers the BaseFrames of Source; true when it
  // was another one before.
  bool SetHolder(int Source, const TData& Data);
  const TData* Holder(int Source) const;
  // The BaseFrame's record; none when its holder has no such BaseFrame.
  const TFrameRecord* Record(TFrameId Id) const;
  // Its tree; empty when it cannot be decoded again nor is kept.
  TTreeHandle Tree(TFrameId Id);
  // Its tree for a look: the one held, or else one decoded again for this
  // look alone, gone at the next Peek; none when it cannot be decoded again.
  const TDecodedNode* Peek(TFrameId Id);

 private:
  struct TSource {
    const TData* Data = nullptr;
    std::unique_ptr<TData::TDecodingCopy> Copy;
    // The roots the holder keeps, by number, as far as they were asked for.
    std::vector<const TDecodedNode*> Kept;
  };
  std::array<TSource, MaxBrowserSources> Sources;
  std::vector<TTreeHandle> Ring;  // the trees asked for last
  std::size_t RingNext = 0;
  std::unordered_map<std::uint64_t, std::weak_ptr<const TDecodedNode>> Known;
  std::size_t SweepAt = 0;  // the size of Known at which expired entries go
  TDecodedAgain Scratch;    // of Peek
  // Decodings no handle holds any more, whose image and pool the next tree
  // reuses; shared with the handles, which may outlive this.
  using TSpares = std::vector<std::unique_ptr<TDecodedAgain>>;
  static constexpr std::size_t MaxSpares = 64;
  std::shared_ptr<TSpares> Spares = std::make_shared<TSpares>();
  // A decoding to decode a tree into, held by the handles made of it.
  std::shared_ptr<TDecodedAgain> NewDecoding();
  TTreeHandle Keep(TTreeHandle Tree);
  // The held tree, none when no handle or recent use holds it.
  TTreeHandle Held(TFrameId Id) const;
  // The copy of the definition that decodes the BaseFrames of Source again.
  TData::TDecodingCopy* CopyOf(std::uint8_t Source);
  // The tree its holder keeps of a BaseFrame whose data is gone (its file
  // was replaced since); none when it keeps none.
  const TDecodedNode* KeptTree(TFrameId Id);
};
