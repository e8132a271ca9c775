// Transforms a decoding may leave until their value is asked for.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <optional>
#include <unordered_map>

#include "structure/FramesDefinition.h"

namespace {

// The longest chain of left transforms one lookup may evaluate.
constexpr int MaxDeferredChain = 8;

// Every raw value of a field: a read that fails gives 65535.
constexpr TValueRange RawValues{0, 65535};

// Names that are their slots: a name with "&" inside reads the slots of another.
bool Plain(const std::string& Name) { return Name.find('&') == std::string::npos; }

}  // namespace

void TFramesDefinition::FindDeferrableRows() {
  const std::size_t Count = Entries.size();
  Deferrable.assign(Count, 0);
  Alone.assign(Count, 0);
  Deferred.assign(Count, 0);
  AnyDeferred = false;
  // The row that writes each slot of a frame (-1: more than one, or read by
  // a name of no row), by its own name or as the lookup of a name: a left
  // row must be the only one that writes the slots it fills, and so must the
  // rows it reads.
  std::unordered_map<std::uint64_t, std::int32_t> WriterOf;
  const auto Key = [](std::uint32_t Frame, std::uint32_t Name) { return std::uint64_t{Frame} << 32 | Name; };
  const auto Write = [&](std::uint32_t Frame, const TVariableName& Name, std::int32_t Row) {
    for (const std::uint32_t Hash : {Name.StrippedHash, Name.ValueHash}) {
      const auto [Writer, New] = WriterOf.try_emplace(Key(Frame, Hash), Row);
      if (!New && Writer->second != Row) Writer->second = -1;
    }
  };
  for (std::size_t I = 0; I < Count; ++I) {
    Write(Entries[I].FrameHash, CompiledRows[I].Name, static_cast<std::int32_t>(I));
    // A name without a row reads the slot of its hash, whoever fills it.
    for (const TAskedName& Asked : CompiledRows[I].TransformNames) Write(Entries[I].FrameHash, Asked.Name, Asked.Row);
  }
  const TOnlyWriter OnlyWriter = [&](std::uint32_t Frame, std::uint32_t Hash, std::size_t Row) {
    const auto Writer = WriterOf.find(Key(Frame, Hash));
    return Writer != WriterOf.end() && Writer->second == static_cast<std::int32_t>(Row);
  };
  std::vector<std::optional<TValueRange>> Values(Count);  // of the rows whose value is certain
  std::vector<int> Chain(Count, 0);
  std::vector<int> AloneChain(Count, 0);
  std::size_t RunStart = 0;  // of the run of rows of the frame
  for (std::size_t I = 0; I < Count; ++I) {
    const TDefinitionEntry& E = Entries[I];
    if (I > 0 && Entries[I - 1].FrameHash != E.FrameHash) RunStart = I;
    FindAloneRow(I, RunStart, OnlyWriter, AloneChain);
    if (E.Kind != ekNumber) continue;
    if (E.IsIdentity) {
      Values[I] = E.BytePos >= 0 ? RawValues : TValueRange{};
      continue;
    }
    // Rows from the start of the run up to this one have been read when it
    // is reached, and those before it evaluated or left as it would be.
    int Longest = 0;
    const auto NameRange = [&](std::size_t Name) -> std::optional<TValueRange> {
      const TAskedName& Asked = CompiledRows[I].TransformNames[Name];
      const auto Row = static_cast<std::size_t>(Asked.Row);
      if (Asked.Row < 0 || Row < RunStart || Row > I) return std::nullopt;
      if (!NamesOnlyItsRow(E.FrameHash, Asked, OnlyWriter)) return std::nullopt;
      if (Asked.Name.Hash == Asked.Name.StrippedHash) return ReadsRaw(Row) ? std::optional(RawValues) : std::nullopt;
      if (Row == I) return std::nullopt;
      Longest = std::max(Longest, Deferrable[Row] ? Chain[Row] : 0);
      return Values[Row];
    };
    const std::optional<TValueRange> Range = CompiledRows[I].Transform.Range(NameRange);
    if (!Range) continue;
    // As the value is stored: one beyond the doubles' range may be stored as infinite.
    if (std::fabs(Range->Low) <= DBL_MAX && std::fabs(Range->High) <= DBL_MAX)
      Values[I] = TValueRange{static_cast<double>(Range->Low), static_cast<double>(Range->High)};
    Chain[I] = Longest + 1;
    const auto First = FirstRowOfFrameHash.find(E.FrameHash);
    const bool Decoded = First != FirstRowOfFrameHash.end() && static_cast<std::size_t>(First->second) == RunStart;
    Deferrable[I] = Decoded && WritesOnlyItsSlots(I, OnlyWriter) && Chain[I] <= MaxDeferredChain;
  }
}

