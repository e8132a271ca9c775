#include "plot/PlotForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "common/AtomicFile.h"
#include "common/DateTime.h"
#include "common/FloatText.h"
#include "plot/PlotLevels.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/TextBridge.h"

namespace {

const QColor Silver(192, 192, 192);
const QColor Lime(0, 255, 0);
const QColor Yellow(255, 255, 0);
// The traces in the order their series were added; red and yellow belong to the levels.
const QColor SeriesColours[MaxPlotSeries] = {Lime,
                                             QColor(0, 255, 255),
                                             QColor(255, 0, 255),
                                             QColor(255, 160, 0),
                                             QColor(255, 255, 255),
                                             QColor(100, 150, 255),
                                             QColor(255, 128, 192),
                                             QColor(160, 110, 255)};
const QColor AlarmRed(220, 0, 0);
// Dark enough to stand out on white as well.
const QColor WarningYellow(200, 160, 0);

void PaintPicture(QPainter& Painter, const TPlotPicture& Picture, int Width) {
  Painter.setPen(Silver);
  for (const TPlotLine& Line : Picture.Grid) Painter.drawLine(Line.From.X, Line.From.Y, Line.To.X, Line.To.Y);
  const auto PaintTrace = [&Painter](const std::vector<TPixel>& Points, const QColor& Colour) {
    Painter.setPen(Colour);
    QPolygon Trace(static_cast<int>(Points.size()));
    for (std::size_t I = 0; I < Points.size(); ++I) Trace.setPoint(static_cast<int>(I), Points[I].X, Points[I].Y);
    Painter.drawPolyline(Trace);
  };
  PaintTrace(Picture.Trace, SeriesColours[0]);
  for (std::size_t K = 0; K < Picture.OverlayTraces.size(); ++K)
    PaintTrace(Picture.OverlayTraces[K], SeriesColours[K + 1]);
  for (const TLevelRow& Row : Picture.Levels) {
    Painter.setPen(QPen(Row.Warning ? WarningYellow : AlarmRed, 2, Qt::DashLine));
    Painter.drawLine(0, Row.Y, Width, Row.Y);
  }
}

}  // namespace

// The drawing area: its paint and mouse events go to the window's handlers,
// private ones among them.
class TPaintBox : public QWidget {
 public:
  explicit TPaintBox(TPlotForm* Form) : QWidget(Form), Form(Form) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(40, 40);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter Painter(this);
    Form->PaintPlotArea(Painter);
  }
  void mousePressEvent(QMouseEvent* Event) override { Form->OnAreaMouseDown(Event->position().toPoint().x()); }
  void mouseMoveEvent(QMouseEvent* Event) override { Form->OnAreaMouseMove(Event->position().toPoint().x()); }
  void mouseReleaseEvent(QMouseEvent* Event) override { Form->OnAreaMouseUp(Event->position().toPoint().x()); }
  // The press that belongs to a double click follows it, as the window expects.
  void mouseDoubleClickEvent(QMouseEvent* Event) override {
    const QPointer<TPaintBox> Self(this);
    Form->OnAreaDoubleClick();
    if (Self) mousePressEvent(Event);
  }

 private:
  TPlotForm* Form;
};

namespace {

// A band along one side of the drawing area with the labels of that axis:
// a tick at each label's pixel of the area and its text, kept inside the band.
class TAxisBox : public QWidget {
 public:
  TAxisBox(QWidget* Parent, const QWidget* Area, const std::vector<TAxisLabel>& Labels, bool Vertical)
      : QWidget(Parent), Area(Area), Labels(Labels), Vertical(Vertical) {
    const QFontMetrics Metrics = fontMetrics();
    if (Vertical) setFixedWidth(Metrics.horizontalAdvance(QStringLiteral("-0000000.00")) + Tick + Gap);
    else setFixedHeight(Tick + 2 * Metrics.height() + Gap);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter Painter(this);
    Painter.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics Metrics = fontMetrics();
    const QPoint Shift = Area->mapTo(window(), QPoint()) - mapTo(window(), QPoint());
    for (const TAxisLabel& Label : Labels) {
      if (Vertical) {
        const int Y = Label.Position + Shift.y();
        Painter.drawLine(width() - Tick, Y, width() - 1, Y);
        const int Top = std::clamp(Y - Metrics.height() / 2, 0, std::max(0, height() - Metrics.height()));
        Painter.drawText(QRect(0, Top, width() - Tick - Gap, Metrics.height()), Qt::AlignRight | Qt::AlignVCenter,
                         FromBytes(Label.Text));
        continue;
      }
      const int X = Label.Position + Shift.x();
      Painter.drawLine(X, 0, X, Tick - 1);
      int Line = 0;
      for (const std::string& Text : {Label.Text, Label.Date}) {
        const QString Shown = FromBytes(Text);
        const int Left = std::clamp(X - Metrics.horizontalAdvance(Shown) / 2, 0,
                                    std::max(0, width() - Metrics.horizontalAdvance(Shown)));
        Painter.drawText(Left, Tick + Metrics.ascent() + Line++ * Metrics.height(), Shown);
      }
    }
  }

