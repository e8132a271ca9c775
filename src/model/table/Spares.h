#pragma once
// Objects kept with their memory for the next user: the sinks of a pass are
// made and dropped one after another on its thread, and each takes the rows
// a dropped one gave back.
#include <memory>
#include <vector>

template <typename T>
class TSpares {
 public:
  // A kept one, emptied (T::Clear), or a new one.
  std::unique_ptr<T> Take() {
    if (Kept.empty()) return std::make_unique<T>();
    std::unique_ptr<T> Item = std::move(Kept.back());
    Kept.pop_back();
    Item->Clear();
    return Item;
  }
  void GiveBack(std::unique_ptr<T> Item) { Kept.push_back(std::move(Item)); }

 private:
  std::vector<std::unique_ptr<T>> Kept;
};
