// Decoding a frame into its tree of nodes and evaluating its variables.
#include <algorithm>

#include "common/Log.h"
#include "structure/ByteBit.h"
#include "structure/FramesDefinition.h"
#include "structure/InstrumentNames.h"

namespace {

// Restores a value when the scope ends, also on the abort signal.
template <typename T>
class TRestore {
 public:
  TRestore(T& Target, T Saved) : Target(Target), Saved(std::move(Saved)) {}
  ~TRestore() { Target = std::move(Saved); }
  TRestore(const TRestore&) = delete;
  TRestore& operator=(const TRestore&) = delete;

 private:
  T& Target;
  T Saved;
};

}  // namespace

// Answers the variable requests of one row's transform function.
class TFramesDefinition::TRowResolver : public TVariableResolver {
 public:
  TRowResolver(TFramesDefinition& Definition, const TCompiledRow& Row, std::int32_t Line)
      : Definition(Definition), Row(Row), Line(Line) {}

  bool Resolve(std::size_t NameIndex, long double& Value) override {
    return Definition.LookUp(Row.TransformNames[NameIndex], Value, Line);
  }

 private:
  TFramesDefinition& Definition;
  const TCompiledRow& Row;
  std::int32_t Line;
};

TDecodedNode* TFramesDefinition::DecodeFrame(const TMemoryStream& S, std::int64_t Offset, const std::string& FrameName,
                                             TNodePool& Pool, std::int64_t StreamOrigin) {
  if (SubframeDepth == 0) {
    SubframeCount = 0;
    TopFrame = FrameName;
    Origin = StreamOrigin;
  }
  TFrameValues& Level = Levels[static_cast<std::size_t>(SubframeDepth)];
  Level.Plan = nullptr;
  CurrentFrame = FrameName;
  Stream = &S;
  Base = Offset;
  DependencyBudget = InitialDependencyBudget;
  if (Entries.empty()) return nullptr;

  const std::uint32_t Hash = DJBHash(FrameName);
  const auto First = FirstRowOfFrameHash.find(Hash);
  if (First == FirstRowOfFrameHash.end()) {
    if (FrameName != NoRuleFoundName) AddEntry(llError, "Unknown frame: " + FrameName);
    TDecodedNode* const Unknown = Finished(Made(NewNode(Pool)));
    return MakesNodes() ? Unknown : nullptr;
  }
  const std::size_t FirstRow = static_cast<std::size_t>(First->second);
  Level.Plan = &FramePlans[static_cast<std::size_t>(CompiledRows[FirstRow].Plan)];
  std::fill_n(Level.Present.begin(), Level.Plan->SlotOfHash.size(), scNone);
  if (SkipFrame(FirstRow, S)) return nullptr;
  const std::size_t Mark = Pool.Mark();
  const std::size_t TextMark = TextNodes ? TextNodes->size() : 0;
  const std::int64_t SerialMark = Serials ? Serials->Next : 0;
  const std::size_t LayoutMark = Layout ? Layout->Size() : 0;
  const auto ForgetRun = [&] {
    if (TextNodes) TextNodes->resize(TextMark);
    if (Serials) Serials->Next = SerialMark;
    if (Layout) Layout->Resize(LayoutMark);
  };
  TDecodedNode* Head = nullptr;
  TDecodedNode* Tail = nullptr;
  const bool Linked = MakesNodes();
  const auto Append = [&](TDecodedNode* Node) {
    if (!Linked) return;
    if (Tail) Tail->Next = Node;
    else Head = Node;
    Tail = Node;
  };
  try {
    for (std::size_t I = FirstRow; I < Entries.size() && Entries[I].FrameHash == Hash; ++I) {
      const TDefinitionEntry& Row = Entries[I];
      if (Row.Kind == ekSubframe || Row.Kind == ekFrame) continue;
      const TCompiledRow& Compiled = CompiledRows[I];
      Level.Turn = static_cast<std::int32_t>(I);
      if (!IsDeferred(Level.Turn)) Evaluate(Compiled.Name, Compiled.Slots, Level.Turn, Row.Line);
      else if (Level.Present[static_cast<std::size_t>(Compiled.Slots.Asked)] == scNone && Row.BytePos >= 0)
        Level.Store(Compiled.Slots.Raw, ReadField(Row, Compiled), scNumber);
      TDecodedNode* Node = NewNode(Pool);
      Node->DefIndex = Node->FrameIndex = static_cast<std::int16_t>(I);
      Node->Position = Origin + Base + Row.BytePos;
      Node->RawValue = NodeValue(Level, Compiled.NodeRawSlot, Row.Kind == ekText);
      Node->Value = Row.Kind == ekBoolean ? Node->RawValue : NodeValue(Level, Compiled.NodeValueSlot, false);
      if (TextNodes && Row.Kind == ekText && Node->RawValue != MissingValue) TextNodes->push_back(Node);
      Append(Finished(Made(Node)));
    }
    for (std::size_t I = FirstRow; I < Entries.size() && Entries[I].FrameHash == Hash; ++I)
      if (Entries[I].Kind == ekSubframe) Append(DecodeSubframe(S, static_cast<std::int32_t>(I), Pool));
  } catch (const EDecodeAbort&) {
    Pool.Rollback(Mark);
    ForgetRun();
    throw;
  } catch (...) {
    ForgetRun();
    throw;
  }
  return Head;
}