 private:
  static constexpr int Tick = 4, Gap = 3;
  const QWidget* Area;
  const std::vector<TAxisLabel>& Labels;
  bool Vertical;
};

// OK and Cancel, closing the dialog with its result.
QDialogButtonBox* OkCancel(QDialog& Dialog) {
  auto* Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &Dialog);
  QObject::connect(Buttons, &QDialogButtonBox::accepted, &Dialog, &QDialog::accept);
  QObject::connect(Buttons, &QDialogButtonBox::rejected, &Dialog, &QDialog::reject);
  return Buttons;
}

QLineEdit* LimitEdit(QWidget* Parent, QObject* Filter, int Width) {
  auto* Edit = new QLineEdit(QStringLiteral("0"), Parent);
  Edit->setFixedWidth(Width);
  Edit->installEventFilter(Filter);
  return Edit;
}

// Typing in Edit marks Field as typed.
void MarkTyping(QLineEdit* Edit, const QWidget* Field, std::set<const QWidget*>& Typed) {
  QObject::connect(Edit, &QLineEdit::textEdited, Edit, [Field, &Typed] { Typed.insert(Field); });
}

}  // namespace

TPlotForm::TPlotForm() : QWidget(nullptr, Qt::Window) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Data series plot"));
  setFont(VerdanaFont());
  resize(597, 429);
  setMinimumSize(420, 300);
  BuildWindow();
  if (const QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());
  show();
}

TPlotForm::~TPlotForm() = default;

