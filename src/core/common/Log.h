#pragma once
// The one reporting call of the system and its levels.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

enum TLogLevel : std::uint8_t { llMessage = 0, llInfo = 1, llWarn = 2, llError = 3 };

// Receives every entry of a valid level; installed by the log window, the
// command-line tool or a test.
using TLogSink = std::function<void(TLogLevel Level, const std::string& Text)>;

// Hands the entry to the installed sink. Levels outside 0..3 write nothing.
void AddEntry(int Level, const std::string& Text);

// While one lives, an entry (other than a Message) whose text was already
// made on its thread since it began is only counted (entries kept by a
// TLogCapture made later are not looked at), so that a pass logs each text
// once however often it recurs.
class TLogDedup {
 public:
  TLogDedup();
  ~TLogDedup();
  TLogDedup(const TLogDedup&) = delete;
  TLogDedup& operator=(const TLogDedup&) = delete;

  // Ends the deduplication and logs, in the order the texts first came, one
  // Warn "N more entries like 'X' in this pass." per text that recurred.
  void Finish();
  // The texts that recurred and how often, in the order they first came;
  // Finish logs nothing for them then.
  std::vector<std::pair<std::string, std::int64_t>> TakeRepeats();
  // True for a text made before (then counted), false for a new one.
  bool Repeated(const std::string& Text);
  // Counts Repeats more entries of Text.
  void Count(const std::string& Text, std::int64_t Repeats);

 private:
  using TRepeats = std::unordered_map<std::string, std::int64_t>;
  using TEntered = std::pair<TRepeats::iterator, bool>;
  void Uninstall();
  // Text's place in Repeats, and whether it came first now.
  TEntered Enter(const std::string& Text);
  TLogDedup* Previous;
  bool Installed = true;
  TRepeats Repeats;
  std::vector<const std::string*> Order;  // keys of Repeats as they came
};

// While one lives, the entries made on its thread are kept in it instead of
// reaching the sink, so that work done on other threads can be reported in
// the order one thread would have made its entries.
class TLogCapture {
 public:
  TLogCapture();
  ~TLogCapture();
  TLogCapture(const TLogCapture&) = delete;
  TLogCapture& operator=(const TLogCapture&) = delete;

  std::vector<std::pair<TLogLevel, std::string>> Entries;

 private:
  TLogCapture* Previous;
  TLogDedup* Outside;
};

// While one lives, the entries of its thread that reach the sink, or a
// TLogCapture made before it, are also kept in it (and in the records it
// lies in), in their order.
class TLogRecord {
 public:
  TLogRecord();
  ~TLogRecord();
  TLogRecord(const TLogRecord&) = delete;
  TLogRecord& operator=(const TLogRecord&) = delete;

  std::vector<std::pair<TLogLevel, std::string>> Entries;

 private:
  TLogRecord* Previous;
  TLogCapture* Outer;
  friend void AddEntry(int Level, const std::string& Text);
};

// While one lives, the entries of its thread are neither deduplicated nor
// recorded: what the events run within a pass log is no part of it.
class TLogPause {
 public:
  TLogPause();
  ~TLogPause();
  TLogPause(const TLogPause&) = delete;
  TLogPause& operator=(const TLogPause&) = delete;

 private:
  TLogDedup* Dedup;
  TLogRecord* Record;
};

// The text of the last Error among Entries; empty without one.
std::string LastErrorText(const std::vector<std::pair<TLogLevel, std::string>>& Entries);

// Repeats more entries of Text, made and deduplicated elsewhere: counted by
// the thread's TLogDedup, or reported at once without one.
void AddRepeats(const std::string& Text, std::int64_t Repeats);

// Installs a sink (an empty one discards entries) and returns the previous one.
TLogSink SetLogSink(TLogSink Sink);

// "Message", "Info", "Warn" or "Error".
const char* LogLevelName(TLogLevel Level);

// Text from a file as an entry shows it: bytes below 0x20 and 0x7F as \xNN
// (upper-case hex), cut after MaxShownText characters with "..." added.
constexpr std::size_t MaxShownText = 200;
std::string ShownText(std::string_view Text);
