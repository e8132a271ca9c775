#include <QApplication>
#include <QBackingStore>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <QXmlStreamReader>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <utility>

#include "GuiFixture.h"
#include "browser/BrowserForm.h"
#include "common/DateTime.h"
#include "common/FloatText.h"
#include "plot/PlotForm.h"

namespace {

class PlotForm : public TGuiTest {
 protected:
  void SetUp() override {
    TGuiTest::SetUp();
    Makers = {[] { return new TBrowserForm; }, [] { return new TPlotForm; }};
  }

  TProjectForm* LoadedProject(int Frames) {
    TProjectForm* Project = NewProject(PacketFile("a.dat", Frames));
    Click(Project, "LoadButton");
    WaitForPasses();
    return Project;
  }

  // A plot of the first housekeeping temperature, opened from the project's list.
  static TPlotForm* OpenTemperature(TProjectForm* Project, const QString& SortVar = QString()) {
    QWidget Requester;
    auto* Plot = dynamic_cast<TPlotForm*>(Project->OpenPlot(&Requester, "HKFrame", "HK_TEMP1", SortVar));
    EXPECT_NE(Plot, nullptr);
    // Shown and laid out.
    ProcessPendingEvents();
    return Plot;
  }

  // Enter in a limit edit, as the user presses it.
  static void PressEnter(QLineEdit* Edit) {
    QKeyEvent Press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(Edit, &Press);
  }

  static void Enter(QLineEdit* Edit, const QString& Text) {
    Edit->setText(Text);
    PressEnter(Edit);
  }

  // Clicks the Time-scaled box into that state.
  static void SetTimeScaling(TPlotForm* Plot, bool On) {
    auto* Box = Child<QCheckBox>(Plot, "TimeScalingCheck");
    Box->setChecked(!On);
    Box->click();
  }

  static QWidget* Area(TPlotForm* Plot) { return Child<QWidget>(Plot, "PlotArea"); }

  // The mouse at X of the drawing area.
  static void Mouse(TPlotForm* Plot, QEvent::Type Type, int X) { SendMouse(Area(Plot), Type, QPoint(X, 5)); }
  static void MoveTo(TPlotForm* Plot, int X) { Mouse(Plot, QEvent::MouseMove, X); }
  // A double click at X as the user makes it, the button released after it.
  static void DoubleClick(TPlotForm* Plot, int X) {
    Mouse(Plot, QEvent::MouseButtonDblClick, X);
    Mouse(Plot, QEvent::MouseButtonRelease, X);
  }

  // The drawing area painted anew.
  static QImage Picture(TPlotForm* Plot) { return Area(Plot)->grab().toImage(); }
  // What the drawing area shows now, without painting it again.
  static QImage Shown(TPlotForm* Plot) {
    const QPaintDevice* Screen = Plot->backingStore()->paintDevice();
    EXPECT_EQ(Screen->devType(), QInternal::Image);
    return static_cast<const QImage*>(Screen)->copy(QRect(Area(Plot)->mapTo(Plot, QPoint()), Area(Plot)->size()));
  }
  static QString StatusText(TPlotForm* Plot) { return Child<QStatusBar>(Plot, "StatusBar")->currentMessage(); }

  // Types Text over the whole content of Edit, key by key.
  static void Type(QLineEdit* Edit, const QString& Text) {
    Edit->selectAll();
    for (const QChar C : Text) {
      QKeyEvent Key(QEvent::KeyPress, C.toUpper().unicode(), Qt::NoModifier, QString(C));
      QApplication::sendEvent(Edit, &Key);
    }
  }

  // Appends BaseFrames 40 to 45 of the generator's run to a.dat and reads them.
  void AppendSixBaseFrames(TProjectForm* Project) {
    TSimGenerator Generator(1);
    for (int I = 0; I < 40; ++I) Generator.NextBaseFrame();
    for (int I = 0; I < 6; ++I) Temp.Append("a.dat", Generator.NextBaseFrame());
    Project->Model().DataA->UpdateFromFile();
  }

  // Runs Hook once at the next message dialog, as events would while it shows.
  class THookedDialogs : public TScriptedDialogs {
   public:
    std::function<void()> Hook;
    int MessageDlg(QWidget* Parent, const QString& Text, TDlgType Type, int Buttons) override {
      if (Hook) std::exchange(Hook, nullptr)();
      return TScriptedDialogs::MessageDlg(Parent, Text, Type, Buttons);
    }
  };

