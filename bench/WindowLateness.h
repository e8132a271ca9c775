#pragma once
// How late a 10 ms timer on the window thread fires during a project's first
// load and during its tracking, as the desktop program runs them.
#include <cstdint>
#include <string>

#include "QuietDialogs.h"
#include "TimerLateness.h"

class TAlarmForm;
class TOpenProjects;

struct TWindowLateness {
  TLateness Load;
  TLateness Tracking;
  std::int64_t TrackedFrames = 0;
  std::size_t AlarmHits = 0;
};

// Seconds of tracking, and the BaseFrames another thread appends meanwhile.
constexpr double LatenessTrackedSeconds = 5;
constexpr int LatenessAppendEveryMs = 100;
constexpr int LatenessFramesPerAppend = 100;

// A new project window, with the log and alarm windows open, loads File
// (tracking every second) from the event loop as a click does; then, with an
// alarm that every BaseFrame hits, it tracks the file while another thread
// appends demo BaseFrames. Answers answers the alarm dialog.
TWindowLateness MeasureWindowLateness(const std::string& File, TQuietDialogs& Answers, TAlarmForm& AlarmDialog,
                                      TOpenProjects& Projects);