void TPlotForm::BuildWindow() {
  auto* ToolBar = new QToolBar(this);
  ToolBar->setIconSize(QSize(16, 16));
  ResetViewButton = AddToolButton(ToolBar, TPicture::ResetView, "Reset view");
  ScaleVerticallyButton = AddToolButton(ToolBar, TPicture::ScaleVertical, "Scale vertically");
  SaveSeriesButton = AddToolButton(ToolBar, TPicture::Export, "Save data series");
  SavePictureButton = AddToolButton(ToolBar, TPicture::SavePicture, "Save picture ...");
  AddVariableButton = AddToolButton(ToolBar, TPicture::AddVariable, "Add variable");
  ToolBar->addSeparator();
  SortCombo = new QComboBox(ToolBar);
  SortCombo->setEditable(true);
  SortCombo->setMinimumWidth(160);
  SortCombo->setToolTip(QStringLiteral("Enter or choose your Sort Criteria here"));
  ToolBar->addWidget(SortCombo);
  SortButton = AddToolButton(ToolBar, TPicture::Sort, "Apply sort criteria");
  TimeScalingCheck = new QCheckBox(QStringLiteral("Time-scaled"), ToolBar);
  ToolBar->addWidget(TimeScalingCheck);
  connect(ResetViewButton, &QToolButton::clicked, this, [this] { OnResetView(); });
  connect(ScaleVerticallyButton, &QToolButton::clicked, this, [this] { OnScaleVertically(); });
  connect(SaveSeriesButton, &QToolButton::clicked, this, [this] { RunGuarded(this, [this] { OnSaveSeries(); }); });
  connect(SortButton, &QToolButton::clicked, this, [this] { OnSort(); });
  connect(AddVariableButton, &QToolButton::clicked, this, [this] { OnAddVariable(); });
  connect(SavePictureButton, &QToolButton::clicked, this, [this] { OnSavePicture(); });
  SavePictureButton->setPopupMode(QToolButton::MenuButtonPopup);
  auto* PictureMenu = new QMenu(SavePictureButton);
  PictureMenu->addAction(QStringLiteral("Save picture at size ..."), this, [this] { OnSavePictureAtSize(); })
      ->setObjectName(QStringLiteral("SavePictureAtSizeAction"));
  SavePictureButton->setMenu(PictureMenu);
  connect(TimeScalingCheck, &QCheckBox::clicked, this, [this] { OnTimeScaling(); });

  PlotGroup = new QGroupBox(QStringLiteral("Plot"), this);
  StatisticsLabel = new QLabel(QStringLiteral("Statistics"), PlotGroup);
  StatisticsLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  MaxYEdit = LimitEdit(PlotGroup, this, 90);
  MinYEdit = LimitEdit(PlotGroup, this, 90);
  // Times in seconds take up to 15 digits.
  MinXEdit = LimitEdit(PlotGroup, this, 130);
  MaxXEdit = LimitEdit(PlotGroup, this, 130);
  MaxXEdit->setAlignment(Qt::AlignRight);
  for (QLineEdit* Edit : {MaxYEdit, MinYEdit, MinXEdit, MaxXEdit}) MarkTyping(Edit, Edit, Typed);
  MarkTyping(SortCombo->lineEdit(), SortCombo, Typed);
  PlotArea = new TPaintBox(this);
  PlotArea->setParent(PlotGroup);
  ValueAxis = new TAxisBox(PlotGroup, PlotArea, ValueLabels, true);
  BottomAxis = new TAxisBox(PlotGroup, PlotArea, BottomLabels, false);

  // The axes close up to the drawing area.
  auto* Grid = new QGridLayout(PlotGroup);
  Grid->setSpacing(0);
  Grid->addWidget(MaxYEdit, 0, 0, Qt::AlignTop);
  Grid->addWidget(StatisticsLabel, 1, 0);
  Grid->addWidget(MinYEdit, 2, 0, Qt::AlignBottom);
  Grid->addWidget(ValueAxis, 0, 1, 3, 1);
  Grid->addWidget(PlotArea, 0, 2, 3, 1);
  Grid->addWidget(BottomAxis, 3, 2);
  auto* Below = new QHBoxLayout;
  Below->addWidget(MinXEdit);
  Below->addStretch();
  Below->addWidget(MaxXEdit);
  Grid->addLayout(Below, 4, 2);
  Grid->setColumnStretch(2, 1);
  Grid->setRowStretch(1, 1);

  Legend = new QWidget(this);
  auto* Entries = new QHBoxLayout(Legend);
  Entries->setContentsMargins(4, 2, 4, 2);
  Entries->addStretch();
  Legend->hide();

  StatusBar = new QStatusBar(this);
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(ToolBar);
  Layout->addWidget(Legend);
  Layout->addWidget(PlotGroup, 1);
  Layout->addWidget(StatusBar);
  NameObjects({{ResetViewButton, "ResetViewButton"},
               {ScaleVerticallyButton, "ScaleVerticallyButton"},
               {SaveSeriesButton, "SaveSeriesButton"},
               {AddVariableButton, "AddVariableButton"},
               {SavePictureButton, "SavePictureButton"},
               {SortCombo, "SortCombo"},
               {SortButton, "SortButton"},
               {TimeScalingCheck, "TimeScalingCheck"},
               {PlotGroup, "PlotGroup"},
               {StatisticsLabel, "StatisticsLabel"},
               {MaxYEdit, "MaxYEdit"},
               {MinYEdit, "MinYEdit"},
               {MinXEdit, "MinXEdit"},
               {MaxXEdit, "MaxXEdit"},
               {PlotArea, "PlotArea"},
               {ValueAxis, "ValueAxis"},
               {BottomAxis, "BottomAxis"},
               {Legend, "Legend"},
               {StatusBar, "StatusBar"}});
}