  // A time-mode plot of the temperature, scaled to its points.
  static TPlotForm* TimeScaledTemperature(TProjectForm* Project) {
    TPlotForm* Plot = OpenTemperature(Project);
    SetTimeScaling(Plot, true);
    Click(Plot, "ScaleVerticallyButton");
    return Plot;
  }
};

TEST_F(PlotForm, OpensWithTheVariableOfEveryHousekeepingBaseFrameInView) {
  TProjectForm* Project = LoadedProject(20);
  TPlotForm* Plot = OpenTemperature(Project);
  EXPECT_EQ(Plot->windowTitle(), "Plot - HKFrame.HK_TEMP1");
  EXPECT_EQ(Child<QGroupBox>(Plot, "PlotGroup")->title(), "HKFrame.HK_TEMP1");
  ASSERT_EQ(Plot->Model().Series.size(), 10u);
  EXPECT_EQ(Plot->Model().ViewStart, 0);
  EXPECT_EQ(Plot->Model().ViewEnd, 10);
  Picture(Plot);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MinXEdit")->text(), "0");
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text(), "9");
  // The window tests use ',' as decimal separator.
  EXPECT_EQ(Child<QLineEdit>(Plot, "MinYEdit")->text().toStdString(), LimitText(Plot->Model().YMin));
  EXPECT_NE(Child<QLineEdit>(Plot, "MinYEdit")->text().indexOf(','), -1);
  EXPECT_EQ(Child<QLabel>(Plot, "StatisticsLabel")->text().toStdString(),
            QString::fromStdString(StatisticsText(Statistics(Plot->Model().Series))).replace('\r', '\n').toStdString());
  EXPECT_EQ(Child<QLabel>(Project, "PlotCountLabel")->text(), "1 Open Plots");
}

TEST_F(PlotForm, DrawsTheGridTheZeroLineAndTheSeriesWhereTheFormulasPutThem) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  const int W = Area(Plot)->width(), H = Area(Plot)->height();
  // A range with zero and the values inside, at least 10 pixels per unit.
  const int Top = static_cast<int>(std::ceil(Plot->Model().YMax));
  ASSERT_GE(H / (Top + 4), 10);
  Enter(Child<QLineEdit>(Plot, "MinYEdit"), "-4");
  Enter(Child<QLineEdit>(Plot, "MaxYEdit"), QString::number(Top));
  const QImage Image = Picture(Plot);
  ASSERT_EQ(Image.width(), W);
  const QColor Silver(192, 192, 192), Lime(0, 255, 0);
  const int Zero = Plot->Model().ValueToPixel(0, H);
  ASSERT_GT(Zero, 0);
  ASSERT_LT(Zero, H);
  // Away from the trace: the zero line is two rows thick, other whole numbers one.
  const int Free = W - 3;
  EXPECT_EQ(Image.pixelColor(Free, Zero), Silver);
  EXPECT_EQ(Image.pixelColor(Free, Zero + 1), Silver);
  EXPECT_EQ(Image.pixelColor(Free, Plot->Model().ValueToPixel(-3, H)), Silver);
  EXPECT_EQ(Image.pixelColor(Free, Plot->Model().ValueToPixel(-3, H) + 2), QColor(Qt::black));
  // Every point of the series is lime where it lands inside the area.
  const double Px = W / 9.0;
  int Checked = 0;
  for (int I = 0; I < 10; ++I) {
    const int X = static_cast<int>(std::nearbyint(I * Px)),
              Y = Plot->Model().ValueToPixel(Plot->Model().Series[I].Value, H);
    if (X >= W || Y < 0 || Y >= H) continue;
    EXPECT_EQ(Image.pixelColor(X, Y), Lime) << "point " << I;
    ++Checked;
  }
  EXPECT_GT(Checked, 3);
  // Vertical grid lines stand at every point step (more than 10 pixels apart).
  EXPECT_EQ(Image.pixelColor(static_cast<int>(std::nearbyint(4 * Px)), 1), Silver);
}

