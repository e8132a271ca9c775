#include "table/TableArrays.h"

#include <algorithm>
#include <limits>

#include "structure/InstrumentNames.h"
#include "table/TableRows.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

void TTableCollector::TBlock::Clear() {
  Serial.clear();
  Time.clear();
  Written.clear();
  for (std::vector<double>& Column : Numbers) Column.clear();
  for (std::vector<std::int32_t>& Column : Texts) Column.clear();
  Messages.clear();
  FromSource.clear();
  Source = nullptr;
  Running = {};
}

class TTableCollector::TSink : public TChunkSink {
 public:
  TSink(TTableCollector& Collector, int File, std::int64_t& Frames)
      : Collector(Collector),
        File(File),
        Frames(Frames),
        FileStart(Collector.Met - Frames),
        Length(Collector.Definition.GetFrameLength(BaseFrameName)),
        Kept(Collector.SpareBlocks.Take()) {}
  ~TSink() override { Collector.SpareBlocks.GiveBack(std::move(Kept)); }
  TSink(const TSink&) = delete;
  TSink& operator=(const TSink&) = delete;

  // A BaseFrame's row is no later than the one its position would have
  // with every BaseFrame before it valid and in place; the rows of the sinks
  // of one pass are written there, each at a row of its own.
  void Take(const TDecodedNode& Root, const std::vector<std::string>& Messages) override {
    const std::int64_t Row = Length > 0 && Root.Position >= 0 ? FileStart + Root.Position / Length : -1;
    Collector.Take(*Kept, Root, Messages, Row < Collector.Room ? Row : -1);
  }
  void Join(const TSerialNumbering& Serials) override { Collector.Join(*Kept, File, Frames, Serials); }

 private:
  TTableCollector& Collector;
  const int File;
  std::int64_t& Frames;
  // The row of the file's first BaseFrame with every BaseFrame kept: the rows
  // kept are at or before the rows so found, each sink's as each other's.
  const std::int64_t FileStart;
  // As the pass has set it (it may adjust the structure's at its start).
  const std::int32_t Length;
  std::unique_ptr<TBlock> Kept;
};

TTableCollector::TTableCollector(const TFramesDefinition& Definition, const TTableColumns& Columns, bool Wide)
    : Definition(Definition), Columns(Columns) {
  Arrays.Wide = Wide;
  if (!Wide) return;
  std::size_t Slots = 0;
  for (std::size_t C = 0; C < Columns.Columns().size(); ++C) {
    Arrays.Names.push_back(Columns.Columns()[C].Name);
    Arrays.IsText.push_back(Columns.IsText(C));
    Arrays.NumberSlot.push_back(Columns.IsText(C) ? 0 : Slots++);
  }
  NumberColumns = Slots;
  Arrays.Texts.resize(Arrays.Names.size());
}

TTableCollector::~TTableCollector() = default;

void TTableCollector::Reserve(std::int64_t Rows) {
  if (Arrays.Wide && Rows > 0) MakeRoom(Met + Rows);
}

void TTableCollector::MakeRoom(std::int64_t Size) {
  if (Size <= Room) return;
  const auto Rows = static_cast<std::size_t>(this->Rows());
  for (std::vector<std::int64_t>* Fixed : {&Arrays.File, &Arrays.Frame, &Arrays.Serial})
    Fixed->reserve(static_cast<std::size_t>(Size));
  Arrays.Time.reserve(static_cast<std::size_t>(Size));
  for (std::size_t C = 0; C < Arrays.Names.size(); ++C)
    if (Arrays.IsText[C]) Arrays.Texts[C].reserve(static_cast<std::size_t>(Size));
  // Not filled: every value is written before it is read. No rows beyond
  // those added are in the columns while room is made, as sinks write in
  // place only below the room they found.
  const auto Stride = static_cast<std::size_t>(Size);
  const std::size_t Count = Stride * NumberColumns;
  auto Numbers = std::make_shared<TNumberBlock>(Count);
  for (std::size_t Slot = 0; Slot < NumberColumns && Rows > 0; ++Slot)
    std::copy_n(Arrays.Numbers->data() + Slot * Arrays.Stride, Rows, Numbers->data() + Slot * Stride);
  Arrays.Numbers = std::move(Numbers);
  Arrays.Stride = Stride;
  Room = Size;
}

void TTableCollector::Grow(std::int64_t Size) {
  if (Size > Room) MakeRoom(std::max(Size, Room * 2));
}

TTableArrays TTableCollector::TakeArrays() {
  Room = 0;
  return std::move(Arrays);
}

std::unique_ptr<TChunkSink> TTableCollector::NewSink(int File, std::int64_t& Frames) {
  return std::make_unique<TSink>(*this, File, Frames);
}

std::int32_t TTableCollector::BlockMessage(TBlock& Block, const TDecodedNode& Node,
                                           const std::vector<std::string>& Source) {
  const std::int64_t Index = MessageIndex(Node, Source);
  if (Index < 0) return -1;
  if (Block.Source != &Source) {
    Block.FromSource.clear();
    Block.Source = &Source;
  }
  const auto At = static_cast<std::size_t>(Index);
  if (Block.FromSource.size() <= At) Block.FromSource.resize(Source.size(), -1);
  std::int32_t& Found = Block.FromSource[At];
  if (Found < 0) {
    Found = static_cast<std::int32_t>(Block.Messages.size());
    Block.Messages.push_back(Source[At]);
  }
  return Found;
}

