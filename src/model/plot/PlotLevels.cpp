#include "plot/PlotLevels.h"

std::vector<TLevel> PlotLevels(const std::vector<TProjectAlarm>& Alarms, const TPlotSeries& Plot) {
  std::vector<TLevel> Levels;
  for (const TProjectAlarm& Entry : Alarms) {
    if (!Entry.Active) continue;
    for (std::size_t K = 0; K < Plot.SeriesCount(); ++K) {
      if (Plot.SeriesAt(K).VarName != Entry.Alarm.VarName) continue;
      Levels.push_back({Entry.Alarm.Value, false});
      if (Entry.Alarm.Warning) Levels.push_back({*Entry.Alarm.Warning, true});
      break;
    }
  }
  return Levels;
}

std::vector<TLevelRow> LevelRows(const TPlotSeries& Plot, const std::vector<TLevel>& Levels, int Height) {
  std::vector<TLevelRow> Rows;
  for (const TLevel& Level : Levels) {
    const int Y = Plot.ValueToPixel(Level.Value, Height);
    if (Y >= 0 && Y < Height) Rows.push_back({Y, Level.Warning});
  }
  return Rows;
}