TEST_F(PlotForm, TheAxisBandsRunAlongTheAreaAndShowItsLabels) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  Picture(Plot);
  EXPECT_EQ(Child<QWidget>(Plot, "ValueAxis")->y(), Child<QWidget>(Plot, "PlotArea")->y());
  EXPECT_EQ(Child<QWidget>(Plot, "ValueAxis")->height(), Area(Plot)->height());
  EXPECT_EQ(Child<QWidget>(Plot, "BottomAxis")->x(), Child<QWidget>(Plot, "PlotArea")->x());
  EXPECT_EQ(Child<QWidget>(Plot, "BottomAxis")->width(), Area(Plot)->width());
  // Each label's tick stands at its pixel of the area, on the side facing it.
  const auto Ticks = [](QWidget* Axis, const std::vector<TAxisLabel>& Labels, bool Vertical) {
    const QImage Image = Axis->grab().toImage();
    const QColor Ink = Axis->palette().color(QPalette::WindowText);
    std::vector<int> Drawn;
    for (const TAxisLabel& Label : Labels) {
      const QPoint Tick = Vertical ? QPoint(Image.width() - 1, Label.Position) : QPoint(Label.Position, 0);
      if (Image.pixelColor(Tick) == Ink) Drawn.push_back(Label.Position);
    }
    return Drawn;
  };
  const std::vector<TAxisLabel> Values = ValueLabels(Plot->Model(), Area(Plot)->height());
  const std::vector<TAxisLabel> Indices = BottomLabels(Plot->Model(), Area(Plot)->width(), 0);
  ASSERT_GT(Values.size(), 2u);
  ASSERT_FALSE(Indices.empty());
  EXPECT_EQ(Ticks(Child<QWidget>(Plot, "ValueAxis"), Values, true).size(), Values.size());
  EXPECT_EQ(Ticks(Child<QWidget>(Plot, "BottomAxis"), Indices, false).size(), Indices.size());
  // Between two labels the side is blank.
  const int Between = (Values[0].Position + Values[1].Position) / 2;
  EXPECT_TRUE(Ticks(Child<QWidget>(Plot, "ValueAxis"), {{Between, "", ""}}, true).empty());
}

TEST_F(PlotForm, DraggingInvertsABandAndZoomsToIt) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(40));
  const QImage Before = Picture(Plot);
  const double Px = Area(Plot)->width() / 19.0;
  const int From = static_cast<int>(5 * Px), To = static_cast<int>(12 * Px);
  MoveTo(Plot, From);
  EXPECT_EQ(StatusText(Plot).toStdString(), "5 / " + std::to_string(Plot->Model().Series[5].SerialNo) + ": " +
                                                GeneralFloatText(Plot->Model().Series[5].Value));
  Mouse(Plot, QEvent::MouseButtonPress, From);
  MoveTo(Plot, To);
  const QImage During = Picture(Plot);
  // Inside the band every pixel is the inverse of the picture before.
  const int Inside = (From + To) / 2;
  for (int Y = 0; Y < During.height(); Y += 7)
    EXPECT_EQ(During.pixel(Inside, Y) & 0xFFFFFF, ~Before.pixel(Inside, Y) & 0xFFFFFF) << Y;
  EXPECT_EQ(During.pixel(To + 3, 5), Before.pixel(To + 3, 5));
  Mouse(Plot, QEvent::MouseButtonRelease, To);
  EXPECT_EQ(Plot->Model().ViewStart, 5);
  EXPECT_EQ(Plot->Model().ViewEnd, 13);
  Picture(Plot);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MinXEdit")->text(), "5");
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text(), "12");
}

TEST_F(PlotForm, NewBaseFramesKeepTheViewWidthOnTheNewestPoints) {
  TProjectForm* Project = LoadedProject(40);
  TPlotForm* Plot = OpenTemperature(Project);
  Enter(Child<QLineEdit>(Plot, "MinXEdit"), "10");
  Enter(Child<QLineEdit>(Plot, "MaxXEdit"), "14");
  EXPECT_EQ(Plot->Model().ViewStart, 10);
  EXPECT_EQ(Plot->Model().ViewEnd, 15);
  AppendSixBaseFrames(Project);
  EXPECT_EQ(Plot->Model().Series.size(), 23u);
  EXPECT_EQ(Plot->Model().ViewStart, 18);
  EXPECT_EQ(Plot->Model().ViewEnd, 23);
}

