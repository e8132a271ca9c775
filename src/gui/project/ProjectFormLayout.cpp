// The project window's controls and its self-drawn status panel.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "project/AlarmListModel.h"
#include "project/PlotListModel.h"
#include "project/ProjectForm.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"

namespace {

QToolButton* SmallButton(const QString& Caption, QWidget* Parent, const QRect& Geometry) {
  auto* Button = new QToolButton(Parent);
  Button->setText(Caption);
  Button->setGeometry(Geometry);
  return Button;
}

QLabel* Caption(const QString& Text, QWidget* Parent, int Left, int Top) {
  auto* Label = new QLabel(Text, Parent);
  Label->move(Left, Top);
  Label->adjustSize();
  return Label;
}

QListView* CheckList(QAbstractItemModel* Model, QWidget* Parent, const QRect& Geometry) {
  auto* List = new QListView(Parent);
  List->setModel(Model);
  List->setGeometry(Geometry);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  // A style sheet for items must say how selected ones look, or they are drawn empty.
  List->setStyleSheet(
      QStringLiteral("QListView::item { border-bottom: 1px solid #d8d8d8; }"
                     "QListView::item:selected { background: palette(highlight);"
                     " color: palette(highlighted-text); }"));
  return List;
}

}  // namespace

// Status panel 0, drawn by the project window.
class TStatusPanel : public QWidget {
 public:
  TStatusPanel(TProjectForm* Owner) : QWidget(Owner), Owner(Owner) { setFixedSize(90, 18); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter Painter(this);
    Owner->DrawStatePanel(Painter, rect());
  }

 private:
  TProjectForm* Owner;
};