bool TFramesDefinition::SkipFrame(std::size_t FirstRow, const TMemoryStream& S) {
  if (MakesNodes() || Skippable.empty()) return false;
  const TSkippableFrame& Frame = Skippable[FirstRow];
  if (!Frame.Skippable || Base + Frame.First < 0 || Base + Frame.End > S.Size()) return false;
  const std::uint32_t Hash = Entries[FirstRow].FrameHash;
  std::int64_t Nodes = 0;
  for (std::size_t Row = FirstRow; Row < Entries.size() && Entries[Row].FrameHash == Hash; ++Row) {
    if (Entries[Row].Kind == ekFrame) continue;
    const auto Index = static_cast<std::int16_t>(Row);
    Layout->Codes.push_back(LayoutCode(static_cast<std::uint64_t>(SubframeDepth), Index, Index));
    Layout->Values.push_back(MissingValue);
    ++Nodes;
  }
  // Numbered once laid out: running out of memory above leaves the numbers as they were.
  if (Serials) Serials->Next += Nodes;
  return true;
}

TDecodedNode* TFramesDefinition::DecodeSubframe(const TMemoryStream& S, std::int32_t RowIndex, TNodePool& Pool) {
  const TDefinitionEntry& Row = Entries[static_cast<std::size_t>(RowIndex)];
  if (Row.BitPos != 0)
    AddEntry(llWarn, "Subframes must have absolute byte offsets and lengths, ignoring bit-part." + Place(Row.Line));
  const TRestore<std::int64_t> RestoreBase(Base, Base);
  const std::int64_t Offset = Base + Row.BytePos;

  TDecodedNode* Node = NewNode(Pool);
  Node->DefIndex = static_cast<std::int16_t>(RowIndex);
  Node->Position = Origin + Offset;
  Node->FrameIndex = static_cast<std::int16_t>(FindFrame(SubFrameEvaluation(Row.VarName)));
  Made(Node);

  if (SubframeDepth >= MaxSubframeNesting) {
    AddEntry(llError,
             "Subframe nesting too deep in frame " + SubFrameEvaluation(Row.VarName) + ", ignoring." + Place(Row.Line));
    return Finished(Node);
  }
  // Sub-frames that select their own frames again multiply with every level.
  if (++SubframeCount > MaxSubframesPerFrame) {
    if (SubframeCount == MaxSubframesPerFrame + 1)
      AddEntry(llError, "More than " + std::to_string(MaxSubframesPerFrame) + " subframes below frame " + TopFrame +
                            ", ignoring the rest.");
    return Finished(Node);
  }
  const std::string Frame = SubFrameEvaluation(Row.VarName);
  const TRestore<int> RestoreDepth(SubframeDepth, SubframeDepth);
  ++SubframeDepth;
  Node->Child = DecodeFrame(S, Offset, Frame, Pool);
  for (TDecodedNode* Child = Node->Child; Child; Child = Child->Next) Child->SetParent(Node);
  return Finished(Node);
}

