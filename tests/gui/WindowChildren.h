#pragma once
// Tests and benchmarks reach a window's widgets by their object names.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
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

// The left mouse button's event of that type at Pos of Widget: a move is
// sent without a button, as the widget sees the mouse go over it.
inline void SendMouse(QWidget* Widget, QEvent::Type Type, QPoint Pos) {
  const Qt::MouseButton Button = Type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  const Qt::MouseButtons Held =
      Type == QEvent::MouseButtonPress || Type == QEvent::MouseButtonDblClick ? Qt::LeftButton : Qt::NoButton;
  QMouseEvent Event(Type, Pos, Widget->mapToGlobal(Pos), Button, Held, Qt::NoModifier);
  QApplication::sendEvent(Widget, &Event);
}

// The rows of the named list view, read and changed through its model as the view does.
inline QModelIndex RowIndex(const QObject* Window, const char* Name, int Row) {
  return Child<QAbstractItemView>(Window, Name)->model()->index(Row, 0);
}
inline int RowCount(const QObject* Window, const char* Name) {
  return Child<QAbstractItemView>(Window, Name)->model()->rowCount();
}
inline QString RowText(const QObject* Window, const char* Name, int Row) {
  return RowIndex(Window, Name, Row).data().toString();
}
inline Qt::CheckState RowCheck(const QObject* Window, const char* Name, int Row) {
  return static_cast<Qt::CheckState>(RowIndex(Window, Name, Row).data(Qt::CheckStateRole).toInt());
}
inline void SetRowCheck(const QObject* Window, const char* Name, int Row, Qt::CheckState State) {
  Child<QAbstractItemView>(Window, Name)->model()->setData(RowIndex(Window, Name, Row), State, Qt::CheckStateRole);
}
inline void SetRowText(const QObject* Window, const char* Name, int Row, const QString& Text) {
  Child<QAbstractItemView>(Window, Name)->model()->setData(RowIndex(Window, Name, Row), Text, Qt::EditRole);
}
inline void SelectRow(const QObject* Window, const char* Name, int Row) {
  Child<QAbstractItemView>(Window, Name)->setCurrentIndex(RowIndex(Window, Name, Row));
}
