// Decoding a frame into its tree of nodes and evaluating its variables.
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
  TRowResolver(TFramesDefinition& Definition, const TCompiledRow& Row) : Definition(Definition), Row(Row) {}

  bool Resolve(std::size_t NameIndex, long double& Value) override {
    return Definition.LookUp(Row.TransformNames[NameIndex], Value);
  }

 private:
  TFramesDefinition& Definition;
  const TCompiledRow& Row;
};

TDecodedNode* TFramesDefinition::DecodeFrame(TMemoryStream& S, const std::string& FrameName, TNodePool& Pool) {
  if (SubframeDepth == 0) {
    SubframeCount = 0;
    TopFrame = FrameName;
  }
  Variables->Clear();
  CurrentFrame = FrameName;
  Stream = &S;
  DependencyBudget = InitialDependencyBudget;
  if (Entries.empty()) return nullptr;

  const std::uint32_t Hash = DJBHash(FrameName);
  const auto First = FirstRowOfFrameHash.find(Hash);
  if (First == FirstRowOfFrameHash.end()) {
    if (FrameName != NoRuleFoundName) AddEntry(llError, "Unknown frame: " + FrameName);
    return Pool.New();
  }
  const std::size_t FirstRow = static_cast<std::size_t>(First->second);
  const std::size_t Mark = Pool.Mark();
  TDecodedNode* Head = nullptr;
  TDecodedNode* Tail = nullptr;
  const auto Append = [&](TDecodedNode* Node) {
    (Tail ? Tail->Next : Head) = Node;
    Tail = Node;
  };
  try {
    for (std::size_t I = FirstRow; I < Entries.size() && Entries[I].FrameHash == Hash; ++I) {
      const TDefinitionEntry& Row = Entries[I];
      if (Row.Kind == ekSubframe || Row.Kind == ekFrame) continue;
      Evaluate(CompiledRows[I].Name, static_cast<std::int32_t>(I));
      TDecodedNode* Node = Pool.New();
      Node->DefIndex = Node->FrameIndex = static_cast<std::int16_t>(I);
      Node->Position = static_cast<std::int32_t>(S.Position + Row.BytePos);
      Node->RawValue = Variables->ValueOfHash(Row.NameHash);
      Node->Value = Row.Kind == ekBoolean ? Node->RawValue : Variables->ValueOfHash(Row.ValueHash);
      Append(Node);
    }
    for (std::size_t I = FirstRow; I < Entries.size() && Entries[I].FrameHash == Hash; ++I)
      if (Entries[I].Kind == ekSubframe) Append(DecodeSubframe(S, static_cast<std::int32_t>(I), Pool));
  } catch (const EDecodeAbort&) {
    Pool.Rollback(Mark);
    throw;
  }
  return Head;
}

TDecodedNode* TFramesDefinition::DecodeSubframe(TMemoryStream& S, std::int32_t RowIndex, TNodePool& Pool) {
  const TDefinitionEntry& Row = Entries[static_cast<std::size_t>(RowIndex)];
  if (Row.BitPos != 0) AddEntry(llWarn, "Subframes must have absolute byte offsets and lengths, ignoring bit-part.");
  const TRestore<std::int64_t> RestorePosition(S.Position, S.Position);
  S.Position += Row.BytePos;

  TDecodedNode* Node = Pool.New();
  Node->DefIndex = static_cast<std::int16_t>(RowIndex);
  Node->Position = static_cast<std::int32_t>(S.Position);
  Node->FrameIndex = static_cast<std::int16_t>(FindFrame(SubFrameEvaluation(Row.VarName)));

  if (SubframeDepth >= MaxSubframeNesting) {
    AddEntry(llError, "Subframe nesting too deep in frame " + SubFrameEvaluation(Row.VarName) + ", ignoring.");
    return Node;
  }
  // Sub-frames that select their own frames again multiply with every level.
  if (++SubframeCount > MaxSubframesPerFrame) {
    if (SubframeCount == MaxSubframesPerFrame + 1)
      AddEntry(llError, "More than " + std::to_string(MaxSubframesPerFrame) + " subframes below frame " + TopFrame +
                            ", ignoring the rest.");
    return Node;
  }
  const std::string Frame = SubFrameEvaluation(Row.VarName);
  const TRestore<int> RestoreDepth(SubframeDepth, SubframeDepth);
  {
    // The enclosing frame's variables wait aside and come back however the
    // sub-frame's decoding ends.
    TVarList& Saved = SavedVariables[static_cast<std::size_t>(SubframeDepth)];
    struct TRestoreVariables {
      TVarList& A;
      TVarList& B;
      ~TRestoreVariables() { std::swap(A, B); }
    } RestoreVariables{Saved, *Variables};
    std::swap(Saved, *Variables);
    ++SubframeDepth;
    Node->Child = DecodeFrame(S, Frame, Pool);
  }
  for (TDecodedNode* Child = Node->Child; Child; Child = Child->Next) Child->SetParent(Node);
  return Node;
}

