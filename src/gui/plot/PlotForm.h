#pragma once
// A plot window: up to eight variables over the BaseFrames of a project, by
// index or over time, with a legend, the alarm levels, zoom, scaling,
// statistics, the mouse read-out and saving of the data and the picture.
#include <QImage>
#include <QWidget>
#include <initializer_list>
#include <set>
#include <vector>

#include "plot/PlotPicture.h"
#include "plot/PlotSeries.h"
#include "project/ProjectWindows.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QStatusBar;
class QToolButton;

class TPlotForm : public QWidget, public TPlotWindow {
 public:
  TPlotForm();
  ~TPlotForm() override;

  QWidget* Window() override { return this; }
  void SetProject(const TProject& Project, TWindowOwner& Owner) override;
  void SetSeries(const QString& FrameName, const QString& VarName, const QString& SortVar) override;
  void SetHolders(TData* DataA, TData* DataB) override;
  void RefreshSeries() override;
  std::vector<std::int32_t> RowsInUse() const override;
  void ResetView() override;
  void AddVariable(const QString& FrameName, const QString& VarName) override;

  // The series with their view range and scaling.
  const TPlotSeries& Model() const { return Plot; }

 protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  friend class TPaintBox;
  TPlotSeries Plot;
  bool Dragging = false;
  // The point under the mouse (index mode; time mode: its pixel).
  std::int32_t CursorPos = 0;
  bool Redraw = true;
  // Drawn over the cached picture: the time-mode cursor line and the zoom band.
  int CursorLineX = -1;
  int BandFromX = 0, BandToX = 0;
  // The axis labels of the last full drawing.
  std::vector<TAxisLabel> ValueLabels, BottomLabels;
  const TProject* Project = nullptr;
  TWindowOwner* Owner = nullptr;
  // The drag under way, and whether the press that follows a double click is skipped.
  TPlotDrag Drag;
  bool SkipMouseDown = false;
  QImage Cache;
  bool BandShown = false;
  // The limit edits and the sort field the user typed in since their text was
  // last taken or reset. Their text is the user's: no drawing changes it, and
  // a refresh also leaves alone the one that has the focus. Enter takes a
  // limit edit's text and the sort button the sort field's; the commands
  // that set the view anew reset edits: Reset view and Time-scaled all four,
  // Scale vertically the value edits, a zoom with the mouse the x edits.
  std::set<const QWidget*> Typed;
  // The read-out and the statistics follow series K.
  void ChooseSeries(std::size_t K);
  // Writes the picture at that size: SVG for a ".svg" path, PNG otherwise.
  bool SavePicture(const QString& Path, QSize Size);
  void PaintPlotArea(class QPainter& Painter);
  // The drawing area's mouse input.
  void OnAreaMouseDown(int X);
  void OnAreaMouseMove(int X);
  void OnAreaMouseUp(int X);
  void OnAreaDoubleClick();
  // Runs the paint handler at once.
  void Repaint();
  int AreaWidth() const;
  int AreaHeight() const;
  QToolButton* ResetViewButton;        // reset view
  QToolButton* ScaleVerticallyButton;  // vertical auto-scale
  QToolButton* SaveSeriesButton;       // save series
  QToolButton* AddVariableButton;
  QToolButton* SavePictureButton;
  QComboBox* SortCombo;
  QToolButton* SortButton;  // apply sort criterion
  QCheckBox* TimeScalingCheck;
  QGroupBox* PlotGroup;
  QLabel* StatisticsLabel;
  QLineEdit* MaxYEdit;
  QLineEdit* MinYEdit;
  QLineEdit* MinXEdit;
  QLineEdit* MaxXEdit;
  QWidget* PlotArea;    // the black drawing area
  QWidget* ValueAxis;   // the values left of the area
  QWidget* BottomAxis;  // point numbers or times below it
  QWidget* Legend;      // one entry per series, shown from the second on
  QStatusBar* StatusBar;

  void OnResetView();
  void OnScaleVertically();
  void OnSaveSeries();
  void OnSort();
  // Asks for a variable of the project and adds it.
  void OnAddVariable();
  // Asks for a file and saves the picture at Size (empty: the drawing area's).
  void OnSavePicture(QSize Size = QSize());
  // Asks for the size first.
  void OnSavePictureAtSize();
  void OnTimeScaling();
  // Enter in one of the four limit edits.
  void OnLimitEnter(QLineEdit* Sender);
  void BuildWindow();
  // Rebuilds the series and shows the sort criterion, unless the user is
  // typing one.
  void Rebuild();
  // Whether the user's text in Field stays: typed, or focused during a refresh.
  bool Holds(const QWidget* Field) const;
  void ShowText(QLineEdit* Edit, const std::string& Text);
  void ForgetTyping(std::initializer_list<const QWidget*> Fields);
  void ShowTexts(const TPlotPicture& Picture);
  void RenderCache(const TPlotPicture& Picture);
  void ShowLegend();
  // Shows the legend entry of the chosen series bold on grey.
  void MarkChosen();
  TPlotPicture Draw(int Width, int Height);

  // Set while the project refreshes the plot after new BaseFrames.
  bool Refreshing = false;
};