void TProjectForm::BuildWindow() {
  SettingsGroup = new QGroupBox(QStringLiteral("Main Settings "), this);
  SettingsGroup->setFont(VerdanaFont(8));
  SettingsGroup->setGeometry(8, 2, 418, 232);

  auto* ToolBar = new QToolBar(SettingsGroup);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setGeometry(8, 16, 200, 26);
  LoadButton = AddToolButton(ToolBar, TPicture::Load, "Load Structure and Data");
  BrowserButton = AddToolButton(ToolBar, TPicture::Browser, "Open new browser");
  ToolBar->addSeparator();
  AlarmsOnButton = AddToolButton(ToolBar, TPicture::AlarmsOn, "Activate all alarms");
  AlarmsOffButton = AddToolButton(ToolBar, TPicture::AlarmsOff, "Disable all alarms");
  ToolBar->addSeparator();
  SaveButton = AddToolButton(ToolBar, TPicture::SaveProject, "");
  connect(LoadButton, &QToolButton::clicked, this, [this] { OnLoad(); });
  connect(BrowserButton, &QToolButton::clicked, this, [this] { OnOpenBrowser(); });
  connect(AlarmsOnButton, &QToolButton::clicked, this, [this] { OnActivateAlarms(); });
  connect(AlarmsOffButton, &QToolButton::clicked, this, [this] { OnDisableAlarms(); });
  connect(SaveButton, &QToolButton::clicked, this, [this] { OnSave(); });

  Caption(QStringLiteral("Structure Definition:"), SettingsGroup, 10, 53);
  StructureFileCombo = new QComboBox(SettingsGroup);
  StructureFileCombo->setEditable(true);
  StructureFileCombo->setMaxVisibleItems(4);
  StructureFileCombo->setInsertPolicy(QComboBox::NoInsert);
  StructureFileCombo->setGeometry(150, 49, 230, 24);
  StructureFileButton = SmallButton(QStringLiteral("..."), SettingsGroup, QRect(384, 49, 26, 24));
  Caption(QStringLiteral("Paket Data File:"), SettingsGroup, 10, 82);
  PacketFileEdit = new QLineEdit(SettingsGroup);
  PacketFileEdit->setGeometry(150, 78, 230, 24);
  PacketFileButton = SmallButton(QStringLiteral("..."), SettingsGroup, QRect(384, 78, 26, 24));
  Caption(QStringLiteral("2nd Paket Data File:"), SettingsGroup, 10, 106);
  QLabel* Optional = Caption(QStringLiteral("(optional)"), SettingsGroup, 10, 120);
  Optional->setStyleSheet(QStringLiteral("color: grey;"));
  SecondPacketFileEdit = new QLineEdit(SettingsGroup);
  SecondPacketFileEdit->setGeometry(150, 107, 230, 24);
  SecondPacketFileButton = SmallButton(QStringLiteral("..."), SettingsGroup, QRect(384, 107, 26, 24));
  Caption(QStringLiteral("Offset Time:"), SettingsGroup, 10, 148);
  OffsetTimeEdit = new QLineEdit(SettingsGroup);
  OffsetTimeEdit->setGeometry(150, 144, 96, 24);
  TrackingCheck = new QCheckBox(QStringLiteral("Keep track of changes"), SettingsGroup);
  TrackingCheck->setGeometry(256, 146, 158, 20);
  Caption(QStringLiteral("Update interval:"), SettingsGroup, 10, 178);
  UpdateIntervalSpin = new QSpinBox(SettingsGroup);
  UpdateIntervalSpin->setRange(1, MaxUpdateInterval);
  UpdateIntervalSpin->setSuffix(QStringLiteral(" s"));
  UpdateIntervalSpin->setGeometry(150, 174, 96, 24);
  UpdateOnFileChangeCheck = new QCheckBox(QStringLiteral("Update on file change"), SettingsGroup);
  UpdateOnFileChangeCheck->setGeometry(256, 176, 158, 20);
  NoticesCheck = new QCheckBox(QStringLiteral("Notices"), SettingsGroup);
  NoticesCheck->setToolTip(QStringLiteral("Show a notice for the alarm hits of each update"));
  NoticesCheck->setGeometry(262, 204, 150, 20);
  // Operators switch the notices off while alarms flood in.
  connect(NoticesCheck, &QCheckBox::toggled, this, [this](bool On) { Project.Settings.Notices = On; });
  ResyncCheck = new QCheckBox(QStringLiteral("Resynchronise after invalid BaseFrames"), SettingsGroup);
  ResyncCheck->setGeometry(10, 204, 248, 20);
  for (QToolButton* Button : {StructureFileButton, PacketFileButton, SecondPacketFileButton})
    connect(Button, &QToolButton::clicked, this, [this, Button] { OnChooseFile(Button); });
  connect(PacketFileEdit, &QLineEdit::textChanged, this, [this] { OnFileEditChange(PacketFileEdit); });
  connect(SecondPacketFileEdit, &QLineEdit::textChanged, this, [this] { OnFileEditChange(SecondPacketFileEdit); });
  connect(StructureFileCombo, &QComboBox::currentTextChanged, this, [this] { OnStructureFileChange(); });

  AlarmGroup = new QGroupBox(QStringLiteral("Alarms "), this);
  AlarmGroup->setFont(VerdanaFont(8));
  AlarmGroup->setGeometry(8, 236, 418, 92);
  AlarmRows = new TAlarmListModel(Project.Settings.Alarms, this);
  AlarmList = CheckList(AlarmRows, AlarmGroup, QRect(8, 18, 366, 66));
  AddAlarmButton = SmallButton(QStringLiteral("+"), AlarmGroup, QRect(380, 18, 30, 30));
  RemoveAlarmButton = SmallButton(QStringLiteral("-"), AlarmGroup, QRect(380, 54, 30, 30));
  connect(AddAlarmButton, &QToolButton::clicked, this, [this] { OnAddAlarm(); });
  connect(RemoveAlarmButton, &QToolButton::clicked, this, [this] { OnRemoveAlarm(); });
  connect(AlarmList, &QListView::doubleClicked, this, [this](const QModelIndex& Index) { OnEditAlarm(Index); });

  PlotGroup = new QGroupBox(QStringLiteral("Plots"), this);
  PlotGroup->setFont(VerdanaFont(8));
  PlotGroup->setGeometry(434, 2, 224, 326);
  PlotRows = new TPlotListModel(Project.Settings.DataSeries, this);
  PlotRows->OnChecked = [this](int Row, bool Checked) { OnPlotChecked(Row, Checked); };
  PlotList = CheckList(PlotRows, PlotGroup, QRect(8, 18, 208, 266));
  PlotList->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  PlotList->installEventFilter(this);
  AddPlotButton = SmallButton(QStringLiteral("+"), PlotGroup, QRect(8, 290, 30, 30));
  RemovePlotButton = SmallButton(QStringLiteral("-"), PlotGroup, QRect(44, 290, 30, 30));
  connect(AddPlotButton, &QToolButton::clicked, this, [this] { OnAddPlot(); });
  connect(RemovePlotButton, &QToolButton::clicked, this, [this] { OnRemovePlot(); });

  StatusBar = new QStatusBar(this);
  StatusBar->setSizeGripEnabled(false);
  StatusBar->setGeometry(0, 331, 666, 20);
  StatusBar->setFont(VerdanaFont(8));
  StatePanel = new TStatusPanel(this);
  BrowserCountLabel = new QLabel(QStringLiteral("0 Open Browser Windows"));
  BrowserCountLabel->setFixedWidth(150);
  PlotCountLabel = new QLabel(QStringLiteral("0 Open Plot Windows"));
  PlotCountLabel->setFixedWidth(150);
  SpareLabel = new QLabel;
  SpareLabel->setFixedWidth(50);
  for (QWidget* Panel : {StatePanel, static_cast<QWidget*>(BrowserCountLabel), static_cast<QWidget*>(PlotCountLabel),
                         static_cast<QWidget*>(SpareLabel)})
    StatusBar->addWidget(Panel);
  NameObjects({{SettingsGroup, "SettingsGroup"},
               {LoadButton, "LoadButton"},
               {BrowserButton, "BrowserButton"},
               {AlarmsOnButton, "AlarmsOnButton"},
               {AlarmsOffButton, "AlarmsOffButton"},
               {SaveButton, "SaveButton"},
               {StructureFileCombo, "StructureFileCombo"},
               {PacketFileEdit, "PacketFileEdit"},
               {SecondPacketFileEdit, "SecondPacketFileEdit"},
               {OffsetTimeEdit, "OffsetTimeEdit"},
               {StructureFileButton, "StructureFileButton"},
               {PacketFileButton, "PacketFileButton"},
               {SecondPacketFileButton, "SecondPacketFileButton"},
               {TrackingCheck, "TrackingCheck"},
               {UpdateIntervalSpin, "UpdateIntervalSpin"},
               {UpdateOnFileChangeCheck, "UpdateOnFileChangeCheck"},
               {NoticesCheck, "NoticesCheck"},
               {ResyncCheck, "ResyncCheck"},
               {AlarmGroup, "AlarmGroup"},
               {AlarmList, "AlarmList"},
               {AddAlarmButton, "AddAlarmButton"},
               {RemoveAlarmButton, "RemoveAlarmButton"},
               {PlotGroup, "PlotGroup"},
               {PlotList, "PlotList"},
               {AddPlotButton, "AddPlotButton"},
               {RemovePlotButton, "RemovePlotButton"},
               {StatusBar, "StatusBar"},
               {StatePanel, "StatePanel"},
               {BrowserCountLabel, "BrowserCountLabel"},
               {PlotCountLabel, "PlotCountLabel"},
               {SpareLabel, "SpareLabel"}});
}

void TProjectForm::DrawStatePanel(QPainter& Painter, const QRect& Rect) {
  Painter.setFont(VerdanaFont(8, true));
  Painter.setPen(FStatus == QLatin1String("Empty") ? QColor(0xFF, 0, 0) : QColor(0, 0x80, 0));
  const bool ShowTracking = Project.DataLoaded && TrackingCheck->isChecked();
  Painter.drawPixmap(Rect.left() + 5, Rect.top() + 1,
                     PicturePixmap(ShowTracking ? TPicture::Tracking : TPicture::NotTracking, 16));
  Painter.drawText(QRect(Rect.left() + 25, Rect.top(), Rect.width() - 25, Rect.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, FStatus);
}