TEST_F(PlotForm, ATimeScaledPlotFollowsNewBaseFramesWhileARefreshLeavesWhatTheUserTypes) {
  TProjectForm* Project = LoadedProject(40);
  TPlotForm* Plot = TimeScaledTemperature(Project);
  Type(Child<QLineEdit>(Plot, "MaxYEdit"), "40");
  Type(Child<QComboBox>(Plot, "SortCombo")->lineEdit(), "HK_TEMP2");
  Plot->activateWindow();
  Child<QLineEdit>(Plot, "MinYEdit")->setFocus();
  ASSERT_TRUE(Child<QLineEdit>(Plot, "MinYEdit")->hasFocus());
  const QString MinY = Child<QLineEdit>(Plot, "MinYEdit")->text();
  // The offscreen platform activates every window shown, the progress window
  // too: the pass runs without it, so that the plot keeps the focus.
  TLoadProgress* Shown = SetLoadProgress(nullptr);
  AppendSixBaseFrames(Project);
  SetLoadProgress(Shown);
  ASSERT_EQ(Plot->Model().TimeSeries.size(), 23u);
  EXPECT_EQ(Plot->Model().XMax, Plot->Model().TimeSeries.back().Time);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text().toStdString(), GeneralFloatText(Plot->Model().XMax));
  ASSERT_NE(MinY.toStdString(), LimitText(Plot->Model().YMin));
  EXPECT_EQ(Child<QLineEdit>(Plot, "MinYEdit")->text(), MinY);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxYEdit")->text(), "40");
  EXPECT_EQ(Child<QComboBox>(Plot, "SortCombo")->currentText(), "HK_TEMP2");

  // Enter takes the typed limit; Scale vertically resets the value edits, the focused one too.
  PressEnter(Child<QLineEdit>(Plot, "MaxYEdit"));
  EXPECT_EQ(Plot->Model().YMax, 40);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxYEdit")->text(), "40,000");
  Type(Child<QLineEdit>(Plot, "MaxYEdit"), "50");
  Click(Plot, "ScaleVerticallyButton");
  EXPECT_EQ(Child<QLineEdit>(Plot, "MinYEdit")->text().toStdString(), LimitText(Plot->Model().YMin));
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxYEdit")->text().toStdString(), LimitText(Plot->Model().YMax));
}

TEST_F(PlotForm, TypedLimitsThatAreNoNumbersGetTheConversionError) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  const double YMax = Plot->Model().YMax;
  Enter(Child<QLineEdit>(Plot, "MaxYEdit"), "warm");
  EXPECT_EQ(Dialogs.Texts().back(), "'warm' is not a valid floating point value");
  Enter(Child<QLineEdit>(Plot, "MaxXEdit"), "2,5");
  EXPECT_EQ(Dialogs.Texts().back(), "'2,5' is not a valid integer value");
  EXPECT_EQ(Plot->Model().YMax, YMax);
  // The error ends the handler before its repaint: the edits keep what was typed.
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxYEdit")->text().toStdString(), "warm");
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text().toStdString(), "2,5");
  // A number outside its condition is ignored, and the repaint rewrites the edit.
  Enter(Child<QLineEdit>(Plot, "MaxYEdit"), QString::fromStdString(LimitText(Plot->Model().YMin - 1)));
  EXPECT_EQ(Plot->Model().YMax, YMax);
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxYEdit")->text().toStdString(), LimitText(YMax));
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text(), "9");
}

TEST_F(PlotForm, APlotBlankedWithItsProjectDuringTheErrorNoticeOfALimitIsLeftAlone) {
  TProjectForm* Project = LoadedProject(20);
  const QPointer<TPlotForm> Plot = OpenTemperature(Project);
  THookedDialogs Hooked;
  Hooked.Hook = [Project] { Project->Model().Unload(); };
  Child<QLineEdit>(Plot, "MaxYEdit")->setText("warm");
  QKeyEvent Enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(Child<QLineEdit>(Plot, "MaxYEdit"), &Enter);
  EXPECT_EQ(Hooked.Texts().back(), "'warm' is not a valid floating point value");
  EXPECT_TRUE(Plot.isNull());
  EXPECT_TRUE(Project->Model().Plots.empty());
}

TEST_F(PlotForm, TimeModeReadsOutTheOffsetTimeAndDrawsTheCursorLine) {
  TProjectForm* Project = LoadedProject(20);
  TPlotForm* Plot = TimeScaledTemperature(Project);
  ASSERT_EQ(Plot->Model().TimeSeries.size(), 10u);
  EXPECT_TRUE(std::is_sorted(Plot->Model().TimeSeries.begin(), Plot->Model().TimeSeries.end(),
                             [](const TPlotPoint& A, const TPlotPoint& B) { return A.Time < B.Time; }));
  // The time range is the one of the points.
  EXPECT_EQ(Plot->Model().XMin, Plot->Model().TimeSeries.front().Time);
  EXPECT_EQ(Plot->Model().XMax, Plot->Model().TimeSeries.back().Time);
  const int W = Area(Plot)->width();
  const int X = Plot->Model().TimeToPixel(Plot->Model().TimeSeries[3].Time, W);
  MoveTo(Plot, X);
  const TPlotPoint Point = Plot->Model().TimeSeries[3];
  EXPECT_EQ(StatusText(Plot).toStdString(),
            "3 / " + std::to_string(Point.SerialNo) + ": " + GeneralFloatText(Point.Value) + " @ " +
                GeneralFloatText(Point.Time) +
                "s; + Offset Time: " + DateTimeText(Project->Model().StartTime + Point.Time / 86400));
  // The cursor line stands over the point until the next painting draws the picture afresh.
  const QColor Yellow(255, 255, 0);
  EXPECT_EQ(Shown(Plot).pixelColor(X, 1), Yellow);
  EXPECT_NE(Picture(Plot).pixelColor(X, 1), Yellow);
  // A double click opens a browser on the point under the mouse.
  DoubleClick(Plot, X);
  ASSERT_EQ(Project->Model().Browsers.size(), 1u);
  EXPECT_EQ(FocusedNode(dynamic_cast<TBrowserForm*>(Project->Model().Browsers.front()))->SerialNo, Point.SerialNo);

  // Switching time mode off resets the view to every point.
  SetTimeScaling(Plot, false);
  EXPECT_EQ(Plot->Model().ViewStart, 0);
  EXPECT_EQ(Plot->Model().ViewEnd, 10);
}

