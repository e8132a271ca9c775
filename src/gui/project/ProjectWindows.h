#pragma once
// The browser and plot windows as a project window sees them, and what they
// ask of the window that owns them.
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "project/Project.h"

class QObject;
class QWidget;
class TBrowserWindow;
class TPlotWindow;

// What a browser or plot window asks of its owner.
class TWindowOwner {
 public:
  virtual ~TWindowOwner() = default;
  // Requester: the browser that asks (the owner's own plot list passes itself).
  virtual TPlotWindow* OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                                const QString& SortVar) = 0;
  // Opens a browser and focuses the node with that serial number.
  virtual void OpenBrowserAt(std::int64_t SerialNo) = 0;
  // Adds an alarm on that variable through the alarm dialog.
  virtual void AddAlarm(const QString& VarName) = 0;
  // Gives the browser every BaseFrame again.
  virtual void FeedBrowser(TBrowserWindow& Browser) = 0;
  // The plot windows open on the project, in the order they opened.
  virtual std::vector<TPlotWindow*> OpenPlots() const = 0;
  // The plot drew a further variable, named "Frame.Variable".
  virtual void PlotVariableAdded(const TPlotWindow& Plot, const QString& Name) = 0;
};

class TBrowserWindow : public TBrowserView {
 public:
  virtual QWidget* Window() = 0;
  // The project is read (definition, holders, Offset Time); requests go to Owner.
  virtual void SetProject(const TProject& Project, TWindowOwner& Owner) = 0;
  // Focuses the node with that serial number, expanding its ancestors.
  virtual void FocusSerial(std::int64_t SerialNo) = 0;
  void Close() override;
};

class TPlotWindow : public TPlotView {
 public:
  virtual QWidget* Window() = 0;
  virtual void SetProject(const TProject& Project, TWindowOwner& Owner) = 0;
  // Sets SortVar, FrameName and VarName, the caption and the name label.
  virtual void SetSeries(const QString& FrameName, const QString& VarName, const QString& SortVar) = 0;
  // The holders of the packet files the series takes its points from.
  virtual void SetHolders(TData* DataA, TData* DataB) = 0;
  // Resets the view range, scales vertically and repaints.
  virtual void ResetView() = 0;
  // Draws that variable over the plot's others and tells its owner, or tells
  // the user why it cannot.
  virtual void AddVariable(const QString& FrameName, const QString& VarName) = 0;
  void Close() override;
};

using TBrowserFactory = std::function<TBrowserWindow*()>;
using TPlotFactory = std::function<TPlotWindow*()>;

// How a project window makes its browser and plot windows; with a maker left
// empty it opens no window of that kind.
struct TWindowMakers {
  TBrowserFactory NewBrowser;
  TPlotFactory NewPlot;
};
