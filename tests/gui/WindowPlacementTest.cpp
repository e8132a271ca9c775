#include <gtest/gtest.h>

#include <QDebug>

#include "widgets/WindowPlacement.h"

namespace {

std::string Text(const QRect& Rect) {
  QString Out;
  QDebug(&Out) << Rect;
  return Out.toStdString();
}

TEST(WindowPlacement, AWindowIsMovedAndIfNeedBeShrunkOntoTheScreen) {
  const QRect Screen(0, 0, 800, 600), BelowPanel(0, 30, 800, 570);
  const struct {
    QRect Wanted, Available, Expected;
  } Rows[] = {
      {{10, 10, 100, 100}, Screen, {10, 10, 100, 100}},   {{750, 10, 100, 100}, Screen, {700, 10, 100, 100}},
      {{-20, 569, 890, 171}, Screen, {0, 429, 800, 171}}, {{0, 0, 1000, 700}, Screen, {0, 0, 800, 600}},
      {{0, 0, 100, 100}, BelowPanel, {0, 30, 100, 100}},
  };
  for (const auto& Row : Rows) EXPECT_EQ(Text(OnScreen(Row.Wanted, Row.Available)), Text(Row.Expected));
}

TEST(WindowPlacement, ANewWindowStepsAwayFromThePlacesOfOthersAndWrapsAtTheEdge) {
  const QRect Screen(0, 0, 800, 600);
  const struct {
    QRect Wanted;
    std::vector<QPoint> Taken;
    QPoint Expected;
  } Rows[] = {
      {{410, 0, 300, 200}, {}, {410, 0}},
      {{410, 0, 300, 200}, {{410, 0}}, {434, 24}},
      {{410, 0, 300, 200}, {{434, 24}, {410, 0}}, {458, 48}},
      {{410, 0, 300, 200}, {{420, 5}}, {434, 24}},
      {{700, 0, 300, 200}, {{500, 0}}, {24, 0}},
      {{0, 0, 300, 200}, {{0, 0}, {24, 24}, {48, 48}}, {72, 72}},
      {{500, 380, 300, 200}, {{500, 380}}, {24, 0}},
  };
  for (const auto& Row : Rows)
    EXPECT_EQ(Cascaded(Row.Wanted, Screen, Row.Taken, 24).topLeft(), Row.Expected) << Text(Row.Wanted);
}

}  // namespace