TEST_F(PlotForm, ADoubleClickOpensABrowserOnThePointsNode) {
  TProjectForm* Project = LoadedProject(20);
  TPlotForm* Plot = OpenTemperature(Project);
  const double Px = Area(Plot)->width() / 9.0;
  const QImage Before = Picture(Plot);
  MoveTo(Plot, static_cast<int>(std::nearbyint(6 * Px)));
  Mouse(Plot, QEvent::MouseButtonDblClick, static_cast<int>(std::nearbyint(6 * Px)));
  ASSERT_EQ(Project->Model().Browsers.size(), 1u);
  auto* Browser = dynamic_cast<TBrowserForm*>(Project->Model().Browsers.front());
  ASSERT_NE(FocusedNode(Browser), nullptr);
  EXPECT_EQ(FocusedNode(Browser)->SerialNo, Plot->Model().Series[6].SerialNo);
  // The press that belongs to the double click starts no drag: moving on shows no band.
  MoveTo(Plot, static_cast<int>(std::nearbyint(2 * Px)));
  EXPECT_EQ(Picture(Plot), Before);
  Mouse(Plot, QEvent::MouseButtonRelease, static_cast<int>(std::nearbyint(2 * Px)));
}

TEST_F(PlotForm, TheSortCriterionOrdersThePointsAndSavingWritesThemAll) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  // A criterion that names no variable is reported.
  Child<QComboBox>(Plot, "SortCombo")->setEditText("NO_SUCH");
  Click(Plot, "SortButton");
  EXPECT_EQ(StatusText(Plot), "Unknown sort criterion NO_SUCH");

  Child<QComboBox>(Plot, "SortCombo")->setEditText("HK_TEMP1");
  Click(Plot, "SortButton");
  EXPECT_EQ(Plot->Model().SortVar, "HK_TEMP1");
  EXPECT_EQ(StatusText(Plot), "");
  std::vector<double> Values;
  for (const TPlotPoint& Point : Plot->Model().Series) Values.push_back(Point.Value);
  EXPECT_TRUE(std::is_sorted(Values.begin(), Values.end()));

  const std::string File = Temp.File("series");
  Dialogs.Files = {QString::fromStdString(File)};
  Click(Plot, "SaveSeriesButton");
  EXPECT_EQ(Dialogs.FileDialogs.back().Filter, "Text files|*.txt");
  std::ostringstream Expected;
  Plot->Model().WriteSeries(Expected);
  std::ifstream Written(File + ".txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(Written), {}), Expected.str());
}

TEST_F(PlotForm, AVariableThatOccursNowhereLeavesTheAreaBlack) {
  TProjectForm* Project = LoadedProject(6);
  QWidget Requester;
  auto* Plot = dynamic_cast<TPlotForm*>(Project->OpenPlot(&Requester, "HKFrame", "NO_SUCH", ""));
  ASSERT_NE(Plot, nullptr);
  const QImage Image = Picture(Plot);
  EXPECT_EQ(Image.pixelColor(Image.width() / 2, Image.height() / 2), QColor(Qt::black));
  EXPECT_EQ(Child<QLineEdit>(Plot, "MaxXEdit")->text(), "0");
  MoveTo(Plot, 10);
  DoubleClick(Plot, 10);
  SetTimeScaling(Plot, true);
  MoveTo(Plot, 10);
  DoubleClick(Plot, 10);
  EXPECT_TRUE(Project->Model().Browsers.empty());
  EXPECT_EQ(StatusText(Plot), "");
}

