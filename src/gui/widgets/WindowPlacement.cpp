#include "WindowPlacement.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace {

constexpr int CascadeStep = 24;

// The available area of the screen that holds Point, else of the primary screen.
QRect AvailableAt(const QPoint& Point) {
  const QScreen* Screen = QGuiApplication::screenAt(Point);
  if (!Screen) Screen = QGuiApplication::primaryScreen();
  return Screen ? Screen->availableGeometry() : QRect();
}

// The place a window takes on the screen: its frame, where it has one yet.
QRect PlaceOf(const QWidget& Window) { return QRect(Window.pos(), Window.frameGeometry().size()); }

// Moves Window's frame to Place, shrinking the window where Place is smaller.
void MoveTo(QWidget& Window, const QRect& Place) {
  const QSize Shrink = PlaceOf(Window).size() - Place.size();
  Window.move(Place.topLeft());
  if (!Shrink.isNull()) Window.resize(Window.size() - Shrink);
}

}  // namespace

QRect OnScreen(QRect Wanted, const QRect& Available) {
  Wanted.setWidth(std::min(Wanted.width(), Available.width()));
  Wanted.setHeight(std::min(Wanted.height(), Available.height()));
  Wanted.moveLeft(std::clamp(Wanted.left(), Available.left(), Available.right() - Wanted.width() + 1));
  Wanted.moveTop(std::clamp(Wanted.top(), Available.top(), Available.bottom() - Wanted.height() + 1));
  return Wanted;
}

QRect Cascaded(const QRect& Wanted, const QRect& Available, const std::vector<QPoint>& Taken, int Step) {
  const QRect Start = OnScreen(Wanted, Available);
  const auto IsTaken = [&](const QPoint& Place) {
    return std::any_of(Taken.begin(), Taken.end(),
                       [&](const QPoint& Other) { return (Other - Place).manhattanLength() < Step; });
  };
  QRect Place = Start;
  int Column = 0;
  // Bounded: a screen holds a few hundred places.
  for (int Tries = 0; Tries < 1000; ++Tries) {
    if (!IsTaken(Place.topLeft())) return Place;
    Place.translate(Step, Step);
    if (Available.contains(Place)) continue;
    Place.moveTopLeft(Available.topLeft() + QPoint(++Column * Step, 0));
    if (Available.contains(Place)) continue;
    Column = 0;
    Place.moveTopLeft(Available.topLeft());
  }
  return Start;
}

void PlaceNewWindow(QWidget& Window, const QWidget* Near) {
  QRect Wanted = PlaceOf(Window);
  const bool Put = Window.testAttribute(Qt::WA_Moved);
  const QRect Available = AvailableAt(Put || !Near ? Wanted.topLeft() : Near->pos());
  if (Available.isEmpty()) return;
  if (!Put) Wanted.moveTopLeft(Near ? Near->pos() + QPoint(CascadeStep, CascadeStep) : Available.topLeft());
  std::vector<QPoint> Taken;
  for (const QWidget* Other : QApplication::topLevelWidgets())
    if (Other != &Window && Other->isVisible()) Taken.push_back(Other->pos());
  MoveTo(Window, Cascaded(Wanted, Available, Taken, CascadeStep));
}

void KeepOnScreen(QWidget& Window) {
  const QRect Available = AvailableAt(Window.pos());
  if (!Available.isEmpty()) MoveTo(Window, OnScreen(PlaceOf(Window), Available));
}
