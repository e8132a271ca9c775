#include "browser/FrameTrees.h"

#include <algorithm>
#include <new>

bool TFrameTrees::SetHolder(int Source, const TData& Data) {
  if (Source < 0 || Source >= MaxBrowserSources) return false;
  TSource& Held = Sources[static_cast<std::size_t>(Source)];
  if (Held.Data == &Data) return false;
  Held.Data = &Data;
  Held.Copy.reset();
  Held.Kept.clear();
  std::erase_if(Known, [Source](const auto& Entry) { return Entry.first >> 32 == static_cast<std::uint64_t>(Source); });
  return true;
}

const TData* TFrameTrees::Holder(int Source) const {
  return Source < 0 || Source >= MaxBrowserSources ? nullptr : Sources[static_cast<std::size_t>(Source)].Data;
}

const TFrameRecord* TFrameTrees::Record(TFrameId Id) const {
  const TData* Data = Holder(Id.Source);
  if (!Data || Id.Frame >= Data->Index().size()) return nullptr;
  return &Data->Index()[Id.Frame];
}

TTreeHandle TFrameTrees::Held(TFrameId Id) const {
  const auto Found = Known.find(Id.Key());
  return Found == Known.end() ? nullptr : Found->second.lock();
}

TData::TDecodingCopy* TFrameTrees::CopyOf(std::uint8_t Source) {
  TSource& Held = Sources[Source];
  if (!Held.Data) return nullptr;
  if (!Held.Copy) Held.Copy = Held.Data->CopyForDecodingAgain();
  return Held.Copy.get();
}

TTreeHandle TFrameTrees::Tree(TFrameId Id) {
  if (TTreeHandle Tree = Held(Id)) return Keep(std::move(Tree));
  TData::TDecodingCopy* Copy = CopyOf(Id.Source);
  if (!Copy) return {};
  const std::shared_ptr<TDecodedAgain> Again = NewDecoding();
  bool Decoded = false;
  try {
    Decoded = Sources[Id.Source].Data->DecodeAgain(Id.Frame, *Copy, *Again);
  } catch (const std::bad_alloc&) {
    // Each tree takes a mapping of its own, and the system allows only so many.
  }
  if (!Decoded) return TTreeHandle(std::shared_ptr<const TDecodedNode>(), KeptTree(Id));
  // Forgets the trees nobody holds any more, each time the map doubled.
  if (Known.size() >= SweepAt) {
    std::erase_if(Known, [](const auto& Entry) { return Entry.second.expired(); });
    SweepAt = std::max(4 * Ring.size(), 2 * Known.size());
  }
  TTreeHandle Tree(Again, Again->Root);
  Known[Id.Key()] = Tree;
  return Keep(std::move(Tree));
}

const TDecodedNode* TFrameTrees::Peek(TFrameId Id) {
  if (const TTreeHandle Tree = Held(Id)) return Tree.get();
  TData::TDecodingCopy* Copy = CopyOf(Id.Source);
  if (!Copy) return nullptr;
  return Sources[Id.Source].Data->DecodeAgain(Id.Frame, *Copy, Scratch) ? Scratch.Root : KeptTree(Id);
}

const TDecodedNode* TFrameTrees::KeptTree(TFrameId Id) {
  TSource& Source = Sources[Id.Source];
  std::vector<const TDecodedNode*>& Kept = Source.Kept;
  if (Kept.empty() && Source.Data->Frames) Kept.push_back(Source.Data->Frames);
  while (!Kept.empty() && Kept.size() <= Id.Frame && Kept.back()->Next) Kept.push_back(Kept.back()->Next);
  return Id.Frame < Kept.size() ? Kept[Id.Frame] : nullptr;
}

std::shared_ptr<TDecodedAgain> TFrameTrees::NewDecoding() {
  std::unique_ptr<TDecodedAgain> Taken;
  if (Spares->empty()) {
    Taken = std::make_unique<TDecodedAgain>();
  } else {
    Taken = std::move(Spares->back());
    Spares->pop_back();
  }
  return {Taken.release(), [Spares = std::weak_ptr<TSpares>(Spares)](TDecodedAgain* Done) {
            const std::shared_ptr<TSpares> Kept = Spares.lock();
            // Room for MaxSpares is reserved: keeping one allocates nothing.
            if (Kept && Kept->size() < MaxSpares) Kept->emplace_back(Done);
            else delete Done;
          }};
}

TTreeHandle TFrameTrees::Keep(TTreeHandle Tree) {
  if (Ring.empty()) return Tree;
  const std::size_t Last = (RingNext + Ring.size() - 1) % Ring.size();
  if (Ring[Last] == Tree) return Tree;
  Ring[RingNext] = Tree;
  RingNext = (RingNext + 1) % Ring.size();
  return Tree;
}
