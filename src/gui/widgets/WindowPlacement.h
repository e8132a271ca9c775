#pragma once
// Where windows open: on the screen, and not on top of each other.
#include <QPoint>
#include <QRect>
#include <vector>

class QWidget;

// Wanted moved, and shrunk where it is larger, to lie inside Available.
QRect OnScreen(QRect Wanted, const QRect& Available);

// Wanted on the screen, then stepped down and to the right by Step while a
// window of Taken starts at its place; past the screen's bottom or right edge
// it goes on from the screen's top, one step further right each time. When
// every place is taken: Wanted on the screen.
QRect Cascaded(const QRect& Wanted, const QRect& Available, const std::vector<QPoint>& Taken, int Step);

// Moves a new top-level window to a free place: from where it was put, or,
// when it was not put anywhere, one step below and right of Near (or the
// screen's top left); the other visible windows' places are taken.
void PlaceNewWindow(QWidget& Window, const QWidget* Near = nullptr);

// Keeps a window inside the available area of its screen.
void KeepOnScreen(QWidget& Window);
