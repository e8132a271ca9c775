#pragma once
// The layout of a decoded BaseFrame's tree: a code per node, in the order
// the decoder makes them (pre-order).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "structure/DecodedNode.h"

// A node's place in the layout of its BaseFrame's tree: its depth below the
// BaseFrame (from 0) << 32, its row (16 bits) << 16 and its frame (16 bits).
inline std::uint64_t LayoutCode(std::uint64_t Depth, std::int16_t Row, std::int16_t Frame) {
  return Depth << 32 | std::uint64_t{static_cast<std::uint16_t>(Row)} << 16 | static_cast<std::uint16_t>(Frame);
}
inline std::uint64_t LayoutCode(std::uint64_t Depth, const TDecodedNode& Node) {
  return LayoutCode(Depth, Node.DefIndex, Node.FrameIndex);
}
inline std::uint64_t LayoutDepth(std::uint64_t Code) { return Code >> 32; }
inline std::size_t LayoutRow(std::uint64_t Code) { return static_cast<std::size_t>(Code >> 16 & 0xFFFF); }

// Calls Met with the number of each node of a layout (its codes in
// pre-order) in the order a walk that meets sub-frame contents before their
// node meets them: once the pre-order leaves the node's depth. Open is room.
template <typename TCodes, typename TMet>
void InWalkOrder(const TCodes& Codes, std::vector<std::size_t>& Open, const TMet& Met) {
  Open.clear();
  for (std::size_t Code = 0; Code < Codes.size(); ++Code) {
    for (; !Open.empty() && LayoutDepth(Codes[Open.back()]) >= LayoutDepth(Codes[Code]); Open.pop_back())
      Met(Open.back());
    Open.push_back(Code);
  }
  for (; !Open.empty(); Open.pop_back()) Met(Open.back());
}

// What a pass keeps of the BaseFrame it decodes for its record: per node,
// in pre-order, its layout code and its value. A pass that keeps no trees
// has no nodes made (MakesNodes false): the decoder fills Scratch again and
// again, and its BaseFrames have no tree; frames whose values nothing reads
// may then have MissingValue as their values.
struct TFrameLayout {
  std::vector<std::uint64_t> Codes;
  std::vector<double> Values;
  bool MakesNodes = true;
  TDecodedNode Scratch;

  std::size_t Size() const { return Codes.size(); }
  void Clear() { Resize(0); }
  void Resize(std::size_t Nodes) {
    Codes.resize(Nodes);
    Values.resize(Nodes);
  }
};