void TPlotForm::SetProject(const TProject& NewProject, TWindowOwner& NewOwner) {
  Project = &NewProject;
  Owner = &NewOwner;
}

void TPlotForm::SetSeries(const QString& FrameName, const QString& VarName, const QString& SortVar) {
  Plot.SortVar = ToBytes(SortVar);
  SortCombo->setEditText(SortVar);
  Plot.FrameName = ToBytes(FrameName);
  Plot.VarName = ToBytes(VarName);
  setWindowTitle("Plot - " + FrameName + "." + VarName);
  PlotGroup->setTitle(FrameName + "." + VarName);
}

void TPlotForm::SetHolders(TData* DataA, TData* DataB) {
  Plot.DataA = DataA;
  Plot.DataB = DataB;
}

std::vector<std::int32_t> TPlotForm::RowsInUse() const {
  if (!Project || !Project->Definition) return {};
  return Plot.RowsInUse(*Project->Definition);
}

void TPlotForm::RefreshSeries() {
  const QScopedValueRollback Refresh(Refreshing, true);
  Rebuild();
}

void TPlotForm::Rebuild() {
  if (!Project || !Project->Definition) return;
  Plot.RefreshSeries(*Project->Definition);
  if (!Holds(SortCombo)) {
    SortCombo->clear();
    SortCombo->setEditText(FromBytes(Plot.SortVar));
  }
  if (Plot.UnknownSort) StatusBar->showMessage("Unknown sort criterion " + FromBytes(Plot.SortVar));
  Repaint();
}

bool TPlotForm::Holds(const QWidget* Field) const {
  if (Typed.count(Field)) return true;
  const QWidget* Focus = QApplication::focusWidget();
  return Refreshing && Focus && (Focus == Field || Field->isAncestorOf(Focus));
}

void TPlotForm::ForgetTyping(std::initializer_list<const QWidget*> Fields) {
  for (const QWidget* Field : Fields) Typed.erase(Field);
}

void TPlotForm::ResetView() {
  ForgetTyping({MinYEdit, MaxYEdit, MinXEdit, MaxXEdit});
  Plot.ResetView();
  Repaint();
}

void TPlotForm::AddVariable(const QString& FrameName, const QString& VarName) {
  if (!Project || !Project->Definition) return;
  if (!Plot.AddOverlay(*Project->Definition, ToBytes(FrameName), ToBytes(VarName))) {
    Dialogs().MessageDlg(
        this, QStringLiteral("A plot shows at most %1 variables; %2 was not added.").arg(MaxPlotSeries).arg(VarName),
        TDlgType::Warning, dbOK);
    return;
  }
  ShowLegend();
  Repaint();
  if (Owner) Owner->PlotVariableAdded(*this, FrameName + "." + VarName);
}

void TPlotForm::OnAddVariable() {
  if (!Project || !Project->Definition) return;
  QDialog Dialog(this);
  Dialog.setWindowTitle(QStringLiteral("Add variable"));
  auto* Names = new QComboBox(&Dialog);
  Names->setEditable(true);
  for (const std::string& Name : Project->VariableNames()) Names->addItem(FromBytes(Name));
  auto* Layout = new QVBoxLayout(&Dialog);
  Layout->addWidget(new QLabel(QStringLiteral("Variable to draw in this plot:"), &Dialog));
  Layout->addWidget(Names);
  Layout->addWidget(OkCancel(Dialog));
  if (Dialogs().Execute(Dialog) != QDialog::Accepted) return;
  const QString Name = Names->currentText().trimmed();
  const std::string Frame = FrameOfVariable(*Project->Definition, ToBytes(Name));
  if (Frame.empty()) {
    Dialogs().MessageDlg(this, "'" + Name + "' is not a variable of the project.", TDlgType::Warning, dbOK);
    return;
  }
  AddVariable(FromBytes(Frame), Name);
}

void TPlotForm::ShowLegend() {
  qDeleteAll(Legend->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly));
  for (std::size_t K = 0; K < Plot.SeriesCount(); ++K) {
    auto* Entry = new QToolButton(Legend);
    Entry->setText(FromBytes(Plot.SeriesAt(K).VarName));
    Entry->setToolTip(QStringLiteral("Read-out and statistics of this variable"));
    connect(Entry, &QToolButton::clicked, this, [this, K] { ChooseSeries(K); });
    static_cast<QHBoxLayout*>(Legend->layout())->insertWidget(static_cast<int>(K), Entry);
  }
  MarkChosen();
  Legend->setVisible(Plot.SeriesCount() > 1);
}