void TFramesDefinition::Evaluate(const TVariableName& Name, const TNameSlots& Slots, std::int32_t RowIndex,
                                 std::int32_t AskedAt) {
  TFrameValues& Level = Levels[static_cast<std::size_t>(SubframeDepth)];
  if (Level.Present[static_cast<std::size_t>(Slots.Asked)] != scNone) return;
  // The value of a transform left at its row's turn is evaluated as it
  // would have been then: from a fresh budget, its raw value read already.
  const bool Late = IsDeferred(RowIndex) && Slots.Asked == Slots.Value && RowIndex < Level.Turn;
  const TRestore<std::int32_t> RestoreBudget(DependencyBudget, DependencyBudget);
  if (Late) DependencyBudget = InitialDependencyBudget;
  if (--DependencyBudget <= 0) {
    AddEntry(llError, "Cross dependency for variable " + Name.Stripped + " detected!" + Place(AskedAt));
    throw EDecodeAbort();
  }

  if (RowIndex == -1) {
    AddEntry(llError, "Could not fetch Variable: " + CurrentFrame + "." + Name.Stripped + Place(AskedAt));
    return;
  }
  const TDefinitionEntry& Row = Entries[static_cast<std::size_t>(RowIndex)];
  const TCompiledRow& Compiled = CompiledRows[static_cast<std::size_t>(RowIndex)];
  double Raw = 0;
  if (Row.BytePos >= 0 && !Late) {
    if (Row.Kind == ekText) {
      std::string Text = ReadMessage(*Stream, Base, {Row.BytePos, Row.BitPos}, {Row.ByteLen, Row.BitLen});
      Raw = static_cast<double>(MessageCount());
      (Holding ? Held : Messages).push_back(Text);
      Level.Store(Slots.Raw, Raw, scTextIndex);
      AddEntry(llMessage, Text);
    } else {
      Raw = ReadField(Row, Compiled);
      Level.Store(Slots.Raw, Raw, scNumber);
    }
  }
  if (Row.Kind != ekNumber) return;
  if (Row.IsIdentity) {
    Level.Store(Slots.Value, Raw, scNumber);
    return;
  }
  TRowResolver Resolver(*this, Compiled, Row.Line);
  const TTransformResult Result = Compiled.Transform.Evaluate(Resolver);
  if (Result.SyntaxError != 0) ReportParseError(Row);
  if (Result.Failed) AddEntry(llWarn, "Parse error: " + Row.Transform + Place(Row.Line));
  else Level.Store(Slots.Value, static_cast<double>(Result.Value), scNumber);
}

inline std::optional<std::uint16_t> TFramesDefinition::FastField(std::span<const std::uint8_t> S, std::int64_t Base,
                                                                 const TCompiledRow& Compiled) {
  const std::int64_t At = Base + Compiled.Position.Byte;
  if (!Compiled.FastRead || At < 0 || At + 2 > static_cast<std::int64_t>(S.size())) return std::nullopt;
  const std::uint8_t* Window = S.data() + At;
  const std::uint32_t Word = ((std::uint32_t{Window[0]} << 8 | Window[1]) << Compiled.Position.Bit) & 0xFFFF;
  return static_cast<std::uint16_t>(Word >> (16 - Compiled.Bits));
}

std::uint16_t TFramesDefinition::ReadField(const TDefinitionEntry& Row, const TCompiledRow& Compiled) const {
  if (const std::optional<std::uint16_t> Field = FastField(Stream->Bytes, Base, Compiled)) return *Field;
  return ExtractInt(*Stream, Base, {Row.BytePos, Row.BitPos}, {Row.ByteLen, Row.BitLen}, {&SourceName, Row.Line});
}

// Answers the variable requests of a transform evaluated alone.
class TFramesDefinition::TAloneResolver : public TVariableResolver {
 public:
  TAloneResolver(const TFramesDefinition& Definition, std::span<const std::uint8_t> S, std::int64_t Base,
                 std::size_t Row, double Raw, std::vector<TAloneValue>& Known)
      : Definition(Definition), S(S), Base(Base), Row(Row), Raw(Raw), Known(Known) {}

  bool Resolve(std::size_t NameIndex, long double& Value) override {
    const TCompiledRow& Compiled = Definition.CompiledRows[Row];
    const TAskedName& Asked = Compiled.TransformNames[NameIndex];
    if (Asked.Slots.Asked == Compiled.Slots.Raw) {
      Value = Raw;
      return true;
    }
    const auto Other = static_cast<std::size_t>(Asked.Row);
    std::optional<double> Found;
    if (Asked.Name.Hash == Asked.Name.StrippedHash) {
      if (const std::optional<std::uint16_t> Field = FastField(S, Base, Definition.CompiledRows[Other])) Found = *Field;
      else Outside = true;
    } else {
      // Each value once, as the decoder keeps it in its slot: transforms
      // that ask for a value many times would otherwise multiply the work.
      auto Memo = std::ranges::find(Known, Other, &TAloneValue::Row);
      if (Memo == Known.end()) {
        TAloneValue Evaluated{Other, false, std::nullopt};
        Evaluated.Inside = Definition.EvaluateAlone(S, Base, Other, Evaluated.Value, Known);
        Memo = Known.insert(Known.end(), Evaluated);
      }
      Outside = !Memo->Inside;
      Found = Memo->Value;
    }
    if (Found) Value = *Found;
    return Found.has_value();
  }

