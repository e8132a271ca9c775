#pragma once
// Where a reader stopped in a data holder's list of BaseFrame roots. Holders
// only append to their lists, so the roots after the first N are found from
// the last place asked for instead of from the head of the list.
#include <cstdint>

#include "structure/DecodedNode.h"

class TRootCursor {
 public:
  // The root after the first Count roots of the list that starts at First;
  // none when the list holds no more.
  const TDecodedNode* After(const TDecodedNode* First, std::int64_t Count) {
    if (First != Head || Count < Skipped) {
      Head = First;
      Skipped = 0;
      Previous = nullptr;
    }
    const TDecodedNode* Root = Previous ? Previous->Next : Head;
    for (; Root && Skipped < Count; Root = Root->Next) {
      Previous = Root;
      ++Skipped;
    }
    return Root;
  }

  // The roots after the first Taken ones (none when there are no more); the
  // cursor then stands after the last root (Walked: all the roots in the list).
  const TDecodedNode* TakeRest(const TDecodedNode* First, std::int64_t Taken) {
    const TDecodedNode* Rest = After(First, Taken);
    for (const TDecodedNode* Root = Rest; Root; Root = Root->Next) {
      Previous = Root;
      ++Skipped;
    }
    return Rest;
  }
  // Stands after the Count roots of the list from First to Last, without
  // walking it.
  void StandAfter(const TDecodedNode* First, const TDecodedNode* Last, std::int64_t Count) {
    Head = First;
    Previous = Last;
    Skipped = Count;
  }
  // The roots the cursor stands after.
  std::int64_t Walked() const { return Skipped; }

 private:
  const TDecodedNode* Head = nullptr;
  std::int64_t Skipped = 0;                // roots walked past
  const TDecodedNode* Previous = nullptr;  // the last of them
};