void TPlotForm::MarkChosen() {
  const QList<QToolButton*> Entries = Legend->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly);
  for (qsizetype K = 0; K < Entries.size(); ++K) {
    const bool Chosen = static_cast<std::size_t>(K) == Plot.Chosen;
    Entries[K]->setStyleSheet(QStringLiteral("QToolButton { color: %1; background: %2; font-weight: %3; "
                                             "border: 2px solid %1; padding: 1px 6px; }")
                                  .arg(SeriesColours[K].name(),
                                       Chosen ? QStringLiteral("#404040") : QStringLiteral("black"),
                                       Chosen ? QStringLiteral("bold") : QStringLiteral("normal")));
  }
}

void TPlotForm::ChooseSeries(std::size_t K) {
  Plot.Chosen = std::min(K, Plot.SeriesCount() - 1);
  MarkChosen();
  Redraw = true;
  Repaint();
}

void TPlotForm::OnSavePictureAtSize() {
  QDialog Dialog(this);
  Dialog.setWindowTitle(QStringLiteral("Picture size"));
  const auto Pixels = [&Dialog](int Value) {
    auto* Box = new QSpinBox(&Dialog);
    Box->setRange(40, 10000);
    Box->setValue(Value);
    return Box;
  };
  QSpinBox* Width = Pixels(AreaWidth());
  QSpinBox* Height = Pixels(AreaHeight());
  auto* Layout = new QFormLayout(&Dialog);
  Layout->addRow(QStringLiteral("Width (pixels):"), Width);
  Layout->addRow(QStringLiteral("Height (pixels):"), Height);
  Layout->addRow(OkCancel(Dialog));
  if (Dialogs().Execute(Dialog) == QDialog::Accepted) OnSavePicture(QSize(Width->value(), Height->value()));
}

void TPlotForm::OnSavePicture(QSize Size) {
  TFileDialogOptions Options;
  Options.Filter = QStringLiteral("PNG pictures|*.png|SVG pictures|*.svg");
  Options.DefaultExt = QStringLiteral("png");
  const QString Chosen = Dialogs().SaveFileName(this, Options);
  if (!Chosen.isEmpty() && !SavePicture(Chosen, Size.isEmpty() ? PlotArea->size() : Size))
    Dialogs().MessageDlg(this, "Cannot write " + Chosen + ".", TDlgType::Error, dbOK);
}

bool TPlotForm::SavePicture(const QString& Path, QSize Size) {
  const TPlotPicture Picture = Draw(Size.width(), Size.height());
  // The legend goes into the picture, as it has no widget there.
  const auto PaintAll = [&](QPainter& Painter) {
    Painter.fillRect(QRect(QPoint(), Size), Qt::black);
    PaintPicture(Painter, Picture, Size.width());
    for (std::size_t K = 0; Plot.SeriesCount() > 1 && K < Plot.SeriesCount(); ++K) {
      Painter.setPen(SeriesColours[K]);
      Painter.drawText(6, 6 + static_cast<int>(K + 1) * Painter.fontMetrics().height(),
                       FromBytes(Plot.SeriesAt(K).VarName));
    }
  };
  if (Path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator Svg;
    Svg.setFileName(Path);
    Svg.setSize(Size);
    Svg.setViewBox(QRect(QPoint(), Size));
    Svg.setTitle(windowTitle());
    QPainter Painter;
    if (!Painter.begin(&Svg)) return false;
    PaintAll(Painter);
    return Painter.end();
  }
  QImage Image(Size, QImage::Format_RGB32);
  QPainter Painter(&Image);
  PaintAll(Painter);
  Painter.end();
  return Image.save(Path, "PNG");
}

TPlotPicture TPlotForm::Draw(int Width, int Height) {
  const std::vector<TLevel> Levels = Project ? PlotLevels(Project->Settings.Alarms, Plot) : std::vector<TLevel>{};
  return DrawPlot(Plot, Width, Height, Project ? Project->StartTime : 0, Levels);
}

