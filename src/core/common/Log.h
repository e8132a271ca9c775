#pragma once
// The one reporting call of the system and its levels.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum TLogLevel : std::uint8_t { llMessage = 0, llInfo = 1, llWarn = 2, llError = 3 };

// Receives every entry of a valid level; installed by the log window, the
// command-line tool or a test.
using TLogSink = std::function<void(TLogLevel Level, const std::string& Text)>;

// Hands the entry to the installed sink. Levels outside 0..3 write nothing.
void AddEntry(int Level, const std::string& Text);

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
};

// Installs a sink (an empty one discards entries) and returns the previous one.
TLogSink SetLogSink(TLogSink Sink);

// "Message", "Info", "Warn" or "Error".
const char* LogLevelName(TLogLevel Level);

// Text from a file as an entry shows it: bytes below 0x20 and 0x7F as \xNN
// (upper-case hex), cut after MaxShownText characters with "..." added.
constexpr std::size_t MaxShownText = 200;
std::string ShownText(std::string_view Text);
