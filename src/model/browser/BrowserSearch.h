#pragma once
// The browser's search: the next variable whose name, qualified name or
// displayed name holds the typed text, or whose value meets a typed
// condition "NAME OP NUMBER".
#include <map>
#include <string>
#include <vector>

#include "browser/BrowserTree.h"

enum class TSearchCompare { Greater, Less, Equal, GreaterEqual, LessEqual, NotEqual };

struct TSearchCondition {
  std::string Name;
  TSearchCompare Compare = TSearchCompare::Equal;
  double Number = 0;
};

struct TSearchResult {
  TNodePath Path;        // empty when nothing matches
  bool Wrapped = false;  // the walk went on from the first BaseFrame
};

class TBrowserSearch {
 public:
  // A text of NAME, one of > < = >= <= != and NUMBER (blanks allowed around
  // each; NUMBER with the decimal separator of the settings in use or ".") is
  // a condition; any other text is looked for in the names.
  TBrowserSearch(const TBrowserTree& Tree, const TFramesDefinition& Definition, const std::string& Text);

  // The first match after From in pre-order through the shown BaseFrames,
  // going on from the first BaseFrame after the last node, so that From
  // itself comes last. An empty From starts before the first BaseFrame.
  TSearchResult Next(const TNodePath& From);

 private:
  // A NUMBER, BOOLEAN or TEXT variable whose names hold the text without
  // regard to case; with a condition, a NUMBER or BOOLEAN variable whose
  // variable or qualified name is NAME without regard to case and whose
  // value meets the condition.
  bool Matches(const TDecodedNode& Node);
  // Whether the names of a variable match. They follow from the qualified
  // name of its sub-frame and its row, so each pair is tested once.
  bool NamesMatch(const TDecodedNode& Node, std::size_t Row);
  // Whether a node of the BaseFrame may meet the condition, from the values
  // of ConditionRows, decoded for a block of BaseFrames at a time.
  bool MayMeet(TFrameId Frame);

  const TBrowserTree& Tree;
  const TFramesDefinition& Definition;
  std::string Text;
  TSearchCondition Condition;  // declared first: the initialiser of IsCondition fills it
  bool IsCondition;
  // The NUMBER and BOOLEAN rows whose variable name or the end of a
  // qualified one NAME may be.
  std::vector<std::int32_t> ConditionRows;
  enum : std::uint8_t { Unknown, Never, Maybe };
  std::array<std::vector<std::uint8_t>, MaxBrowserSources> Meeting;  // per BaseFrame of each source
  // Per qualified sub-frame name and a dot (empty for a BaseFrame's own
  // variables), per row: 1 the names match, 0 not, -1 not tested yet.
  std::map<std::string, std::vector<signed char>> Known;
  // The sub-frame of the variable tested last, and its entry in Known.
  const TDecodedNode* KnownFrame = nullptr;
  std::map<std::string, std::vector<signed char>>::iterator KnownHere;
};
