#pragma once
// Tests and benchmarks reach a window's widgets by their object names.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QObject>
#include <stdexcept>
#include <string>

template <class T>
T* Child(const QObject* Window, const char* Name) {
  T* Found = Window->findChild<T*>(QString::fromLatin1(Name));
  if (!Found) throw std::logic_error(std::string("no child widget ") + Name);
  return Found;
}

// Clicks the named button as the user does: a disabled one ignores it.
inline void Click(const QObject* Window, const char* Name) { Child<QAbstractButton>(Window, Name)->click(); }

// Triggers the named action, as its menu entry or key does.
inline void Trigger(const QObject* Window, const char* Name) { Child<QAction>(Window, Name)->trigger(); }

// The view's signal of a double-click on that row.
inline void DoubleClickRow(QAbstractItemView* View, int Row) { emit View->doubleClicked(View->model()->index(Row, 0)); }