TEST_F(PlotForm, DraggingInTimeModeShowsTheBandOverTheCachedPictureWithoutTheCursorLine) {
  TPlotForm* Plot = TimeScaledTemperature(LoadedProject(20));
  const int W = Area(Plot)->width();
  const int X3 = Plot->Model().TimeToPixel(Plot->Model().TimeSeries[3].Time, W);
  const int X4 = Plot->Model().TimeToPixel(Plot->Model().TimeSeries[4].Time, W);
  ASSERT_GT(X4 - X3, 6);
  const QImage Before = Picture(Plot);
  MoveTo(Plot, X3);
  Mouse(Plot, QEvent::MouseButtonPress, X3);
  // Point 4 is nearest: its cursor line would stand just right of the band.
  const int To = X4 - 2;
  MoveTo(Plot, To);
  EXPECT_EQ(Plot->Model().PixelToIndex(To, W), 4);
  const QImage During = Picture(Plot);
  for (int Y = 0; Y < During.height(); Y += 5) {
    EXPECT_EQ(During.pixel(X4, Y), Before.pixel(X4, Y)) << Y;
    EXPECT_EQ(During.pixel((X3 + To) / 2, Y) & 0xFFFFFF, ~Before.pixel((X3 + To) / 2, Y) & 0xFFFFFF) << Y;
  }
  const double FromTime = Plot->Model().PixelToTime(X3, W), ToTime = Plot->Model().PixelToTime(To, W);
  Mouse(Plot, QEvent::MouseButtonRelease, To);
  EXPECT_EQ(Plot->Model().XMin, FromTime);
  EXPECT_EQ(Plot->Model().XMax, ToTime);
}

TEST_F(PlotForm, ABandFromATypedStartFarBeforeTheSeriesIsMeasuredInFullRange) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  Enter(Child<QLineEdit>(Plot, "MinXEdit"), "-2147483648");
  ASSERT_EQ(Plot->Model().ViewStart, std::numeric_limits<std::int32_t>::min());
  // No point was under the mouse yet: the drag starts from point 0.
  ASSERT_EQ(StatusText(Plot), "");
  const int W = Area(Plot)->width();
  const QImage Before = Picture(Plot);
  Mouse(Plot, QEvent::MouseButtonPress, W / 2);
  // Held down, the mouse goes on to the area's right edge: the last point.
  MoveTo(Plot, W);
  ASSERT_TRUE(StatusText(Plot).startsWith("9 / "));
  // Point 0 lies 2^31 steps from the start of the view, almost at the right
  // edge: the band is the column just right of the area.
  EXPECT_EQ(Picture(Plot), Before);
  Mouse(Plot, QEvent::MouseButtonRelease, W);
  EXPECT_EQ(Plot->Model().ViewStart, 0);
  EXPECT_EQ(Plot->Model().ViewEnd, 10);
}

TEST_F(PlotForm, APlotClosedWhileItsDoubleClickOpensTheBrowserIsLeftAlone) {
  TProjectForm* Project = LoadedProject(20);
  const QPointer<TPlotForm> Plot = OpenTemperature(Project);
  const int X = static_cast<int>(std::nearbyint(6 * Area(Plot)->width() / 9.0));
  MoveTo(Plot, X);
  const std::int64_t SerialNo = Plot->Model().Series[6].SerialNo;
  // Unchecking its list entry closes the plot when the pending events run.
  QMetaObject::invokeMethod(
      Project, [Project] { SetRowCheck(Project, "PlotList", 0, Qt::Unchecked); }, Qt::QueuedConnection);
  QMouseEvent Click(QEvent::MouseButtonDblClick, QPointF(X, 5),
                    Child<QWidget>(Plot, "PlotArea")->mapToGlobal(QPointF(X, 5)), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(Child<QWidget>(Plot, "PlotArea"), &Click);
  ProcessPendingEvents();
  EXPECT_TRUE(Plot.isNull());
  EXPECT_TRUE(Project->Model().Plots.empty());
  ASSERT_EQ(Project->Model().Browsers.size(), 1u);
  auto* Browser = dynamic_cast<TBrowserForm*>(Project->Model().Browsers.front());
  ASSERT_NE(FocusedNode(Browser), nullptr);
  EXPECT_EQ(FocusedNode(Browser)->SerialNo, SerialNo);
}

}  // namespace

