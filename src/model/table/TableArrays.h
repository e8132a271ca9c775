#pragma once
// The table of decoded BaseFrames as arrays, one per column, for analysis in
// memory: the values TTableWriter writes as text.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/Unfilled.h"
#include "data/ChunkSink.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "table/RowRange.h"
#include "table/Spares.h"
#include "table/TableColumns.h"

// Its columns are written a row at a time: with huge pages, the first row
// would fault in 2 MiB of every column at once, a stall that a stop asked
// meanwhile (Ctrl+C in Python) waits for.
using TNumberBlock = std::vector<double, TUnfilled<double, false>>;

struct TTableArrays {
  bool Wide = true;
  // Wide: the variable columns, with IsText of each. Long: the qualified
  // names met, in order of meeting.
  std::vector<std::string> Names;
  std::vector<bool> IsText;
  std::vector<std::string> Messages;  // the texts of TEXT cells, each once
  std::vector<std::int64_t> File, Frame, Serial;
  std::vector<double> Time;  // of the row's BaseFrame; NaN before the first PLOT_TIME
  // Wide: the number columns side by side in one block, Stride values
  // apart, in column order without the TEXT ones; NaN where absent.
  std::shared_ptr<TNumberBlock> Numbers = std::make_shared<TNumberBlock>();
  std::size_t Stride = 0;
  std::vector<std::size_t> NumberSlot;  // of each column, in Numbers
  const double* Column(std::size_t C) const { return Numbers->data() + NumberSlot[C] * Stride; }
  std::vector<std::vector<std::int32_t>> Texts;  // wide, per TEXT column: into Messages, -1 where absent
  std::vector<std::int32_t> NameIndex;           // long: into Names
  std::vector<double> Raw, Value;                // long
  std::vector<std::int32_t> ValueText;           // long: into Messages, -1 a number, -2 a TEXT without message
};

class TTableCollector {
 public:
  // Columns must outlive the collector.
  TTableCollector(const TFramesDefinition& Definition, const TTableColumns& Columns, bool Wide);
  TTableCollector(const TTableCollector&) = delete;
  TTableCollector& operator=(const TTableCollector&) = delete;
  ~TTableCollector();

  // Room for the wide rows of Rows more BaseFrames: the rows of sinks whose
  // BaseFrames fit in it are written in place by the decoding threads.
  void Reserve(std::int64_t Rows);
  // The rows of Roots, BaseFrames of File 1 or 2 numbered in their file from
  // FirstFrame on, whose TEXT nodes number Messages.
  void AddFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                 const std::vector<std::string>& Messages);
  // A sink for the BaseFrames of File that a thread decodes (the wide
  // layout): it takes their cells on that thread and adds their rows when
  // joined, numbered in their file from Frames on, which it counts on.
  std::unique_ptr<TChunkSink> NewSink(int File, std::int64_t& Frames);

  // The arrays, once every row is added.
  TTableArrays TakeArrays();

  // The rows kept; the others are left out as they are added.
  TRowRange Range;

 private:
  // Wide rows taken before they are added, with texts of their own. Their
  // numbers are in the arrays already, at a row no earlier than theirs, or
  // in the block when the arrays had no room.
  struct TBlock {
    std::vector<std::int64_t> Serial;   // running, from the block's start
    std::vector<TPlotTime> Time;        // Known only after a PLOT_TIME of the block's
    std::vector<std::int64_t> Written;  // the row of the arrays; -1: in Numbers
    std::vector<std::vector<double>> Numbers;
    std::vector<std::vector<std::int32_t>> Texts;  // into the block's Messages
    std::vector<std::string> Messages;
    // The block's index of each message of the TEXT nodes' list met, -1 unmet.
    std::vector<std::int32_t> FromSource;
    const std::vector<std::string>* Source = nullptr;
    std::vector<const TDecodedNode*> Cells;
    TPlotTime Running;
    void Clear();
  };
  class TSink;
  // The index in Block.Messages of a TEXT node's message of Source (added
  // at its first meeting), or -1.
  static std::int32_t BlockMessage(TBlock& Block, const TDecodedNode& Node, const std::vector<std::string>& Source);
  // The index of Text in Arrays.Messages, added at its first meeting.
  std::int32_t ArraysMessage(const std::string& Text);
  // Takes the row of Root, its numbers written at Row of the arrays (below
  // Room) or, with -1, in the block.
  void Take(TBlock& Block, const TDecodedNode& Root, const std::vector<std::string>& Messages, std::int64_t Row);
  // Adds the rows of Block, their serial numbers Serials of the running ones.
  void Join(TBlock& Block, int File, std::int64_t& Frames, const TSerialNumbering& Serials);
  std::int64_t Rows() const { return static_cast<std::int64_t>(Arrays.Serial.size()); }
  // The row each of the BaseFrames joined would have with every one kept.
  std::int64_t Met = 0;
  // Gives the number columns room for Size rows at least.
  void MakeRoom(std::int64_t Size);
  // MakeRoom for Size rows, at least twice the room there is, when short:
  // rows added one at a time move their columns seldom.
  void Grow(std::int64_t Size);
  double& Number(std::size_t Column, std::int64_t Row) {
    return (*Arrays.Numbers)[Arrays.NumberSlot[Column] * Arrays.Stride + static_cast<std::size_t>(Row)];
  }
  void AddLong(int File, std::int64_t Frame, const TDecodedNode& Root, const std::vector<std::string>& Messages);

  TTableArrays Arrays;
  const TFramesDefinition& Definition;
  const TTableColumns& Columns;
  std::size_t NumberColumns = 0;                                    // of Arrays.Numbers
  std::int64_t Room = 0;                                            // rows the number columns have room for
  TPlotTime Time;                                                   // after the rows added
  std::unordered_map<std::string, std::int32_t> NameAt, MessageAt;  // in Arrays
  TBlock Direct;                                                    // of AddFrames
  TSpares<TBlock> SpareBlocks;                                      // of the sinks dropped
};
