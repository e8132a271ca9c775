// vorex-sim: writes demo packet data, optionally appending to it over time.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimGenerator.h"

namespace {

constexpr int kExitUsage = 1;
constexpr int kExitIo = 2;

const char* const kUsage =
    "Usage:\n"
    "  vorex-sim OUTPUT --frames N [--seed S]\n"
    "      Writes N BaseFrames of demo data to OUTPUT (replacing it).\n"
    "  vorex-sim OUTPUT --append-every SECONDS --count K [--frames N] [--seed S]\n"
    "            [--chunk BYTES | --random-chunks MAX]\n"
    "      Writes N BaseFrames (default 0), then appends one BaseFrame every SECONDS\n"
    "      (fractions allowed) K times, flushing after each. With --chunk each BaseFrame\n"
    "      is written in pieces of BYTES bytes, the delay spread over the pieces. With\n"
    "      --random-chunks the K BaseFrames are written as one stream in pieces of 1 to\n"
    "      MAX bytes (chosen by the seed) that ignore BaseFrame boundaries.\n"
    "Options:\n"
    "  --seed S    seed of the generator (default 1); the same seed gives the same data\n"
    "  -h, --help  show this text\n";

int UsageError(const std::string& Message) {
  std::cerr << "vorex-sim: " << Message << "\n\n" << kUsage;
  return kExitUsage;
}

std::optional<std::int64_t> ParseInt(const std::string& Text, std::int64_t Min, std::int64_t Max) {
  if (Text.empty()) return std::nullopt;
  std::size_t Used = 0;
  long long Value = 0;
  try {
    Value = std::stoll(Text, &Used, 10);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (Used != Text.size() || Value < Min || Value > Max) return std::nullopt;
  return Value;
}

std::optional<double> ParseSeconds(const std::string& Text) {
  if (Text.empty()) return std::nullopt;
  std::size_t Used = 0;
  double Value = 0;
  try {
    Value = std::stod(Text, &Used);
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (Used != Text.size() || !(Value >= 0.0) || Value > 1e6) return std::nullopt;
  return Value;
}

void Sleep(double Seconds) {
  if (Seconds > 0.0) std::this_thread::sleep_for(std::chrono::duration<double>(Seconds));
}

struct TOptions {
  std::string Output;
  std::optional<std::int64_t> Frames;
  std::uint32_t Seed = 1;
  std::optional<double> AppendEvery;
  std::optional<std::int64_t> Count;
  std::optional<std::int64_t> Chunk;
  std::optional<std::int64_t> RandomChunks;
};

// Appends Count BaseFrames to Out, one every Every seconds, in pieces of Chunk bytes.
bool AppendFrames(std::ofstream& Out, TSimGenerator& Generator, double Every, std::int64_t Count,
                  std::int64_t Chunk) {
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
bool AppendRandomPieces(std::ofstream& Out, TSimGenerator& Generator, double Every, std::int64_t Count,
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

}  // namespace

int main(int argc, char** argv) {
  TOptions Options;
  for (int K = 1; K < argc; ++K) {
    const std::string Arg = argv[K];
    if (Arg == "-h" || Arg == "--help") {
      std::cout << kUsage;
      return 0;
    }
    if (Arg.rfind("--", 0) == 0) {
      if (K + 1 >= argc) return UsageError("missing value for " + Arg);
      const std::string Value = argv[++K];
      if (Arg == "--frames") {
        Options.Frames = ParseInt(Value, 0, std::numeric_limits<std::int64_t>::max() / 1024);
        if (!Options.Frames) return UsageError("--frames needs a number of 0 or more, not '" + Value + "'");
      } else if (Arg == "--seed") {
        const auto Seed = ParseInt(Value, 0, std::numeric_limits<std::uint32_t>::max());
        if (!Seed) return UsageError("--seed needs a number from 0 to 4294967295, not '" + Value + "'");
        Options.Seed = static_cast<std::uint32_t>(*Seed);
      } else if (Arg == "--append-every") {
        Options.AppendEvery = ParseSeconds(Value);
        if (!Options.AppendEvery) return UsageError("--append-every needs seconds of 0 or more, not '" + Value + "'");
      } else if (Arg == "--count") {
        Options.Count = ParseInt(Value, 0, std::numeric_limits<std::int64_t>::max());
        if (!Options.Count) return UsageError("--count needs a number of 0 or more, not '" + Value + "'");
      } else if (Arg == "--chunk") {
        Options.Chunk = ParseInt(Value, 1, std::numeric_limits<std::int64_t>::max());
        if (!Options.Chunk) return UsageError("--chunk needs a number of bytes of 1 or more, not '" + Value + "'");
      } else if (Arg == "--random-chunks") {
        Options.RandomChunks = ParseInt(Value, 1, 1 << 30);
        if (!Options.RandomChunks)
          return UsageError("--random-chunks needs a number of bytes of 1 or more, not '" + Value + "'");
      } else {
        return UsageError("unknown option " + Arg);
      }
    } else if (Options.Output.empty()) {
      Options.Output = Arg;
    } else {
      return UsageError("more than one output file given");
    }
  }

  if (Options.Output.empty()) return UsageError("no output file given");
  if (Options.AppendEvery) {
    if (!Options.Count) return UsageError("--append-every needs --count");
    if (Options.Chunk && Options.RandomChunks) return UsageError("--chunk and --random-chunks exclude each other");
  } else {
    if (Options.Count || Options.Chunk || Options.RandomChunks)
      return UsageError("--count, --chunk and --random-chunks need --append-every");
    if (!Options.Frames) return UsageError("--frames is required");
    if (!WriteDemoPacketFile(Options.Output, *Options.Frames, Options.Seed)) {
      std::cerr << "vorex-sim: cannot write " << Options.Output << "\n";
      return kExitIo;
    }
    return 0;
  }

  std::ofstream Out(Options.Output, std::ios::binary | std::ios::trunc);
  if (!Out) {
    std::cerr << "vorex-sim: cannot open " << Options.Output << " for writing\n";
    return kExitIo;
  }
  TSimGenerator Generator(Options.Seed);
  const bool Written =
      WriteBaseFrames(Out, Generator, Options.Frames.value_or(0)) && Out.flush() &&
      (Options.RandomChunks
           ? AppendRandomPieces(Out, Generator, *Options.AppendEvery, *Options.Count, *Options.RandomChunks,
                                Options.Seed)
           : AppendFrames(Out, Generator, *Options.AppendEvery, *Options.Count,
                          Options.Chunk.value_or(static_cast<std::int64_t>(TSimGenerator::FrameLength))));
  if (!Written) {
    std::cerr << "vorex-sim: cannot write " << Options.Output << "\n";
    return kExitIo;
  }
  return 0;
}
