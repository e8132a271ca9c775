#pragma once
// Work split into parts done side by side.
#include <cstddef>
#include <functional>

// The threads work is split over: Requested when above 0, else one per core.
std::size_t ThreadCount(int Requested);

// Runs Part(0) .. Part(Count - 1), each on a thread of its own but Part(0),
// which runs on the calling thread, as do the parts no thread could be had
// for. Returns when all are done; then rethrows the first part's exception.
void RunParts(std::size_t Count, const std::function<void(std::size_t Part)>& Part);
