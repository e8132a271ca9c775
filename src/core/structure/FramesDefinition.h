#pragma once
// The loaded structure definition: its table, frame lengths and the decoding
// of a frame into a tree of nodes.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "parser/MathParser.h"
#include "structure/ByteBit.h"
#include "structure/DecodedNode.h"
#include "structure/DefinitionEntry.h"
#include "structure/FrameLayout.h"
#include "structure/MemoryStream.h"
#include "structure/NameHash.h"
#include "structure/RowPlace.h"
#include "structure/VariableName.h"

// The silent abort of a decoding run on a cross dependency between transforms.
class EDecodeAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "decoding aborted on a cross dependency"; }
};

// Rows a decoded node can refer to with its 16-bit indices.
constexpr std::size_t MaxDefinitionRows = 32767;
// Sub-frame levels decoded below a BaseFrame.
constexpr int MaxSubframeNesting = 16;
// Sub-frames decoded below one top-level frame, all levels together.
constexpr int MaxSubframesPerFrame = 256;
constexpr std::int32_t InitialDependencyBudget = 10;

// The text of a structure file already in memory, and the name that stands
// for its file in the messages.
struct TStructureText {
  std::string_view Text;
  std::string Name;
};

class TFramesDefinition {
 public:
  // Reads the structure file. Messages receives the texts of TEXT variables
  // and must outlive the definition. Throws EConvertError for a position,
  // length or mode that is not an integer; test Loaded afterwards.
  TFramesDefinition(const std::string& FileName, std::vector<std::string>& Messages);
  // The same for a text in memory: the table, messages and exceptions of a
  // file named Source.Name that holds Source.Text.
  TFramesDefinition(const TStructureText& Source, std::vector<std::string>& Messages);
  virtual ~TFramesDefinition();
  TFramesDefinition(const TFramesDefinition&) = delete;
  TFramesDefinition& operator=(const TFramesDefinition&) = delete;

  bool Loaded = true;
  std::vector<TDefinitionEntry> Entries;

  // Index of the first row whose FrameName is Name; 0 with an error entry
  // when there is none (silently for "NO_RULE_FOUND").
  std::int32_t FindFrame(const std::string& Name) const;
  // Whether a row is named VarName, in the frame FrameName when one is given;
  // compared as text, so a name that only shares a row's hash is none.
  bool HasRow(const std::string* FrameName, const std::string& VarName) const;
  std::int32_t GetFrameLength(const std::string& Name) const;
  void SetFrameLength(const std::string& Name, std::int32_t Length);

  // Decodes the frame at the stream's position into a list of nodes taken
  // from Pool (variables in table order, then sub-frames); the stream
  // position is unchanged on return. Throws EDecodeAbort on a cross
  // dependency, after giving the nodes of the aborted run back to Pool.
  // When the Layout makes no nodes, there is no list (none is returned).
  TDecodedNode* DecodeFrame(TMemoryStream& S, const std::string& FrameName, TNodePool& Pool) {
    return DecodeFrame(S, S.Position, FrameName, Pool);
  }
  // The same for the frame at Offset of S, which it only reads: copies of a
  // definition can decode one stream at once. The nodes' positions count
  // from Origin, the position S's first byte has (in the file, say).
  TDecodedNode* DecodeFrame(const TMemoryStream& S, std::int64_t Offset, const std::string& FrameName, TNodePool& Pool,
                            std::int64_t Origin = 0);

  // Name of the frame to decode for a SUBFRAME variable.
  virtual std::string SubFrameEvaluation(const std::string& SubframeName);
  // Every frame name SubFrameEvaluation can give for SubframeName, whatever
  // the values of the variables (duplicates and names of no frame possible).
  virtual std::vector<std::string> SubFrameCandidates(const std::string& SubframeName) const { return {SubframeName}; }
  // The variables SubFrameEvaluation reads (with VariableValue).
  virtual std::vector<std::string> SelectorNames() const { return {}; }

  // The row of that index; none when there is no such row.
  const TDefinitionEntry* RowAt(std::int32_t Index) const {
    return Index >= 0 && static_cast<std::size_t>(Index) < Entries.size() ? &Entries[static_cast<std::size_t>(Index)]
                                                                          : nullptr;
  }
  std::string NodeVarName(const TDecodedNode& Node) const;
  std::string NodeQualifiedName(const TDecodedNode& Node) const;

  // The value of a variable of the frame decoded last (of the enclosing
  // frame while a sub-frame is chosen), or MissingValue.
  double VariableValue(std::string_view Name) { return VariableValue(DJBHash(Name)); }
  // The same for the name whose hash that is.
  double VariableValue(std::uint32_t NameHash);

