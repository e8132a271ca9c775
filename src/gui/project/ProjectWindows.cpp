#include "project/ProjectWindows.h"

#include <QWidget>

void TBrowserWindow::Close() { delete Window(); }
void TPlotWindow::Close() { delete Window(); }