void TFramesDefinition::FindAloneRow(std::size_t I, std::size_t RunStart, const TOnlyWriter& OnlyWriter,
                                     std::vector<int>& Chain) {
  const TDefinitionEntry& E = Entries[I];
  const TCompiledRow& Compiled = CompiledRows[I];
  const bool Field = E.BytePos >= 0;
  // Row 0 is a variable only in a table that starts without a header, and
  // the node standing for an unknown frame takes its number.
  if (I == 0 || !WritesOnlyItsSlots(I, OnlyWriter) || !(E.Kind == ekNumber || (E.Kind == ekBoolean && Field)) ||
      (Field ? !Compiled.FastRead : E.IsIdentity))
    return;
  // Its own raw value, the raw value of a field before it in its frame, or
  // the value of a NUMBER row before it that reads alone.
  int Longest = 0;
  const auto AskedAlone = [&](const TAskedName& Asked) {
    if (Field && Asked.Slots.Asked == Compiled.Slots.Raw) return true;
    const auto Row = static_cast<std::size_t>(Asked.Row);
    if (Asked.Row < 0 || Row < RunStart || Row >= I || !NamesOnlyItsRow(E.FrameHash, Asked, OnlyWriter)) return false;
    if (Asked.Name.Hash == Asked.Name.StrippedHash) return ReadsRaw(Row) && CompiledRows[Row].FastRead;
    Longest = std::max(Longest, Chain[Row]);
    return Entries[Row].Kind == ekNumber && Alone[Row];
  };
  if (!std::ranges::all_of(Compiled.TransformNames, AskedAlone) || Longest >= MaxDeferredChain) return;
  Alone[I] = 1;
  Chain[I] = Longest + 1;
}

bool TFramesDefinition::NamesOnlyItsRow(std::uint32_t FrameHash, const TAskedName& Asked,
                                        const TOnlyWriter& OnlyWriter) const {
  const auto Row = static_cast<std::size_t>(Asked.Row);
  const TDefinitionEntry& Other = Entries[Row];
  // A slot another row shares may hold that row's value (a message index, say).
  return Other.VarName == Asked.Name.Stripped && Plain(Other.VarName) && OnlyWriter(FrameHash, Asked.Name.Hash, Row);
}

bool TFramesDefinition::WritesOnlyItsSlots(std::size_t I, const TOnlyWriter& OnlyWriter) const {
  const TDefinitionEntry& E = Entries[I];
  return Plain(E.VarName) && OnlyWriter(E.FrameHash, E.NameHash, I) && OnlyWriter(E.FrameHash, E.ValueHash, I);
}

bool TFramesDefinition::ReadsRaw(std::size_t Row) const {
  const TDefinitionEntry& E = Entries[Row];
  return E.BytePos >= 0 && E.Kind != ekText && E.Kind != ekSubframe && E.Kind != ekFrame;
}

void TFramesDefinition::DeferUnused(const std::vector<std::int32_t>& RowsInUse) {
  std::vector<char> InUse(Entries.size(), 0);
  for (const std::int32_t Row : RowsInUse)
    if (Row >= 0 && static_cast<std::size_t>(Row) < InUse.size()) InUse[static_cast<std::size_t>(Row)] = 1;
  // Sub-frame choices read slots by name.
  for (const std::string& Name : SelectorNames()) {
    const std::uint32_t Hash = DJBHash(Name);
    for (std::size_t Row = 0; Row < InUse.size(); ++Row)
      if (CompiledRows[Row].Name.StrippedHash == Hash || CompiledRows[Row].Name.ValueHash == Hash) InUse[Row] = 1;
  }
  Deferred = Deferrable;
  for (std::size_t Row = 0; Row < Deferred.size(); ++Row)
    if (InUse[Row]) Deferred[Row] = 0;
  AnyDeferred = std::find(Deferred.begin(), Deferred.end(), 1) != Deferred.end();
  FindSkippableFrames(InUse);
}

void TFramesDefinition::FindSkippableFrames(const std::vector<char>& InUse) {
  Skippable.assign(Entries.size(), {});
  for (const auto& [Hash, First] : FirstRowOfFrameHash) {
    TSkippableFrame Frame{true, 0, 0};
    for (auto Row = static_cast<std::size_t>(First); Row < Entries.size() && Entries[Row].FrameHash == Hash; ++Row) {
      const TDefinitionEntry& E = Entries[Row];
      const TCompiledRow& Compiled = CompiledRows[Row];
      if (E.Kind == ekFrame) continue;
      // Fields read otherwise may log, and transforms not deferred may too.
      if (E.Kind == ekSubframe || E.Kind == ekText || InUse[Row] || (E.BytePos >= 0 && !Compiled.FastRead) ||
          (E.Kind == ekNumber && !E.IsIdentity && !Deferred[Row])) {
        Frame.Skippable = false;
        break;
      }
      if (E.BytePos < 0) continue;
      Frame.First = std::min<std::int64_t>(Frame.First, Compiled.Position.Byte);
      Frame.End = std::max<std::int64_t>(Frame.End, std::int64_t{Compiled.Position.Byte} + 2);
    }
    Skippable[static_cast<std::size_t>(First)] = Frame;
  }
}
