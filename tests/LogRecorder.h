#pragma once
// Records the log entries made while it lives.
#include <string>
#include <utility>
#include <vector>

#include "common/Log.h"

class TLogRecorder {
 public:
  struct TEntry {
    TLogLevel Level;
    std::string Text;
    bool operator==(const TEntry&) const = default;
  };

  TLogRecorder() : Previous(SetLogSink([this](TLogLevel L, const std::string& T) { Entries.push_back({L, T}); })) {}
  ~TLogRecorder() { SetLogSink(std::move(Previous)); }
  TLogRecorder(const TLogRecorder&) = delete;
  TLogRecorder& operator=(const TLogRecorder&) = delete;

  std::vector<TEntry> Entries;

  // Entries as "[Level] text" lines, handy for exact comparisons.
  std::vector<std::string> Lines() const {
    std::vector<std::string> Out;
    for (const TEntry& E : Entries) Out.push_back(std::string("[") + LogLevelName(E.Level) + "] " + E.Text);
    return Out;
  }
  bool Has(TLogLevel Level, const std::string& Text) const {
    for (const TEntry& E : Entries)
      if (E.Level == Level && E.Text == Text) return true;
    return false;
  }
  void Clear() { Entries.clear(); }

 private:
  TLogSink Previous;
};
