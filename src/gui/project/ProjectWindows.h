#pragma once
// The browser and plot windows as a project sees them. The windows register
// their factories at program start; a project without one opens nothing.
#include <QString>
#include <cstdint>
#include <functional>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

class QWidget;
class TProjectForm;

class TBrowserWindow {
 public:
  virtual ~TBrowserWindow() = default;
  virtual QWidget* Window() = 0;
  virtual void SetProject(TProjectForm* Project, TFramesDefinition* Definition) = 0;
  // Appends the BaseFrames from First on that it does not show yet (Source 0 or 1).
  virtual void AppendFrames(int Source, TDecodedNode* First) = 0;
  // Focuses the node with that serial number, expanding its ancestors.
  virtual void FocusSerial(std::int32_t SerialNo) = 0;
};

class TPlotWindow {
 public:
  virtual ~TPlotWindow() = default;
  virtual QWidget* Window() = 0;
  virtual void SetProject(TProjectForm* Project) = 0;
  // Sets SortVar, FrameName and VarName, the caption and the name label.
  virtual void SetSeries(const QString& FrameName, const QString& VarName, const QString& SortVar) = 0;
  virtual void SetFrames(TDecodedNode* FramesA, TDecodedNode* FramesB) = 0;
  // Rebuilds the series from all BaseFrames.
  virtual void RefreshSeries() = 0;
  // Resets the view range, scales vertically and repaints.
  virtual void ResetView() = 0;
};

using TBrowserFactory = std::function<TBrowserWindow*()>;
using TPlotFactory = std::function<TPlotWindow*()>;

void SetBrowserFactory(TBrowserFactory Factory);
void SetPlotFactory(TPlotFactory Factory);
// A new window, or nullptr when no factory is registered.
TBrowserWindow* CreateBrowserWindow();
TPlotWindow* CreatePlotWindow();
