#pragma once
// Program start and end around the message loop.
#include <QString>

// Creates the splash (the lifetime window), the alarm dialog and the
// progress window; StartProject is opened once the main window is up.
void StartProgram(const QString& StartProject = QString());
// Destroys every window the program created, open projects without asking.
void EndProgram();
