#pragma once
// A project of one command: its log entries written to standard error and
// counted, its files loaded once, without tracking.
#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "common/Log.h"
#include "project/Project.h"

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

// Loads Files (STRUCTURE, PACKET and optionally PACKET2) into Project. Returns
// 0, or 2 when the load stopped: the log says why, or Err for a structure
// file with a number that is not an integer.
int LoadCliProject(TProject& Project, const std::vector<std::string>& Files, std::ostream& Err);
