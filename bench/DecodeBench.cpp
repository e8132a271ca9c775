// Decoding benchmark: generates demo packet data and measures the full
// pipeline against the raw floor of reading, swapping and bit extraction,
// and the streaming pass on its own.
//   vorex-bench [FRAMES] [--keep FILE]
//   vorex-bench --stream FILE   (one streaming pass over an existing file)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "BenchMeasure.h"
#include "common/Log.h"
#include "data/Data.h"
#include "sim/SimGenerator.h"
#include "structure/ByteBit.h"
#include "structure/InstrumentNames.h"
#include "structure/QuorinFramesDefinition.h"
#include "table/TableArrays.h"
#include "table/TableColumns.h"
#include "table/TableWriter.h"

namespace {

using Clock = TBenchClock;

long PeakResidentKiB() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return Usage.ru_maxrss;
}

struct TField {
  std::int64_t Position;  // absolute byte of the field
  TBitPos Bit;
  TBitPos Length;
};

struct TCounts {
  std::int64_t Nodes = 0;
  std::int64_t Variables = 0;
};

// Every field read from the data, as the decoded trees below the roots located it.
void CollectFields(const TFramesDefinition& Definition, const TDecodedNode* List, std::vector<TField>& Fields,
                   TCounts& Counts) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    ++Counts.Nodes;
    const TDefinitionEntry& Row = Definition.Entries[static_cast<std::size_t>(Node->DefIndex)];
    const bool IsVariable = Row.Kind != ekSubframe && Row.Kind != ekFrame;
    if (IsVariable) ++Counts.Variables;
    if (IsVariable && Row.Kind != ekText && Row.BytePos >= 0)
      Fields.push_back({Node->Position, {0, Row.BitPos}, {Row.ByteLen, Row.BitLen}});
    CollectFields(Definition, Node->Child, Fields, Counts);
  }
}

// Read, swap and extract every field: what any decoder has to do at least.
double RawFloor(const std::string& File, const std::vector<TField>& Fields, std::uint64_t& Checksum) {
  const Clock::time_point Start = Clock::now();
  TMemoryStream Image;
  std::ifstream In(File, std::ios::binary);
  Image.Bytes.resize(std::filesystem::file_size(File));
  In.read(reinterpret_cast<char*>(Image.Bytes.data()), static_cast<std::streamsize>(Image.Bytes.size()));
  for (std::size_t I = 0; I + 1 < Image.Bytes.size(); I += 2) std::swap(Image.Bytes[I], Image.Bytes[I + 1]);
  for (const TField& F : Fields) {
    Image.Position = F.Position;
    Checksum += ExtractInt(Image, F.Bit, F.Length);
  }
  return SecondsSince(Start);
}

// One streaming pass over File: each BaseFrame handed over and dropped, or
// taken into a table: written as a wide CSV row to a stream that drops it,
// or into the wide table's arrays.
enum class TStreamTable { None, CsvRows, Arrays };

struct TStreamRun {
  double Seconds = 0;
  std::int64_t Frames = 0;
  long PeakKiB = 0;
};

class TDroppingBuffer : public std::streambuf {
 protected:
  std::streamsize xsputn(const char*, std::streamsize Count) override { return Count; }
  int_type overflow(int_type Char) override { return traits_type::not_eof(Char); }
};

TStreamRun StreamPass(const std::string& File, TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                      TStreamTable Table) {
  const Clock::time_point Start = Clock::now();
  TData Data(File, Definition);
  std::int64_t Handed = 0;
  TDroppingBuffer Dropped;
  std::ostream Out(&Dropped);
  const TTableColumns Columns(Definition);
  TTableWriter Writer(Out, TTableFormat::Csv, TTableLayout::Wide, Definition, Messages, Columns);
  TTableCollector Collector(Definition, Columns, true);
  Writer.WriteHeader();
  Data.OnFrames = [&](std::span<TDecodedNode* const> Roots) {
    if (Table == TStreamTable::CsvRows) Writer.WriteFrames(1, Handed, Roots);
    if (Table == TStreamTable::Arrays) Collector.AddFrames(1, Handed, Roots, Messages);
    Handed += static_cast<std::int64_t>(Roots.size());
  };
  // As vorex-cli table and the Python module's read_table do: the rows of
  // BaseFrames decoded on several threads are taken there.
  if (Table == TStreamTable::CsvRows) Data.NewChunkSink = [&] { return Writer.NewSink(1, Handed); };
  if (Table == TStreamTable::Arrays) {
    Collector.Reserve(static_cast<std::int64_t>(std::filesystem::file_size(File)) /
                      Definition.GetFrameLength(BaseFrameName));
    Data.NewChunkSink = [&] { return Collector.NewSink(1, Handed); };
  }
  Data.StartTracking();
  Data.StopTracking();
  const TTableArrays Arrays = Collector.TakeArrays();
  return {SecondsSince(Start), Data.FrameCount(), PeakResidentKiB()};
}

