#include "structure/SharedHashes.h"

#include <map>
#include <set>
#include <string>
#include <utility>

#include "common/Log.h"

namespace {

using TNamePair = std::pair<std::string, std::string>;

// Remembers the first name of each hash and reports every later, different
// name of the same hash against it, once per pair.
class TCollisions {
 public:
  // True, with Other set to the first name, for a new pair.
  bool Add(std::uint32_t Hash, const std::string& Name, std::string& Other) {
    const auto [First, Inserted] = FirstName.emplace(Hash, Name);
    if (Inserted || First->second == Name) return false;
    Other = First->second;
    return Reported.emplace(Other, Name).second;
  }

 private:
  std::map<std::uint32_t, std::string> FirstName;
  std::set<TNamePair> Reported;
};

}  // namespace

void ReportSharedHashes(const std::vector<TDefinitionEntry>& Entries) {
  TCollisions Frames;
  std::map<std::string, TCollisions> VariablesOfFrame;
  std::string Other;
  for (const TDefinitionEntry& E : Entries) {
    if (Frames.Add(E.FrameHash, E.FrameName, Other))
      AddEntry(llWarn, "Frame names " + Other + " and " + E.FrameName + " share the hash " +
                           std::to_string(E.FrameHash) + "; they are treated as one frame.");
    if (VariablesOfFrame[E.FrameName].Add(E.NameHash, E.VarName, Other))
      AddEntry(llWarn, "Names " + Other + " and " + E.VarName + " of frame " + E.FrameName + " share the hash " +
                           std::to_string(E.NameHash) + "; they are treated as one variable.");
  }
}
