// vorex-sim: writes demo packet data, optionally appending to it over time.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "shared/CommandLine.h"
#include "sim/SimGenerator.h"

namespace {

void Sleep(double Seconds) {
  if (Seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(Seconds));
}

struct TOptions {
  std::string Output;
  std::int64_t Frames = 0;
  std::uint32_t Seed = 1;
  double AppendEvery = 0;
  std::int64_t Count = 0;
  std::int64_t Chunk = static_cast<std::int64_t>(TSimGenerator::FrameLength);
  std::int64_t RandomChunks = 0;
};

// Appends Count BaseFrames to Out, one every Every seconds, in pieces of Chunk bytes.
bool AppendFrames(std::ostream& Out, TSimGenerator& Generator, double Every, std::int64_t Count, std::int64_t Chunk) {
  const std::int64_t Length = static_cast<std::int64_t>(TSimGenerator::FrameLength);
  const std::int64_t Pieces = (Length + Chunk - 1) / Chunk;
  for (std::int64_t K = 0; K < Count; ++K) {
    const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
    for (std::int64_t Start = 0; Start < Length; Start += Chunk) {
      Sleep(Every / static_cast<double>(Pieces));
      const std::int64_t Size = std::min(Chunk, Length - Start);
      Out.write(reinterpret_cast<const char*>(Frame.data() + Start), static_cast<std::streamsize>(Size));
      Out.flush();
      if (!Out) return false;
    }
  }
  return true;
}

// Appends Count BaseFrames as one stream, in pieces of 1 to MaxPiece bytes;
// each piece waits its share of Every seconds per BaseFrame.
bool AppendRandomPieces(std::ostream& Out, TSimGenerator& Generator, double Every, std::int64_t Count,
                        std::int64_t MaxPiece, std::uint32_t Seed) {
  const auto Length = static_cast<std::int64_t>(TSimGenerator::FrameLength);
  std::mt19937 Random(Seed);
  std::uniform_int_distribution<std::int64_t> PieceSize(1, MaxPiece);
  std::vector<std::uint8_t> Pending;
  std::int64_t Left = Count * Length;
  while (Left > 0) {
    const std::int64_t Size = std::min(PieceSize(Random), Left);
    while (static_cast<std::int64_t>(Pending.size()) < Size) {
      const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
      Pending.insert(Pending.end(), Frame.begin(), Frame.end());
    }
    Sleep(Every * static_cast<double>(Size) / static_cast<double>(Length));
    Out.write(reinterpret_cast<const char*>(Pending.data()), static_cast<std::streamsize>(Size));
    Out.flush();
    if (!Out) return false;
    Pending.erase(Pending.begin(), Pending.begin() + Size);
    Left -= Size;
  }
  return true;
}

int Run(int argc, char** argv, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine("vorex-sim", "vorex-sim",
                                  "Writes demo packet data to OUTPUT (- for standard output), replacing it, and "
                                  "optionally appends to it over time.");
  App->add_option("OUTPUT", Options.Output, "the packet file to write, or - for standard output")->required();
  CLI::Option* Frames =
      App->add_option("--frames", Options.Frames, "BaseFrames written at once (default 0 with --append-every)")
          ->check(CLI::Range(std::int64_t{0}, std::numeric_limits<std::int64_t>::max() / 1024));
  App->add_option("--seed", Options.Seed, "seed of the generator (default 1); the same seed gives the same data");
  CLI::Option* Every =
      App->add_option("--append-every", Options.AppendEvery,
                      "then appends one BaseFrame every SECONDS (fractions allowed), flushing after each")
          ->check(CLI::Range(0.0, 1e6));
  CLI::Option* Count =
      App->add_option("--count", Options.Count, "the number of BaseFrames appended")->check(CLI::NonNegativeNumber);
  CLI::Option* Chunk =
      App->add_option("--chunk", Options.Chunk, "appends each BaseFrame in pieces of BYTES, the delay spread over them")
          ->check(CLI::Range(std::int64_t{1}, std::numeric_limits<std::int64_t>::max()));
  CLI::Option* Random =
      App->add_option("--random-chunks", Options.RandomChunks,
                      "appends the BaseFrames as one stream in pieces of 1 to MAX bytes (chosen by the seed)")
          ->check(CLI::Range(1, 1 << 30));
  App->footer(
      "Exit status: 0 success, 1 wrong usage, 2 OUTPUT cannot be written.\n"
      "Example: vorex-sim demo.dat --frames 2000 --append-every 0.5 --count 100");
  Count->needs(Every);
  Every->needs(Count);
  Chunk->needs(Every);
  Random->needs(Every);
  Chunk->excludes(Random);
  if (const int Status = ParseCommandLine(*App, std::vector<std::string>(argv + 1, argv + argc), std::cout, Err);
      Status >= 0)
    return Status;
  if (!*Every && !*Frames) {
    Err << "--frames is required\nRun with --help for more information.\n";
    return ExitUsage;
  }

  std::ofstream File;
  const bool ToStandardOutput = Options.Output == "-";
  if (!ToStandardOutput) File.open(Options.Output, std::ios::binary | std::ios::trunc);
  std::ostream& Out = ToStandardOutput ? std::cout : File;
  if (!Out) {
    Err << "vorex-sim: cannot open " << Options.Output << " for writing\n";
    return ExitNoLoad;
  }
  TSimGenerator Generator(Options.Seed);
  const bool Written =
      WriteBaseFrames(Out, Generator, Options.Frames) && Out.flush() &&
      (!*Every || (*Random ? AppendRandomPieces(Out, Generator, Options.AppendEvery, Options.Count,
                                                Options.RandomChunks, Options.Seed)
                           : AppendFrames(Out, Generator, Options.AppendEvery, Options.Count, Options.Chunk)));
  if (!Written) {
    Err << "vorex-sim: cannot write " << Options.Output << "\n";
    return ExitNoLoad;
  }
  return ExitClean;
}

}  // namespace

int main(int argc, char** argv) {
  TFdBuffer ErrBuffer(2);
  std::ostream Err(&ErrBuffer);
  return RunReportingFailure("vorex-sim", Err, [&] { return Run(argc, argv, Err); });
}
