#include "common/Log.h"

#include <algorithm>
#include <utility>

namespace {
TLogSink& CurrentSink() {
  static TLogSink Sink;
  return Sink;
}
thread_local TLogCapture* Capture = nullptr;
thread_local TLogDedup* Dedup = nullptr;
thread_local TLogRecord* Record = nullptr;

std::string RepeatsText(const std::string& Text, std::int64_t Repeats) {
  return std::to_string(Repeats) + " more entries like '" + Text + "' in this pass.";
}
}  // namespace

// A capture keeps every entry; the deduplication outside it sees them when
// they are made again.
TLogCapture::TLogCapture() : Previous(std::exchange(Capture, this)), Outside(std::exchange(Dedup, nullptr)) {}

TLogCapture::~TLogCapture() {
  Capture = Previous;
  Dedup = Outside;
}

TLogDedup::TLogDedup() : Previous(std::exchange(Dedup, this)) {}

TLogDedup::~TLogDedup() { Uninstall(); }

void TLogDedup::Uninstall() {
  if (!Installed) return;
  Installed = false;
  Dedup = Previous;
}

TLogDedup::TEntered TLogDedup::Enter(const std::string& Text) {
  const TEntered Entered = Repeats.try_emplace(Text, 0);
  if (Entered.second) Order.push_back(&Entered.first->first);
  return Entered;
}

bool TLogDedup::Repeated(const std::string& Text) {
  const auto [At, New] = Enter(Text);
  if (!New) ++At->second;
  return !New;
}

void TLogDedup::Count(const std::string& Text, std::int64_t Repeats) { Enter(Text).first->second += Repeats; }

std::vector<std::pair<std::string, std::int64_t>> TLogDedup::TakeRepeats() {
  std::vector<std::pair<std::string, std::int64_t>> Taken;
  for (const std::string* Text : Order)
    if (const std::int64_t Count = Repeats[*Text]; Count > 0) Taken.emplace_back(*Text, Count);
  Repeats.clear();
  Order.clear();
  return Taken;
}

void TLogDedup::Finish() {
  Uninstall();
  for (const auto& [Text, Count] : TakeRepeats()) AddEntry(llWarn, RepeatsText(Text, Count));
}

TLogRecord::TLogRecord() : Previous(std::exchange(Record, this)), Outer(Capture) {}

TLogRecord::~TLogRecord() { Record = Previous; }

TLogPause::TLogPause() : Dedup(std::exchange(::Dedup, nullptr)), Record(std::exchange(::Record, nullptr)) {}

TLogPause::~TLogPause() {
  ::Dedup = Dedup;
  ::Record = Record;
}

void AddRepeats(const std::string& Text, std::int64_t Repeats) {
  if (Dedup) Dedup->Count(Text, Repeats);
  else AddEntry(llWarn, RepeatsText(Text, Repeats));
}

void AddEntry(int Level, const std::string& Text) {
  if (Level < llMessage || Level > llError) return;
  // The instrument's own texts are its record, not diagnostics: all are kept.
  if (Dedup && Level != llMessage && Dedup->Repeated(Text)) return;
  // A capture made inside a record hands its entries on later.
  for (TLogRecord* Kept = Record; Kept && Capture == Kept->Outer; Kept = Kept->Previous)
    Kept->Entries.emplace_back(static_cast<TLogLevel>(Level), Text);
  if (Capture) {
    Capture->Entries.emplace_back(static_cast<TLogLevel>(Level), Text);
    return;
  }
  const TLogSink& Sink = CurrentSink();
  if (Sink) Sink(static_cast<TLogLevel>(Level), Text);
}

std::string LastErrorText(const std::vector<std::pair<TLogLevel, std::string>>& Entries) {
  const auto Error =
      std::find_if(Entries.rbegin(), Entries.rend(), [](const auto& Entry) { return Entry.first == llError; });
  return Error == Entries.rend() ? std::string() : Error->second;
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