void TPlotForm::OnResetView() { ResetView(); }

void TPlotForm::OnScaleVertically() {
  ForgetTyping({MinYEdit, MaxYEdit});
  Plot.ScaleVertical();
  Repaint();
}

void TPlotForm::OnSort() {
  Plot.SortVar = ToBytes(SortCombo->currentText());
  Typed.erase(SortCombo);
  StatusBar->clearMessage();
  Rebuild();
}

void TPlotForm::OnTimeScaling() {
  ForgetTyping({MinYEdit, MaxYEdit, MinXEdit, MaxXEdit});
  Plot.SwitchTimeMode(TimeScalingCheck->isChecked());
  Repaint();
}

void TPlotForm::OnSaveSeries() {
  TFileDialogOptions Options;
  Options.Filter = QStringLiteral("Text files|*.txt");
  const QString Chosen = Dialogs().SaveFileName(this, Options);
  if (Chosen.isEmpty()) return;
  TAtomicFile File(ToBytes(Chosen) + ".txt");
  Plot.WriteSeries(File.Stream());
  File.Commit();
}

void TPlotForm::OnLimitEnter(QLineEdit* Sender) {
  const TLimitEdit Edit = Sender == MinYEdit   ? TLimitEdit::MinY
                          : Sender == MaxYEdit ? TLimitEdit::MaxY
                          : Sender == MinXEdit ? TLimitEdit::MinX
                                               : TLimitEdit::MaxX;
  // A text that is no number ends the handler at its notice; the edit keeps the text.
  bool Applied = false;
  RunGuarded(this, [&] {
    Plot.ApplyLimit(Edit, ToBytes(Sender->text()));
    Applied = true;
  });
  if (!Applied) return;
  Typed.erase(Sender);
  Repaint();
}

int TPlotForm::AreaWidth() const { return PlotArea->width(); }
int TPlotForm::AreaHeight() const { return PlotArea->height(); }

void TPlotForm::Repaint() { PlotArea->repaint(); }

void TPlotForm::ShowText(QLineEdit* Edit, const std::string& Text) {
  if (!Holds(Edit)) Edit->setText(FromBytes(Text));
}

void TPlotForm::ShowTexts(const TPlotPicture& Picture) {
  ShowText(MinXEdit, Picture.LabelMinX);
  ShowText(MaxXEdit, Picture.LabelMaxX);
  ShowText(MinYEdit, Picture.EditMinY);
  ShowText(MaxYEdit, Picture.EditMaxY);
  StatisticsLabel->setText(FromBytes(Picture.StatText).replace(QLatin1Char('\r'), QLatin1Char('\n')));
  ValueLabels = Picture.ValueLabels;
  BottomLabels = Picture.BottomLabels;
  ValueAxis->update();
  BottomAxis->update();
}

void TPlotForm::RenderCache(const TPlotPicture& Picture) {
  Cache = QImage(AreaWidth(), AreaHeight(), QImage::Format_RGB32);
  Cache.fill(Qt::black);
  QPainter Painter(&Cache);
  PaintPicture(Painter, Picture, Cache.width());
}

void TPlotForm::PaintPlotArea(QPainter& Painter) {
  if (Redraw) {
    CursorLineX = -1;
    const TPlotPicture Picture = Draw(AreaWidth(), AreaHeight());
    if (!Picture.Drawn) {
      Painter.fillRect(PlotArea->rect(), Qt::black);
      return;
    }
    RenderCache(Picture);
    ShowTexts(Picture);
  }
  if (Cache.isNull()) {
    Painter.fillRect(PlotArea->rect(), Qt::black);
    return;
  }
  if (CursorLineX < 0 && !BandShown) {
    Painter.drawImage(0, 0, Cache);
    return;
  }
  QImage Frame = Cache.copy();
  QPainter Over(&Frame);
  if (CursorLineX >= 0) {
    Over.setPen(Yellow);
    Over.drawLine(CursorLineX, 0, CursorLineX, Frame.height());
  }
  if (BandShown) {
    // Inverts every pixel of the band over the full height.
    Over.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    const int Left = std::min(BandFromX, BandToX), Right = std::max(BandFromX, BandToX);
    Over.fillRect(QRect(Left, 0, Right - Left + 1, Frame.height()), Qt::white);
  }
  Over.end();
  Painter.drawImage(0, 0, Frame);
}

