#include "project/ProjectWindows.h"

#include <QWidget>

namespace {
TBrowserFactory BrowserFactory;
TPlotFactory PlotFactory;
}  // namespace

void TBrowserWindow::Close() { delete Window(); }
void TPlotWindow::Close() { delete Window(); }

void SetBrowserFactory(TBrowserFactory Factory) { BrowserFactory = std::move(Factory); }
void SetPlotFactory(TPlotFactory Factory) { PlotFactory = std::move(Factory); }
TBrowserWindow* CreateBrowserWindow() { return BrowserFactory ? BrowserFactory() : nullptr; }
TPlotWindow* CreatePlotWindow() { return PlotFactory ? PlotFactory() : nullptr; }
