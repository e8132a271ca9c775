#include "common/Log.h"

#include <utility>

namespace {
TLogSink& CurrentSink() {
  static TLogSink Sink;
  return Sink;
}
thread_local TLogCapture* Capture = nullptr;
}  // namespace

TLogCapture::TLogCapture() : Previous(std::exchange(Capture, this)) {}

TLogCapture::~TLogCapture() { Capture = Previous; }

void AddEntry(int Level, const std::string& Text) {
  if (Level < llMessage || Level > llError) return;
  if (Capture) {
    Capture->Entries.emplace_back(static_cast<TLogLevel>(Level), Text);
    return;
  }
  const TLogSink& Sink = CurrentSink();
  if (Sink) Sink(static_cast<TLogLevel>(Level), Text);
}

TLogSink SetLogSink(TLogSink Sink) { return std::exchange(CurrentSink(), std::move(Sink)); }

const char* LogLevelName(TLogLevel Level) {
  switch (Level) {
    case llMessage: return "Message";
    case llInfo: return "Info";
    case llWarn: return "Warn";
    case llError: return "Error";
  }
  return "";
}

std::string ShownText(std::string_view Text) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  const auto Continues = [](char C) { return (static_cast<unsigned char>(C) & 0xC0) == 0x80; };
  std::string Shown;
  for (const char C : Text) {
    const auto Byte = static_cast<unsigned char>(C);
    const bool Escaped = Byte < 0x20 || Byte == 0x7F;
    if (Shown.size() + (Escaped ? 4 : 1) > MaxShownText) {
      // A UTF-8 character cut in two would make the whole entry read as Latin-1.
      if (Continues(C)) {
        for (int K = 0; K < 3 && !Shown.empty() && Continues(Shown.back()); ++K) Shown.pop_back();
        if (!Shown.empty() && static_cast<unsigned char>(Shown.back()) >= 0xC0) Shown.pop_back();
      }
      return Shown + "...";
    }
    if (Escaped) {
      Shown += "\\x";
      Shown += Hex[Byte >> 4];
      Shown += Hex[Byte & 0xF];
    } else {
      Shown += C;
    }
  }
  return Shown;
}