TEST_F(PlotForm, AddedVariablesGetALegendThatChoosesTheReadOutAndANinthIsRefused) {
  TPlotForm* Plot = OpenTemperature(LoadedProject(20));
  EXPECT_TRUE(Child<QWidget>(Plot, "Legend")->isHidden());
  const auto Choose = [](const QString& Name) {
    return [Name](QDialog& Dialog) {
      auto* Names = Dialog.findChild<QComboBox*>();
      EXPECT_NE(Names->findText("HK_TEMP2"), -1);
      Names->setCurrentText(Name);
      return int(QDialog::Accepted);
    };
  };
  Dialogs.DialogScripts = {Choose("NO_SUCH"), Choose("HK_TEMP2")};
  Click(Plot, "AddVariableButton");
  Click(Plot, "AddVariableButton");
  EXPECT_EQ(Dialogs.Texts(), (std::vector<QString>{"'NO_SUCH' is not a variable of the project."}));
  ASSERT_EQ(Plot->Model().SeriesCount(), 2u);
  const TPlotSeries& Second = Plot->Model().Overlays[0];
  ASSERT_EQ(Second.Series.size(), 10u);
  const QList<QToolButton*> Entries = Child<QWidget>(Plot, "Legend")->findChildren<QToolButton*>();
  ASSERT_EQ(Entries.size(), 2);
  EXPECT_FALSE(Child<QWidget>(Plot, "Legend")->isHidden());

  Entries[1]->click();
  EXPECT_EQ(Child<QLabel>(Plot, "StatisticsLabel")->text().toStdString(),
            QString::fromStdString(StatisticsText(Statistics(Second.Series))).replace('\r', '\n').toStdString());
  MoveTo(Plot, Area(Plot)->width());
  EXPECT_EQ(StatusText(Plot), "9 / " + QString::number(Second.Series[9].SerialNo) + ": " +
                                  QString::fromStdString(GeneralFloatText(Second.Series[9].Value)));

  for (int I = 2; I <= 8; ++I) Plot->AddVariable("HKFrame", "HK_TEMP1");
  EXPECT_EQ(Plot->Model().SeriesCount(), 8u);
  EXPECT_EQ(Dialogs.Texts().back(), "A plot shows at most 8 variables; HK_TEMP1 was not added.");
}