// The same in a child process forked before any whole-file pass, so that its
// peak resident memory is that of a process that only streams.
TStreamRun StreamPassInChild(const std::string& File, TFramesDefinition& Definition,
                             const std::vector<std::string>& Messages, TStreamTable Table) {
  int Pipe[2];
  if (pipe(Pipe) != 0) return {};
  const pid_t Child = fork();
  if (Child == 0) {
    close(Pipe[0]);
    const TStreamRun Run = StreamPass(File, Definition, Messages, Table);
    const bool Written = write(Pipe[1], &Run, sizeof Run) == static_cast<ssize_t>(sizeof Run);
    _exit(Written ? 0 : 1);
  }
  close(Pipe[1]);
  TStreamRun Run;
  if (Child < 0 || read(Pipe[0], &Run, sizeof Run) != static_cast<ssize_t>(sizeof Run)) Run = {};
  close(Pipe[0]);
  int Status = 0;
  if (Child > 0) waitpid(Child, &Status, 0);
  return Run;
}

}  // namespace

int main(int argc, char** argv) {
  std::int64_t Frames = 100000;
  std::string Keep, Stream;
  for (int I = 1; I < argc; ++I) {
    const std::string Arg = argv[I];
    if (Arg == "--keep" && I + 1 < argc) Keep = argv[++I];
    else if (Arg == "--stream" && I + 1 < argc) Stream = argv[++I];
    else Frames = std::atoll(argv[I]);
  }
  if (Frames <= 0) {
    std::fprintf(stderr, "usage: vorex-bench [FRAMES] [--keep FILE] | --stream FILE\n");
    return 1;
  }
  if (!Stream.empty()) {
    SetLogSink([](TLogLevel, const std::string&) {});
    std::vector<std::string> Messages;
    TQuorinFramesDefinition Definition(std::string(VOREX_DEMO_DIR) + "/demo.structure", Messages);
    if (!Definition.Loaded) return 2;
    const TStreamRun Run = StreamPass(Stream, Definition, Messages, TStreamTable::None);
    std::printf("| streaming pass over %s | %lld BaseFrames in %.3f s |\n", Stream.c_str(),
                static_cast<long long>(Run.Frames), Run.Seconds);
    std::printf("| BaseFrames per second | %.0f |\n", static_cast<double>(Run.Frames) / Run.Seconds);
    std::printf("| peak resident memory | %.1f MB |\n", static_cast<double>(Run.PeakKiB) / 1024.0);
    return Run.Frames > 0 ? 0 : 3;
  }
  const std::string File = Keep.empty() ? (std::filesystem::temp_directory_path() / "vorex-bench.dat").string() : Keep;
  Clock::time_point Start = Clock::now();
  if (!WriteDemoPacketFile(File, Frames)) {
    std::fprintf(stderr, "cannot write %s\n", File.c_str());
    return 2;
  }
  const double GenerateSeconds = SecondsSince(Start);

  std::int64_t LogEntries = 0;
  SetLogSink([&](TLogLevel, const std::string&) { ++LogEntries; });
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(std::string(VOREX_DEMO_DIR) + "/demo.structure", Messages);
  if (!Definition.Loaded) return 2;

  // Streaming passes first, each in a process of its own.
  std::vector<TStreamRun> Streams, Tables, TableArrays;
  for (int Pass = 0; Pass < 3; ++Pass) {
    Streams.push_back(StreamPassInChild(File, Definition, Messages, TStreamTable::None));
    Tables.push_back(StreamPassInChild(File, Definition, Messages, TStreamTable::CsvRows));
    TableArrays.push_back(StreamPassInChild(File, Definition, Messages, TStreamTable::Arrays));
  }
  const auto Faster = [](const TStreamRun& A, const TStreamRun& B) { return A.Seconds < B.Seconds; };
  std::sort(Streams.begin(), Streams.end(), Faster);
  std::sort(Tables.begin(), Tables.end(), Faster);
  std::sort(TableArrays.begin(), TableArrays.end(), Faster);
  long StreamPeakKiB = 0;
  for (const TStreamRun& Run : Streams) StreamPeakKiB = std::max(StreamPeakKiB, Run.PeakKiB);

  // Three whole-file passes on one thread and three on every core, each on a
  // holder of its own; the last on one thread is measured for memory.
  const auto Pass = [&](int Threads, std::unique_ptr<TData>& Kept) {
    const Clock::time_point PassStart = Clock::now();
    auto Data = std::make_unique<TData>(File, Definition);
    Data->Threads = Threads;
    Data->StartTracking();
    Data->StopTracking();
    const double Seconds = SecondsSince(PassStart);
    Kept = std::move(Data);
    return Seconds;
  };
  // Alternated, so that both kinds meet the memory as earlier passes left it.
  std::vector<double> AllCores, Passes;
  std::unique_ptr<TData> Data;
  std::size_t HeapBefore = 0, HeapAfter = 0;
  std::int64_t LogEntriesPerPass = 0;
  // A first pass of each kind warms the system's memory up; it is not counted.
  for (const int Threads : {0, 1}) {
    Pass(Threads, Data);
    Data.reset();
  }
  for (int Run = 0; Run < 3; ++Run) {
    Data.reset();
    AllCores.push_back(Pass(0, Data));
    Data.reset();
    LogEntries = 0;
    HeapBefore = HeapInUse();
    Passes.push_back(Pass(1, Data));
    HeapAfter = HeapInUse();
    LogEntriesPerPass = LogEntries;
  }
  std::sort(Passes.begin(), Passes.end());
  std::sort(AllCores.begin(), AllCores.end());
  const double PassSeconds = Passes[1];

  std::vector<TField> Fields;
  TCounts Counts;
  for (const TDecodedNode* Root = Data->Frames; Root; Root = Root->Next) {
    ++Counts.Nodes;
    CollectFields(Definition, Root->Child, Fields, Counts);
  }
  // The node blocks are mapped outside the heap.
  const double DecodedBytes = static_cast<double>(HeapAfter - HeapBefore) + static_cast<double>(Data->NodeBytes()) -
                              static_cast<double>(Data->Image.Bytes.capacity());

  std::uint64_t Checksum = 0;
  double FloorSeconds = RawFloor(File, Fields, Checksum);
  FloorSeconds = std::min(FloorSeconds, RawFloor(File, Fields, Checksum));

  std::printf("Decoding benchmark, demo structure, %lld BaseFrames (%.1f MB, generated in %.2f s)\n",
              static_cast<long long>(Frames), static_cast<double>(Data->Image.Bytes.size()) / 1e6, GenerateSeconds);
  std::printf("| measure | value |\n|---|---|\n");
  const auto Decoded = static_cast<double>(Data->FrameCount());
  std::printf("| BaseFrames decoded | %lld |\n", static_cast<long long>(Data->FrameCount()));
  std::printf("| decoded nodes (variables) | %lld (%lld) |\n", static_cast<long long>(Counts.Nodes),
              static_cast<long long>(Counts.Variables));
  std::printf("| log entries | %lld |\n", static_cast<long long>(LogEntriesPerPass));
  std::printf("| TData pass on one thread, median of 3 | %.3f s (%.3f to %.3f) |\n", PassSeconds, Passes[0], Passes[2]);
  std::printf("| BaseFrames per second, one thread | %.0f |\n", Decoded / PassSeconds);
  std::printf("| TData pass on %u threads (one per core), median of 3 | %.3f s (%.3f to %.3f) |\n",
              std::max(1u, std::thread::hardware_concurrency()), AllCores[1], AllCores[0], AllCores[2]);
  std::printf("| BaseFrames per second, every core | %.0f (%.2f times one thread) |\n", Decoded / AllCores[1],
              PassSeconds / AllCores[1]);
  std::printf("| ns per decoded variable | %.1f |\n", PassSeconds * 1e9 / static_cast<double>(Counts.Variables));
  std::printf("| heap and node-block bytes per decoded node | %.1f |\n",
              DecodedBytes / static_cast<double>(Counts.Nodes));
  std::printf("| raw floor: read, swap, extract %zu fields | %.3f s |\n", Fields.size(), FloorSeconds);
  std::printf("| one-thread pass / floor | %.1f |\n", PassSeconds / FloorSeconds);
  std::printf("| peak resident memory | %.1f MB |\n", static_cast<double>(PeakResidentKiB()) / 1024.0);
  std::printf("| streaming pass (OnFrames, nodes given back), median of 3 | %.3f s, %lld BaseFrames |\n",
              Streams[1].Seconds, static_cast<long long>(Streams[1].Frames));
  std::printf("| streaming BaseFrames per second | %.0f |\n",
              static_cast<double>(Streams[1].Frames) / Streams[1].Seconds);
  std::printf("| peak resident memory of a streaming pass (own process) | %.1f MB |\n",
              static_cast<double>(StreamPeakKiB) / 1024.0);
  std::printf("| table path: streaming pass writing wide CSV rows (dropped), median of 3 | %.3f s, %lld rows |\n",
              Tables[1].Seconds, static_cast<long long>(Tables[1].Frames));
  std::printf("| table rows per second | %.0f (%.2f times the one-thread pass) |\n",
              static_cast<double>(Tables[1].Frames) / Tables[1].Seconds, PassSeconds / Tables[1].Seconds);
  std::printf(
      "| table arrays path: streaming pass filling the wide table's arrays, median of 3 | %.3f s, %lld rows, "
      "peak resident memory %.1f MB |\n",
      TableArrays[1].Seconds, static_cast<long long>(TableArrays[1].Frames),
      static_cast<double>(TableArrays[1].PeakKiB) / 1024.0);
  std::printf("| table arrays rows per second | %.0f (%.2f times the one-thread pass) |\n",
              static_cast<double>(TableArrays[1].Frames) / TableArrays[1].Seconds,
              PassSeconds / TableArrays[1].Seconds);
  if (Keep.empty()) std::filesystem::remove(File);
  return Checksum == 0 ? 3 : 0;
}
