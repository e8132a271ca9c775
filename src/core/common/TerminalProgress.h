#pragma once
// The progress of a long pass as one line of a terminal, drawn again in
// place: a bar, the BaseFrames so far, their rate and the time left.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/LoadProgress.h"

// Where a pass is: bytes from Start (where it began) through Position to
// Maximum (where its data ends), Frames decoded in Seconds.
struct TProgressFigures {
  std::int64_t Start = 0, Position = 0, Maximum = 0;
  std::int64_t Frames = 0;
  double Seconds = 0;
};

// The line of Figures, cut to Width - 1 characters (a full line would wrap):
// "[#####     ]  50%  1200 BaseFrames  400/s  0:03 left". The bar, of at
// most 40 columns, takes what the figures leave and is left out below 10;
// rate and time left are "?" until they can be told.
std::string ProgressLine(const TProgressFigures& Figures, int Width);

// Columns of the terminal on Fd, 80 when it tells none.
int TerminalWidth(int Fd);

// A progress display that writes its line through Write for passes over
// more than MinBytes bytes, and ends it with a line break when the pass
// ends. Nothing is written when Write is empty.
class TTerminalProgress : public TLoadProgress {
 public:
  using TWrite = std::function<void(std::string_view Text)>;
  static constexpr std::int64_t MinBytes = 100'000'000;

  TTerminalProgress(TWrite Write, int Width) : Write(std::move(Write)), Width(Width) {}
  ~TTerminalProgress() override { HideProgress(); }
  TTerminalProgress(const TTerminalProgress&) = delete;
  TTerminalProgress& operator=(const TTerminalProgress&) = delete;

  void ShowProgress() override;
  void HideProgress() override;
  void SetMaximum(std::int64_t Maximum) override { Figures.Maximum = Maximum; }
  void SetPosition(std::int64_t Position) override;
  void SetCounter(const std::string& Counter) override;
  // Blanks a drawn line, so that other text can take its place; the next
  // position draws it again.
  void ClearLine();

 private:
  TWrite Write;
  int Width;
  TProgressFigures Figures;
  std::chrono::steady_clock::time_point Began;
  bool Shown = false, Started = false;
  std::size_t Drawn = 0;  // the length of the line on the terminal
};