std::int32_t TTableCollector::ArraysMessage(const std::string& Text) {
  const auto [Found, Added] = MessageAt.try_emplace(Text, static_cast<std::int32_t>(Arrays.Messages.size()));
  if (Added) Arrays.Messages.push_back(Text);
  return Found->second;
}

void TTableCollector::Take(TBlock& Block, const TDecodedNode& Root, const std::vector<std::string>& Messages,
                           std::int64_t Row) {
  const std::size_t Count = Arrays.Names.size();
  Block.Numbers.resize(Count);
  Block.Texts.resize(Count);
  Columns.Fill(Root, Block.Cells, Block.Running);
  Block.Serial.push_back(Root.SerialNo);
  Block.Time.push_back(Block.Running);
  Block.Written.push_back(Row);
  for (std::size_t C = 0; C < Count; ++C) {
    const TDecodedNode* Cell = Block.Cells[C];
    if (Arrays.IsText[C]) {
      Block.Texts[C].push_back(Cell ? BlockMessage(Block, *Cell, Messages) : -1);
      continue;
    }
    const double Value = Cell ? Cell->Value : NaN;
    if (Row >= 0) Number(C, Row) = Value;
    else Block.Numbers[C].push_back(Value);
  }
}

void TTableCollector::Join(TBlock& Block, int File, std::int64_t& Frames, const TSerialNumbering& Serials) {
  std::vector<std::int32_t> ToArrays;
  for (const std::string& Message : Block.Messages) ToArrays.push_back(ArraysMessage(Message));
  std::size_t InBlock = 0;
  for (std::size_t Row = 0; Row < Block.Serial.size(); ++Row, ++Met) {
    const std::int64_t Written = Block.Written[Row];
    const std::size_t Numbers = Written < 0 ? InBlock++ : 0;
    // A row without a time of its block's own has the one before.
    if (Block.Time[Row].Known) Time = Block.Time[Row];
    const std::int64_t Frame = Frames++;
    if (!Range.Holds(Frame, Time)) continue;
    const std::int64_t Added = Rows();
    if (Written < 0) Grow(Added + 1);
    for (std::size_t C = 0; C < Arrays.Names.size(); ++C) {
      if (Arrays.IsText[C]) {
        const std::int32_t Message = Block.Texts[C][Row];
        Arrays.Texts[C].push_back(Message < 0 ? -1 : ToArrays[static_cast<std::size_t>(Message)]);
      } else if (Written < 0) {
        Number(C, Added) = Block.Numbers[C][Numbers];
      } else if (Written != Added) {
        Number(C, Added) = Number(C, Written);
      }
    }
    Arrays.File.push_back(File);
    Arrays.Frame.push_back(Frame);
    Arrays.Serial.push_back(Serials(Block.Serial[Row]));
    Arrays.Time.push_back(Time.Known ? Time.Time : NaN);
  }
  Block.Clear();
}

void TTableCollector::AddLong(int File, std::int64_t Frame, const TDecodedNode& Root,
                              const std::vector<std::string>& Messages) {
  ForEachSelectedVariable(Definition, Columns, Root.Child, [&](const TDecodedNode& Node, const std::string& Name) {
    const auto [Found, Added] = NameAt.try_emplace(Name, static_cast<std::int32_t>(Arrays.Names.size()));
    if (Added) Arrays.Names.push_back(Name);
    Arrays.File.push_back(File);
    Arrays.Frame.push_back(Frame);
    Arrays.Serial.push_back(Node.SerialNo);
    Arrays.Time.push_back(Time.Known ? Time.Time : NaN);
    Arrays.NameIndex.push_back(Found->second);
    Arrays.Raw.push_back(Node.RawValue);
    const bool Text = IsTextNode(Definition, Node);
    const std::int32_t Message = Text ? BlockMessage(Direct, Node, Messages) : -1;
    if (!Text) Arrays.ValueText.push_back(-1);
    else
      Arrays.ValueText.push_back(Message < 0 ? -2 : ArraysMessage(Direct.Messages[static_cast<std::size_t>(Message)]));
    Arrays.Value.push_back(Text ? NaN : Node.Value);
  });
}

void TTableCollector::AddFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                                const std::vector<std::string>& Messages) {
  std::int64_t Frame = FirstFrame;
  if (!Arrays.Wide) {
    for (const TDecodedNode* Root : Roots) {
      Columns.TakeTime(*Root, Time);
      if (Range.Holds(Frame, Time)) AddLong(File, Frame, *Root, Messages);
      ++Frame;
    }
    return;
  }
  Grow(Rows() + static_cast<std::int64_t>(Roots.size()));
  for (const TDecodedNode* Root : Roots)
    Take(Direct, *Root, Messages, Rows() + static_cast<std::int64_t>(Direct.Serial.size()));
  Join(Direct, File, Frame, TSerialNumbering{});
}
