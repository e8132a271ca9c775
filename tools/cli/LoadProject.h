#pragma once
// The project load of the command-line commands: the files checked as the
// project window checks them, the structure definition, and one data holder
// per packet file, each file read once.
#include <cstdint>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/Log.h"
#include "data/Data.h"
#include "structure/QuorinFramesDefinition.h"

// Writes the log entries to Err as "[Level] text" lines while it lives, and
// counts them by level.
class TCliLog {
 public:
  explicit TCliLog(std::ostream& Err);
  ~TCliLog();
  TCliLog(const TCliLog&) = delete;
  TCliLog& operator=(const TCliLog&) = delete;

  std::map<TLogLevel, std::int64_t> Counts;

 private:
  TLogSink Previous;
};

// A project of one command; its log entries go to Err while it lives.
class TCliProject {
 public:
  explicit TCliProject(std::ostream& Err) : Log(Err), Err(Err) {}

  // Files: STRUCTURE, PACKET and optionally PACKET2. Returns 0, or 2 when the
  // structure or the first packet file is missing or the structure does not
  // load; a missing second file is only warned about.
  int Load(const std::vector<std::string>& Files);

  TCliLog Log;
  std::vector<std::string> Messages;  // outlives the definition
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::vector<std::unique_ptr<TData>> Holders;  // first file, then the second one when it exists

 private:
  std::ostream& Err;
};
