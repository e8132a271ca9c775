#include "common/Threads.h"

#include <algorithm>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

std::size_t ThreadCount(int Requested) {
  if (Requested > 0) return static_cast<std::size_t>(Requested);
  return std::max(1u, std::thread::hardware_concurrency());
}

std::vector<std::size_t> PartStarts(std::size_t From, std::size_t To, std::size_t MinItems, int Threads) {
  To = std::max(To, From);
  const std::size_t Count =
      std::clamp<std::size_t>((To - From) / std::max<std::size_t>(MinItems, 1), 1, ThreadCount(Threads));
  std::vector<std::size_t> Starts;
  for (std::size_t Part = 0; Part <= Count; ++Part) Starts.push_back(From + (To - From) * Part / Count);
  return Starts;
}

void RunParts(std::size_t Count, const std::function<void(std::size_t)>& Part) {
  std::vector<std::exception_ptr> Errors(Count);
  const auto Run = [&Part, &Errors](std::size_t I) {
    try {
      Part(I);
    } catch (...) {
      Errors[I] = std::current_exception();
    }
  };
  std::vector<std::thread> Workers;
  std::size_t Started = 1;
  try {
    for (; Started < Count; ++Started) Workers.emplace_back(Run, Started);
  } catch (const std::system_error&) {
    // The parts no thread could be had for run here.
  }
  if (Count > 0) Run(0);
  for (std::size_t I = Started; I < Count; ++I) Run(I);
  for (std::thread& Worker : Workers) Worker.join();
  for (const std::exception_ptr& Error : Errors)
    if (Error) std::rethrow_exception(Error);
}