TEST_F(PlotForm, DrawsTheAlarmLevelsAndSavesThePictureAsPngOrSvg) {
  TProjectForm* Project = LoadedProject(20);
  TPlotForm* Plot = OpenTemperature(Project);
  const double Alarm = (Plot->Model().YMin + Plot->Model().YMax) / 2, Warning = (Plot->Model().YMin + Alarm) / 2;
  Project->Model().Settings.Alarms = {{{Alarm, '>', "HK_TEMP1", Warning}, true}};
  const QImage Image = Picture(Plot);
  const auto Colours = [&](double Value) {
    std::set<QRgb> Seen;
    const int Y = Plot->Model().ValueToPixel(Value, Area(Plot)->height());
    for (int X = 0; X < Image.width(); ++X) Seen.insert(Image.pixel(X, Y));
    return Seen;
  };
  EXPECT_TRUE(Colours(Alarm).count(qRgb(220, 0, 0)));
  EXPECT_TRUE(Colours(Warning).count(qRgb(200, 160, 0)));

  const QString Png = QString::fromStdString(Temp.File("plot.png")),
                Svg = QString::fromStdString(Temp.File("plot.svg"));
  Dialogs.Files = {Png, Svg};
  Click(Plot, "SavePictureButton");
  Click(Plot, "SavePictureButton");
  EXPECT_EQ(Dialogs.FileDialogs.back().Filter, "PNG pictures|*.png|SVG pictures|*.svg");
  QFile PngFile(Png);
  ASSERT_TRUE(PngFile.open(QIODevice::ReadOnly));
  EXPECT_EQ(PngFile.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(QImage(Png).size(), Child<QWidget>(Plot, "PlotArea")->size());
  QFile SvgFile(Svg);
  ASSERT_TRUE(SvgFile.open(QIODevice::ReadOnly));
  QXmlStreamReader Reader(&SvgFile);
  ASSERT_TRUE(Reader.readNextStartElement());
  EXPECT_EQ(Reader.name(), QStringLiteral("svg"));
  Dialogs.DialogScripts = {[](QDialog& Dialog) {
    const QList<QSpinBox*> Sizes = Dialog.findChildren<QSpinBox*>();
    Sizes[0]->setValue(321);
    Sizes[1]->setValue(123);
    return int(QDialog::Accepted);
  }};
  Dialogs.Files = {Png};
  Trigger(Plot, "SavePictureAtSizeAction");
  EXPECT_EQ(QImage(Png).size(), QSize(321, 123));
}

TEST_F(PlotForm, AddedVariablesAreSavedWithTheirPlotListEntryAndDrawnAgainWhenItOpens) {
  TProjectForm* Project = LoadedProject(20);
  TPlotForm* Plot = OpenTemperature(Project);
  Plot->AddVariable("HKFrame", "HK_TEMP2");
  ASSERT_EQ(Project->Model().Settings.DataSeries.size(), 1u);
  EXPECT_EQ(Project->Model().Settings.DataSeries[0].Added, (std::vector<std::string>{"HKFrame.HK_TEMP2"}));
  const std::string Path = Temp.File("p.vproject");
  Project->SaveProjectFile(QString::fromStdString(Path));

  auto* Loaded = new TProjectForm(*AlarmForm, Projects, Makers);
  Loaded->LoadProjectFile(QString::fromStdString(Path));
  Click(Loaded, "LoadButton");
  WaitForPasses();
  SetRowCheck(Loaded, "PlotList", 0, Qt::Checked);
  ASSERT_EQ(Loaded->Model().Plots.size(), 1u);
  const auto* Reopened = dynamic_cast<TPlotForm*>(Loaded->Model().Plots.front());
  ASSERT_EQ(Reopened->Model().SeriesCount(), 2u);
  EXPECT_EQ(Reopened->Model().Overlays[0].VarName, "HK_TEMP2");
  EXPECT_EQ(Reopened->Model().Overlays[0].Series.size(), 10u);
  EXPECT_FALSE(Loaded->Model().HasChanges());
}

// The painter draws a thinned trace. It covers each column from its lowest
// to its highest point as the full one does; where they differ, it is only
// in a pixel of a point, which the one-pixel pen may leave out where two
// segments join.
TEST(PlotTrace, AThinnedTraceColoursThePixelsOfTheFullOneBesidesJoins) {
  std::mt19937 Random(7);
  const auto Walk = [&Random](int Points, int Columns, int Height, bool Jumps) {
    std::vector<TPixel> Trace;
    int Y = Height / 2;
    for (int I = 0; I < Points; ++I) {
      Y = Jumps ? static_cast<int>(Random() % static_cast<unsigned>(Height))
                : std::clamp(Y + static_cast<int>(Random() % 5) - 2, 0, Height - 1);
      Trace.push_back({I * Columns / Points - 3, Y});
    }
    return Trace;
  };
  const struct {
    const char* Name;
    std::vector<TPixel> Trace;
  } Cases[] = {
      {"a walk, many points per column", Walk(20000, 60, 80, false)},
      {"sorted BaseFrames: values jump", Walk(5000, 60, 80, true)},
      {"a point per column", Walk(60, 60, 80, true)},
      {"one point", {{5, 5}}},
      {"a column's extremes first and last", {{2, 40}, {4, 10}, {4, 70}, {4, 30}, {4, 70}, {4, 10}, {9, 50}}},
      {"a flat run", {{1, 20}, {3, 20}, {3, 20}, {3, 20}, {3, 20}, {8, 21}}},
  };
  const auto Paint = [](const std::vector<TPixel>& Points) {
    QImage Image(70, 90, QImage::Format_RGB32);
    Image.fill(Qt::black);
    QPainter Painter(&Image);
    Painter.setPen(QColor(Qt::yellow));
    QPolygon Polygon;
    for (const TPixel& Point : Points) Polygon << QPoint(Point.X, Point.Y);
    Painter.drawPolyline(Polygon);
    return Image;
  };
  for (const auto& Case : Cases) {
    const std::vector<TPixel> Thin = ThinTrace(Case.Trace);
    const QImage Full = Paint(Case.Trace), Thinned = Paint(Thin);
    const std::set<std::pair<int, int>> Points = [&] {
      std::set<std::pair<int, int>> Pixels;
      for (const TPixel& Point : Case.Trace) Pixels.emplace(Point.X, Point.Y);
      return Pixels;
    }();
    int Differing = 0;
    for (int Y = 0; Y < Full.height(); ++Y)
      for (int X = 0; X < Full.width(); ++X)
        if (Full.pixel(X, Y) != Thinned.pixel(X, Y)) {
          ++Differing;
          EXPECT_TRUE(Points.count({X, Y})) << Case.Name << ": " << X << "," << Y;
        }
    EXPECT_LE(Differing, 3) << Case.Name;
    std::set<int> Columns;
    for (const TPixel& Point : Case.Trace) Columns.insert(Point.X);
    EXPECT_LE(Thin.size(), 4 * Columns.size()) << Case.Name;
  }
}