  // Whether CopyFor makes copies.
  virtual bool Copyable() const { return false; }
  // A copy with its own decoding state, for another thread, whose TEXT
  // messages go to Messages (which must outlive it); none when this kind of
  // definition cannot be copied.
  virtual std::unique_ptr<TFramesDefinition> CopyFor(std::vector<std::string>& Messages) const;
  // Whether a decoding used the index of a TEXT message as a number (in a
  // transform, a sub-frame choice or a node of another kind), so that its
  // results depend on the messages decoded before it.
  bool TextIndexUsed() const { return FTextIndexUsed; }
  // When set, receives every node of a TEXT row that holds a message index
  // (not those of a decoding that failed).
  std::vector<TDecodedNode*>* TextNodes = nullptr;
  // When set, numbers the nodes decoded as they are finished, children before
  // their node; a decoding that fails leaves it as it was.
  TSerialCounter* Serials = nullptr;
  // When set, receives the LayoutCode and value of every node decoded, in
  // the order the nodes are made (a tree's pre-order); a decoding that fails
  // leaves it as it was. Without MakesNodes, a decoding makes no tree.
  TFrameLayout* Layout = nullptr;
  // Appends the messages a copy decoded to this definition's, emptying More;
  // the index the first of them gets.
  std::size_t AppendMessages(std::vector<std::string>& More);
  // From now on the messages decoded are held back, numbered after those
  // the definition has, so that others may read those meanwhile.
  void HoldMessages() { Holding = true; }
  // Adds the messages held back to the definition's and holds no more.
  void ReleaseMessages();
  // The TEXT messages decoded so far, those held back included.
  std::size_t DecodedMessages() const { return MessageCount(); }
  // Numbers the messages decoded from now on after First others: a copy that
  // decodes a BaseFrame again gives its messages their indices of the pass.
  void NumberMessagesFrom(std::size_t First) { MessageBase = First; }
  // From now on decodings evaluate the transforms of rows outside RowsInUse
  // only when another transform asks for their value, where that leaves
  // every log entry, message and other value as it was: the nodes of those
  // rows may then hold MissingValue as their value. A layout that makes no
  // nodes then also leaves out whole frames none of whose rows is in use,
  // logs or holds a message: their values are MissingValue. Copies keep the
  // choice.
  void DeferUnused(const std::vector<std::int32_t>& RowsInUse);
  // From now on decodings evaluate every transform at its turn.
  void DeferNone() {
    AnyDeferred = false;
    Skippable.clear();
  }
  // Whether the values of Row's nodes follow from fields of their frame
  // alone: a NUMBER or BOOLEAN field of at most 16 bits or a computed NUMBER,
  // the only row to fill the values of its name, whose transform asks for
  // nothing but its own raw value, raw fields of at most 16 bits before it
  // in its frame and the values of NUMBER rows before it that read alone,
  // in chains of at most 8 transforms.
  bool ReadsAlone(std::int32_t Row) const {
    return Row >= 0 && static_cast<std::size_t>(Row) < Alone.size() && Alone[static_cast<std::size_t>(Row)];
  }
  // A row's value evaluated alone in a frame: Inside is false when a field
  // it reads lies outside the data, Value none when a transform fails.
  struct TAloneValue {
    std::size_t Row = 0;
    bool Inside = false;
    std::optional<double> Value;
  };
  // The value a node of such a row gets when its frame starts at Base of S
  // (word-swapped data), as a decoding gives it; none when the field lies
  // outside S. Known is room the caller keeps for the values evaluated on the way.
  std::optional<double> ValueAlone(std::span<const std::uint8_t> S, std::int64_t Base, std::int32_t Row,
                                   std::vector<TAloneValue>& Known) const;

 protected:
  // Everything but the decoding state, with Messages for the messages.
  TFramesDefinition(const TFramesDefinition& Other, std::vector<std::string>& Messages);

  // First row carrying Mode, or -1.
  std::int32_t FindModeRow(std::int32_t Mode) const;

