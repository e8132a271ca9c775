#pragma once
// An allocator whose containers do not fill what they grow by: for big
// buffers whose every byte is written before it is read, so that no thread
// touches their memory first only to fill it. With Huge, their whole 2 MiB
// pages fault in as huge pages where the system allows it.
#include <cstddef>
#include <memory>
#include <utility>

#include "common/HugePages.h"

template <typename T, bool Huge = true>
struct TUnfilled : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = TUnfilled<U, Huge>;
  };
  TUnfilled() = default;
  template <typename U>
  TUnfilled(const TUnfilled<U, Huge>&) noexcept {}
  T* allocate(std::size_t Count) {
    T* const Memory = std::allocator<T>::allocate(Count);
    if constexpr (Huge) AskForHugePages(Memory, Count * sizeof(T));
    return Memory;
  }
  template <typename U, typename... TArgs>
  void construct(U* At, TArgs&&... Args) {
    if constexpr (sizeof...(TArgs) == 0) ::new (static_cast<void*>(At)) U;
    else ::new (static_cast<void*>(At)) U(std::forward<TArgs>(Args)...);
  }
};
