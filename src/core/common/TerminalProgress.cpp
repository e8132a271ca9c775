#include "common/TerminalProgress.h"

#include <sys/ioctl.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

constexpr int MinBar = 10, MaxBar = 40;
// What the figures after the bar take on most lines; a line that needs more
// is cut at its end.
constexpr int FiguresRoom = 48;

// "m:ss" or "h:mm:ss".
std::string Duration(double Seconds) {
  const auto Whole = static_cast<std::int64_t>(std::llround(Seconds));
  const std::int64_t Hours = Whole / 3600, Minutes = Whole / 60 % 60, Rest = Whole % 60;
  const auto TwoDigits = [](std::int64_t N) { return (N < 10 ? "0" : "") + std::to_string(N); };
  return (Hours > 0 ? std::to_string(Hours) + ':' + TwoDigits(Minutes) : std::to_string(Minutes)) + ':' +
         TwoDigits(Rest);
}

}  // namespace

std::string ProgressLine(const TProgressFigures& F, int Width) {
  const std::int64_t Done = F.Position - F.Start, Total = F.Maximum - F.Start;
  const double Share = Total > 0 ? std::clamp(static_cast<double>(Done) / static_cast<double>(Total), 0.0, 1.0) : 1.0;
  const bool Timed = F.Seconds > 0 && Done > 0;
  const double Left = static_cast<double>(std::max(F.Maximum - F.Position, std::int64_t{0}));
  std::string Percent = std::to_string(static_cast<int>(Share * 100)) + '%';
  Percent.insert(0, 4 - Percent.size(), ' ');
  const std::string Figures = Percent + "  " + std::to_string(F.Frames) + " BaseFrames  " +
                              (Timed ? std::to_string(std::llround(static_cast<double>(F.Frames) / F.Seconds)) : "?") +
                              "/s  " + (Timed ? Duration(F.Seconds * Left / static_cast<double>(Done)) : "?") + " left";
  const int Bar = std::min(MaxBar, Width - 1 - 3 - FiguresRoom);
  std::string Line;
  if (Bar >= MinBar) {
    const auto Filled = static_cast<std::size_t>(Share * Bar);
    Line = '[' + std::string(Filled, '#') + std::string(static_cast<std::size_t>(Bar) - Filled, ' ') + "] ";
  }
  Line += Figures;
  Line.resize(std::min(Line.size(), static_cast<std::size_t>(std::max(Width - 1, 0))));
  return Line;
}

int TerminalWidth(int Fd) {
  winsize Size{};
  return ::ioctl(Fd, TIOCGWINSZ, &Size) == 0 && Size.ws_col > 0 ? Size.ws_col : 80;
}

void TTerminalProgress::ShowProgress() {
  Shown = true;
  Started = false;
  Began = std::chrono::steady_clock::now();
}

void TTerminalProgress::SetPosition(std::int64_t Position) {
  if (!Started) Figures.Start = Position;
  Started = true;
  Figures.Position = Position;
}

void TTerminalProgress::SetCounter(const std::string& Counter) {
  if (!Write || !Shown || Figures.Maximum - Figures.Start <= MinBytes) return;
  std::from_chars(Counter.data(), Counter.data() + Counter.size(), Figures.Frames);
  Figures.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Began).count();
  const std::string Line = ProgressLine(Figures, Width);
  Write('\r' + Line + std::string(Drawn > Line.size() ? Drawn - Line.size() : 0, ' '));
  Drawn = Line.size();
}

void TTerminalProgress::HideProgress() {
  Shown = false;
  if (Drawn == 0) return;
  Drawn = 0;
  Write("\n");
}

void TTerminalProgress::ClearLine() {
  if (Drawn == 0) return;
  Write('\r' + std::string(Drawn, ' ') + '\r');
  Drawn = 0;
}