 private:
  // The value slots of a name in its frame's plan: of the name as asked, of
  // its raw value and of its transformed value ("&").
  struct TNameSlots {
    std::int32_t Asked = 0;
    std::int32_t Raw = 0;
    std::int32_t Value = 0;
  };
  // A variable a transform asks for and the row of its frame that gives it
  // (-1: none).
  struct TAskedName {
    explicit TAskedName(const std::string& AskedFor) : Name(AskedFor) {}
    TVariableName Name;
    TNameSlots Slots;
    std::int32_t Row = -1;
  };
  // A row's names, transform function and field, compiled once at load.
  struct TCompiledRow {
    TCompiledRow(const std::string& VarName, const std::string& Transform) : Name(VarName), Transform(Transform) {}
    TVariableName Name;
    TParsedTransform Transform;
    std::vector<TAskedName> TransformNames;  // one per name of Transform.Names()
    TNameSlots Slots;
    std::int32_t NodeRawSlot = 0;    // the row's own name
    std::int32_t NodeValueSlot = 0;  // the row's own name + "&"
    std::int32_t Plan = 0;           // index into FramePlans
    // The field normalised; FastRead when it is a well-formed field of at
    // most 16 bits, read here unless it lies outside the data.
    TBitPos Position;
    std::int32_t Bits = 0;
    bool FastRead = false;
  };
  // The value slots of the frames of one name hash: one per name hash their
  // decoding can store or ask for. Names of the same hash share a slot, as
  // they are one variable.
  struct TFramePlan {
    std::unordered_map<std::uint32_t, std::int32_t> SlotOfHash;
  };
  // What a value slot holds.
  enum TSlotContent : std::uint8_t { scNone, scNumber, scTextIndex };
  // The values of the frame decoded at one nesting level; a value once
  // stored stays until the level's next frame.
  struct TFrameValues {
    const TFramePlan* Plan = nullptr;
    std::int32_t Turn = 0;  // the row the decoding has reached
    std::vector<double> Values;
    std::vector<TSlotContent> Present;

    void Store(std::int32_t Slot, double Value, TSlotContent Content) {
      const auto I = static_cast<std::size_t>(Slot);
      if (Present[I] != scNone) return;
      Present[I] = Content;
      Values[I] = Value;
    }
  };
  class TRowResolver;

  std::vector<std::string>& Messages;
  std::vector<std::string> Held;
  bool Holding = false;
  // The messages the decodings gave so far, those held back included.
  std::size_t MessageCount() const { return MessageBase + Messages.size() + Held.size(); }
  std::size_t MessageBase = 0;
  std::string SourceName;  // the structure file's
  const TMemoryStream* Stream = nullptr;
  std::int64_t Base = 0;    // the first byte of the frame being decoded
  std::int64_t Origin = 0;  // the position of the stream's first byte
  std::string CurrentFrame;
  std::int32_t DependencyBudget = InitialDependencyBudget;