void TFramesDefinition::Evaluate(const TVariableName& Name, std::int32_t RowIndex) {
  if (Variables->ContainsHash(Name.Hash)) return;
  if (--DependencyBudget <= 0) {
    AddEntry(llError, "Cross dependency for variable " + Name.Stripped + " detected!");
    ++DependencyBudget;
    throw EDecodeAbort();
  }
  const TRestore<std::int32_t> RestoreBudget(DependencyBudget, DependencyBudget + 1);
  const TRestore<std::int64_t> RestorePosition(Stream->Position, Stream->Position);

  if (RowIndex == -1) RowIndex = FindVariableRow(DJBHash(CurrentFrame), Name.StrippedHash);
  if (RowIndex == -1) {
    AddEntry(llError, "Could not fetch Variable: " + CurrentFrame + "." + Name.Stripped);
    return;
  }
  const TDefinitionEntry& Row = Entries[static_cast<std::size_t>(RowIndex)];
  double Raw = 0;
  if (Row.BytePos >= 0) {
    const TBitPos Position{Row.BytePos, Row.BitPos};
    const TBitPos Length{Row.ByteLen, Row.BitLen};
    if (Row.Kind == ekText) {
      std::string Text = ReadMessage(*Stream, Position, Length);
      Raw = static_cast<double>(Messages.size());
      Messages.push_back(Text);
      Variables->AddHashed(Name.Stripped, Name.StrippedHash, Row.Kind, Raw);
      AddEntry(llMessage, Text);
    } else {
      Raw = ExtractInt(*Stream, Position, Length);
      Variables->AddHashed(Name.Stripped, Name.StrippedHash, Row.Kind, Raw);
    }
  }
  if (Row.Kind != ekNumber) return;
  if (Row.IsIdentity) {
    Variables->AddHashed(Name.ValueName, Name.ValueHash, Row.Kind, Raw);
    return;
  }
  const TCompiledRow& Compiled = CompiledRows[static_cast<std::size_t>(RowIndex)];
  TRowResolver Resolver(*this, Compiled);
  const TTransformResult Result = Compiled.Transform.Evaluate(Resolver);
  if (Result.SyntaxError != 0) ReportParseError(Row.Transform);
  if (Result.Failed)
    AddEntry(llWarn, "Parse error: " + Row.Transform);
  else
    Variables->AddHashed(Name.ValueName, Name.ValueHash, Row.Kind, static_cast<double>(Result.Value));
}

bool TFramesDefinition::LookUp(const TVariableName& Name, long double& Value) {
  bool Found = Variables->ContainsHash(Name.Hash);
  if (!Found) {
    Evaluate(Name, -1);
    Found = Variables->ContainsHash(Name.Hash);
  }
  if (Found)
    Value = Variables->ValueOfHash(Name.Hash);
  else
    AddEntry(llError, "Parse error: Variable " + Name.Name + " not found.");
  return Found;
}

void TFramesDefinition::ReportParseError(const std::string& Transform) {
  AddEntry(llError, "Parse error for transform function: " + Transform);
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
