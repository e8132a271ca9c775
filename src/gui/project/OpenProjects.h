#pragma once
// The project windows open now, oldest first: each enters the list it is
// given when it opens and leaves it when it is freed.
#include <QList>

#include "project/ProjectForm.h"

class TOpenProjects {
 public:
  const QList<TProjectForm*>& All() const { return Windows; }
  // The newest, which the main window's save and close commands act on; none when none is open.
  TProjectForm* Newest() const { return Windows.isEmpty() ? nullptr : Windows.last(); }
  void Add(TProjectForm* Window) { Windows.append(Window); }
  void Remove(TProjectForm* Window) { Windows.removeAll(Window); }
  // Frees the windows, newest first, without their close question.
  void DeleteAll() {
    while (!Windows.isEmpty()) delete Windows.last();
  }

 private:
  QList<TProjectForm*> Windows;
};