  bool Outside = false;  // a field lay outside the stream

 private:
  const TFramesDefinition& Definition;
  std::span<const std::uint8_t> S;
  std::int64_t Base;
  std::size_t Row;
  double Raw;
  std::vector<TAloneValue>& Known;
};

std::optional<double> TFramesDefinition::ValueAlone(std::span<const std::uint8_t> S, std::int64_t Base,
                                                    std::int32_t Row, std::vector<TAloneValue>& Known) const {
  std::optional<double> Value;
  Known.clear();
  if (!EvaluateAlone(S, Base, static_cast<std::size_t>(Row), Value, Known)) return std::nullopt;
  // A failed transform stores no value: the node holds MissingValue.
  return Value.value_or(MissingValue);
}

bool TFramesDefinition::EvaluateAlone(std::span<const std::uint8_t> S, std::int64_t Base, std::size_t Row,
                                      std::optional<double>& Value, std::vector<TAloneValue>& Known) const {
  const TDefinitionEntry& Entry = Entries[Row];
  double Raw = 0;
  if (Entry.BytePos >= 0) {
    const std::optional<std::uint16_t> Field = FastField(S, Base, CompiledRows[Row]);
    if (!Field) return false;
    Raw = *Field;
  }
  if (Entry.Kind != ekNumber || Entry.IsIdentity) {
    Value = Raw;
    return true;
  }
  TAloneResolver Resolver(*this, S, Base, Row, Raw, Known);
  const TTransformResult Result = CompiledRows[Row].Transform.Evaluate(Resolver);
  if (Resolver.Outside) return false;
  if (!Result.Failed) Value = static_cast<double>(Result.Value);
  return true;
}

bool TFramesDefinition::LookUp(const TAskedName& Asked, long double& Value, std::int32_t AskedAt) {
  const TFrameValues& Level = Levels[static_cast<std::size_t>(SubframeDepth)];
  const auto Slot = static_cast<std::size_t>(Asked.Slots.Asked);
  if (Level.Present[Slot] == scNone) Evaluate(Asked.Name, Asked.Slots, Asked.Row, AskedAt);
  const bool Found = Level.Present[Slot] != scNone;
  if (Found) {
    Value = Level.Values[Slot];
    if (Level.Present[Slot] == scTextIndex) FTextIndexUsed = true;
  } else AddEntry(llError, "Parse error: Variable " + Asked.Name.Name + " not found." + Place(AskedAt));
  return Found;
}

double TFramesDefinition::VariableValue(std::uint32_t NameHash) {
  const TFrameValues& Level = Levels[static_cast<std::size_t>(SubframeDepth)];
  if (!Level.Plan) return MissingValue;
  const auto Slot = Level.Plan->SlotOfHash.find(NameHash);
  return Slot == Level.Plan->SlotOfHash.end() ? MissingValue : NodeValue(Level, Slot->second, false);
}

double TFramesDefinition::NodeValue(const TFrameValues& Level, std::int32_t Slot, bool ExpectText) {
  const TSlotContent Content = Level.Present[static_cast<std::size_t>(Slot)];
  if (Content == scNone) return MissingValue;
  if ((Content == scTextIndex) != ExpectText) FTextIndexUsed = true;
  return Level.Values[static_cast<std::size_t>(Slot)];
}

void TFramesDefinition::ReportParseError(const TDefinitionEntry& Row) {
  AddEntry(llError, "Parse error for transform function: " + Row.Transform + Place(Row.Line));
}

std::string TFramesDefinition::SubFrameEvaluation(const std::string&) {
  AddEntry(llError, "Virtual method TFramesDefinition.SubFrameEvaluation called.");
  return "";
}

std::string TFramesDefinition::NodeVarName(const TDecodedNode& Node) const {
  const auto Row = static_cast<std::size_t>(Node.DefIndex);
  return Row < Entries.size() ? Entries[Row].VarName : std::string();
}

std::string TFramesDefinition::NodeQualifiedName(const TDecodedNode& Node) const {
  const auto FrameVarName = [this](const TDecodedNode& N) {
    const auto Row = static_cast<std::size_t>(N.FrameIndex);
    return Row < Entries.size() ? Entries[Row].VarName : std::string();
  };
  std::string Name = FrameVarName(Node);
  for (const TDecodedNode* P = Node.Parent(); P; P = P->Parent()) Name = FrameVarName(*P) + "." + Name;
  return Name;
}