void TPlotForm::OnAreaMouseDown(int X) {
  if (SkipMouseDown) {
    SkipMouseDown = false;
    return;
  }
  Dragging = true;
  Redraw = false;
  Drag.From = CursorPos;
  Drag.FromX = X;
}

void TPlotForm::OnAreaMouseMove(int X) {
  const int W = AreaWidth();
  int BandTo = 0;
  const TPlotSeries& Shown = Plot.ChosenSeries();
  if (Plot.TimeMode) {
    // Without points there is nothing to read out.
    if (Shown.TimeSeries.empty()) return;
    const std::int32_t I = Shown.PixelToIndex(X, W);
    const TPlotPoint& Point = Shown.TimeSeries[static_cast<std::size_t>(I)];
    const double StartTime = Project ? Project->StartTime : 0;
    StatusBar->showMessage(QString::number(I) + " / " + QString::number(Point.SerialNo) + ": " +
                           FromBytes(GeneralFloatText(Point.Value)) + " @ " + FromBytes(GeneralFloatText(Point.Time)) +
                           "s; + Offset Time: " + FromBytes(DateTimeText(StartTime + Point.Time / 86400)));
    Redraw = false;
    CursorLineX = Plot.TimeToPixel(Point.Time, W);
    Repaint();
    CursorPos = X;
    if (!Dragging) Redraw = true;
    BandTo = X;
  } else {
    if (Plot.ViewEnd <= Plot.ViewStart) return;
    const double Ppx = Plot.IndexPixels(W);
    const std::int64_t I = Plot.PixelToSeriesIndex(X, Ppx);
    if (I == CursorPos || I < 0 || I >= static_cast<std::int64_t>(Shown.Series.size())) return;
    CursorPos = static_cast<std::int32_t>(I);
    const TPlotPoint& Point = Shown.Series[static_cast<std::size_t>(I)];
    StatusBar->showMessage(QString::number(I) + " / " + QString::number(Point.SerialNo) + ": " +
                           FromBytes(GeneralFloatText(Point.Value)));
    BandFromX = Plot.IndexToPixel(Drag.From, Ppx);
    BandTo = Plot.IndexToPixel(I, Ppx);
  }
  if (!Dragging) return;
  Drag.ToX = X;
  // The band goes over the cached picture alone: the cursor line is gone.
  CursorLineX = -1;
  if (Plot.TimeMode) BandFromX = Drag.FromX;
  BandToX = BandTo;
  BandShown = true;
  Repaint();
}

void TPlotForm::OnAreaMouseUp(int X) {
  Dragging = false;
  Redraw = true;
  BandShown = false;
  Drag.To = CursorPos;
  Drag.ToX = X;
  if (!Plot.ApplyZoom(Drag, AreaWidth())) return;
  ForgetTyping({MinXEdit, MaxXEdit});
  Repaint();
}

void TPlotForm::OnAreaDoubleClick() {
  SkipMouseDown = true;
  if (!Owner) return;
  const TPlotSeries& Shown = Plot.ChosenSeries();
  std::int64_t SerialNo = 0;
  if (Plot.TimeMode) {
    if (Shown.TimeSeries.empty()) return;
    SerialNo = Shown.TimeSeries[static_cast<std::size_t>(Shown.PixelToIndex(CursorPos, AreaWidth()))].SerialNo;
  } else {
    if (CursorPos < 0 || static_cast<std::size_t>(CursorPos) >= Shown.Series.size()) return;
    SerialNo = Shown.Series[static_cast<std::size_t>(CursorPos)].SerialNo;
  }
  Owner->OpenBrowserAt(SerialNo);
}

bool TPlotForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Event->type() == QEvent::KeyPress) {
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    auto* Edit = qobject_cast<QLineEdit*>(Watched);
    if (Edit && (Key == Qt::Key_Return || Key == Qt::Key_Enter)) {
      OnLimitEnter(Edit);
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}
