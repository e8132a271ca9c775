#pragma once
// A project of one command: its files given on the command line, loaded once
// without tracking, its log entries written to standard error and counted.
#include <CLI/CLI.hpp>
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/Log.h"
#include "project/Project.h"

// The arguments every command that loads a project takes.
struct TCliProjectOptions {
  std::string Structure, Packet;
  std::vector<std::string> MorePackets;  // the second packet file and those after it
  bool Quiet = false;
  bool Resync = false;
  int Threads = 0;
};

// Adds STRUCTURE PACKET [PACKET2...], -q/--quiet, --resync and --threads to App.
void AddProjectOptions(CLI::App& App, TCliProjectOptions& Options);
// Whether Test holds for a packet file of Options (IsPacketStream: one is
// read once as a stream, standard input or a .gz file).
bool AnyPacketFile(const TCliProjectOptions& Options, bool (*Test)(const std::string& Name));

// Writes the log entries to Err as "[Level] text" lines while it lives (Warn
// and Error only when Quiet), and counts them all by level for the summary.
class TCliLog {
 public:
  TCliLog(std::ostream& Err, bool Quiet);
  ~TCliLog();
  TCliLog(const TCliLog&) = delete;
  TCliLog& operator=(const TCliLog&) = delete;

  std::map<TLogLevel, std::int64_t> Counts;

 private:
  TLogSink Previous;
};

// Checks the files of Options and loads their structure definition into
// Project. Returns 0, or 2 when the load stopped: the log says why, or Err
// for a structure file with a number that is not an integer.
int LoadCliDefinition(TProject& Project, const TCliProjectOptions& Options, std::ostream& Err);
// Reads the packet files of a project whose definition is loaded, each
// once; 0, or 2 when one could not be read.
int LoadCliData(TProject& Project);
// LoadCliDefinition, then LoadCliData.
int LoadCliProject(TProject& Project, const TCliProjectOptions& Options, std::ostream& Err);
// The exit status after Project's passes: 2 when a packet file could not be
// read, 4 when a pass ended before the end of its data, 3 when the definition
// load, a first pass or (LaterErrors) a later pass logged an Error, else 0.
int CliExitStatus(const TProject& Project, bool LaterErrors = false);
