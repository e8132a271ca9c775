#pragma once
// Work split into parts done side by side.
#include <cstddef>
#include <functional>
#include <vector>

// The threads work is split over: Requested when above 0, else one per core.
std::size_t ThreadCount(int Requested);

// Where the parts of the items From to before To start, one part per
// thread, each of at least MinItems items (one part when there are fewer),
// and, last, To.
std::vector<std::size_t> PartStarts(std::size_t From, std::size_t To, std::size_t MinItems, int Threads);

// Runs Part(0) .. Part(Count - 1), each on a thread of its own but Part(0),
// which runs on the calling thread, as do the parts no thread could be had
// for. Returns when all are done; then rethrows the first part's exception.
void RunParts(std::size_t Count, const std::function<void(std::size_t Part)>& Part);