  void LoadFromText(std::string_view Content);
  // " (file, line N)": where a message's cause stands in the structure file.
  std::string Place(std::int64_t Line) const { return TRowPlace{&SourceName, Line}.Suffix(); }
  void FinishLoad();
  std::int32_t FindHeader(const std::string& Name) const;
  std::int32_t FindVariableRow(std::uint32_t FrameHash, std::uint32_t NameHash) const;
  void CompileRows();
  // Finds the rows whose transform can be left until asked for: one that
  // cannot fail and asks only for its own raw value and rows before it in
  // its frame, whose values are certain by then.
  void FindDeferrableRows();
  // Fills Skippable for the rows in use (InUse, per row) and those deferred.
  void FindSkippableFrames(const std::vector<char>& InUse);
  // Lays out the frame of FirstRow, at Base of S, without decoding it; false
  // when it has to be decoded.
  bool SkipFrame(std::size_t FirstRow, const TMemoryStream& S);
  // Whether the slots of a name (by hash) in a frame (by hash) are written by that row alone.
  using TOnlyWriter = std::function<bool(std::uint32_t Frame, std::uint32_t Hash, std::size_t Row)>;
  // Sets Alone and Chain (the longest chain of transforms its value takes)
  // of row I, whose frame's rows start at RunStart, from those of the rows before.
  void FindAloneRow(std::size_t I, std::size_t RunStart, const TOnlyWriter& OnlyWriter, std::vector<int>& Chain);
  // Whether Asked, asked for in frame FrameHash, is the name of its row
  // Asked.Row (>= 0), whose slot only that row writes.
  bool NamesOnlyItsRow(std::uint32_t FrameHash, const TAskedName& Asked, const TOnlyWriter& OnlyWriter) const;
  // Whether Row's raw value is a number read from its field.
  bool ReadsRaw(std::size_t Row) const;
  // Whether row I's name is plain and only that row writes its slots.
  bool WritesOnlyItsSlots(std::size_t I, const TOnlyWriter& OnlyWriter) const;
  class TAloneResolver;
  // The value of Row's node in the frame at Base of S, evaluated as a
  // decoding does; false when a field it reads lies outside S. Value stays
  // none when a transform fails. Known holds the values of the frame's
  // other rows evaluated so far.
  bool EvaluateAlone(std::span<const std::uint8_t> S, std::int64_t Base, std::size_t Row, std::optional<double>& Value,
                     std::vector<TAloneValue>& Known) const;
  // Whether the row's transform is left at its turn.
  bool IsDeferred(std::int32_t Row) const { return AnyDeferred && Row >= 0 && Deferred[static_cast<std::size_t>(Row)]; }
  void SizeLevels();
  // The value of Slot for a node; a TEXT row's node (ExpectText) takes a
  // message index, any other a number.
  double NodeValue(const TFrameValues& Level, std::int32_t Slot, bool ExpectText);
  TDecodedNode* DecodeSubframe(const TMemoryStream& S, std::int32_t Row, TNodePool& Pool);
  // A fresh node: from Pool, or the layout's scratch node when no tree is made.
  TDecodedNode* NewNode(TNodePool& Pool) {
    if (MakesNodes()) return Pool.New();
    return new (&Layout->Scratch) TDecodedNode{};
  }
  bool MakesNodes() const { return !Layout || Layout->MakesNodes; }
  // Node, made at the current sub-frame depth: its layout code and value,
  // when they are kept.
  TDecodedNode* Made(TDecodedNode* Node) {
    if (Layout) {
      Layout->Codes.push_back(LayoutCode(static_cast<std::uint64_t>(SubframeDepth), *Node));
      Layout->Values.push_back(Node->Value);
    }
    return Node;
  }
  // Node, finished: its serial number, when nodes are numbered.
  TDecodedNode* Finished(TDecodedNode* Node) {
    if (Serials) Node->SerialNo = Serials->Take();
    return Node;
  }
  // Makes sure the raw value and, for numbers, the transformed value of the
  // variable named Name (whose slots are Slots) are stored, from the row
  // RowIndex of the current frame; -1: there is none. AskedAt is the line of
  // the row that needs the value, named by the errors about asking for it.
  void Evaluate(const TVariableName& Name, const TNameSlots& Slots, std::int32_t RowIndex, std::int32_t AskedAt);
  std::uint16_t ReadField(const TDefinitionEntry& Row, const TCompiledRow& Compiled) const;
  // The field of a FastRead row of the frame at Base of S; none when it lies
  // outside S.
  static std::optional<std::uint16_t> FastField(std::span<const std::uint8_t> S, std::int64_t Base,
                                                const TCompiledRow& Compiled);
  // The value of a variable the transform of the row at line AskedAt asks
  // for, evaluated on demand; false with an error entry when there is none.
  bool LookUp(const TAskedName& Asked, long double& Value, std::int32_t AskedAt);
  void ReportParseError(const TDefinitionEntry& Row);

  // Lookups built at the end of a load; each answers what the scan of the
  // table in the named direction would.
  std::unordered_map<std::string, std::int32_t> FirstRowOfFrameName;
  std::unordered_map<std::uint32_t, std::int32_t> FirstRowOfFrameHash;
  std::unordered_map<std::uint32_t, std::int32_t> FirstHeaderOfFrameHash;
  std::unordered_map<std::uint64_t, std::int32_t> LastRowOfVariable;
  std::unordered_map<std::int32_t, std::int32_t> FirstRowOfMode;
  std::vector<TCompiledRow> CompiledRows;  // one per row of Entries
  std::vector<TFramePlan> FramePlans;
  std::vector<std::uint8_t> Deferrable;  // one per row of Entries
  std::vector<std::uint8_t> Alone;       // the same; see ReadsAlone
  std::vector<std::uint8_t> Deferred;    // one per row of Entries
  bool AnyDeferred = false;
  // A frame a decoding that keeps only the layout may leave out whole: none
  // of its rows is in use, logs, holds a message or chooses a sub-frame. Its
  // fields, all read fast, lie within the bytes [First, End) from its base
  // (First at most 0).
  struct TSkippableFrame {
    bool Skippable = false;
    std::int64_t First = 0;
    std::int64_t End = 0;
  };
  std::vector<TSkippableFrame> Skippable;  // by a frame's first row, while rows are deferred
  // By nesting level: the BaseFrame's own at 0.
  std::vector<TFrameValues> Levels = std::vector<TFrameValues>(MaxSubframeNesting + 1);
  int SubframeDepth = 0;
  int SubframeCount = 0;
  bool FTextIndexUsed = false;
  std::string TopFrame;
};
