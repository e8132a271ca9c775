#include "project/ProjectForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "common/Convert.h"
#include "common/DateTime.h"
#include "common/FloatText.h"
#include "common/Log.h"
#include "common/LoadProgress.h"
#include "project/AlarmCheck.h"
#include "project/AlarmForm.h"
#include "project/IniImage.h"
#include "widgets/Dialogs.h"
#include "widgets/PendingEvents.h"
#include "widgets/Look.h"
#include "widgets/TextBridge.h"

QPointer<TProjectForm> ProjectForm;

namespace {

QList<TProjectForm*> ProjectWindows;

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

QListWidget* CheckList(QWidget* Parent, const QRect& Geometry) {
  auto* List = new QListWidget(Parent);
  List->setGeometry(Geometry);
  List->setSelectionMode(QAbstractItemView::SingleSelection);
  List->setSelectionBehavior(QAbstractItemView::SelectRows);
  List->setStyleSheet(QStringLiteral("QListWidget::item { border-bottom: 1px solid #d8d8d8; }"));
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
    Owner->StatusBar1DrawPanel(Painter, rect());
  }

 private:
  TProjectForm* Owner;
};

void TAlarmItem::UpdateCaption() { setText(FromBytes(AlarmCaption(Alarm))); }

TProjectForm::TProjectForm() {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Project Setup"));
  setFixedSize(666, 297);
  BuildWindow();
  FormCreate();
  // Beside the main window, each new project a little lower and to the right.
  const int Cascade = 24 * (ProjectWindows.size() % 10);
  move(410 + Cascade, Cascade);
  ProjectWindows.append(this);
  ProjectForm = this;
  show();
}

TProjectForm::~TProjectForm() {
  // FormDestroy
  UnloadProject();
  ProjectWindows.removeAll(this);
  if (ProjectForm == this || !ProjectForm)
    ProjectForm = ProjectWindows.isEmpty() ? nullptr : ProjectWindows.last();
}

const QList<TProjectForm*>& TProjectForm::OpenProjects() { return ProjectWindows; }

void TProjectForm::BuildWindow() {
  GroupBox1 = new QGroupBox(QStringLiteral("Main Settings "), this);
  GroupBox1->setFont(VerdanaFont(8));
  GroupBox1->setGeometry(8, 2, 418, 178);

  auto* ToolBar = new QToolBar(GroupBox1);
  ToolBar->setIconSize(QSize(16, 16));
  ToolBar->setGeometry(8, 16, 200, 26);
  ToolButton1 = AddToolButton(ToolBar, TPicture::Load, "Load Structure and Data");
  ToolButton2 = AddToolButton(ToolBar, TPicture::Browser, "Open new browser");
  ToolBar->addSeparator();
  ToolButton3 = AddToolButton(ToolBar, TPicture::AlarmsOn, "Activate all alarms");
  ToolButton5 = AddToolButton(ToolBar, TPicture::AlarmsOff, "Disable all alarms");
  ToolBar->addSeparator();
  ToolButton7 = AddToolButton(ToolBar, TPicture::SaveProject, "");
  connect(ToolButton1, &QToolButton::clicked, this, [this] { Button1Click(); });
  connect(ToolButton2, &QToolButton::clicked, this, [this] { Button2Click(); });
  connect(ToolButton3, &QToolButton::clicked, this, [this] { ToolButton3Click(); });
  connect(ToolButton5, &QToolButton::clicked, this, [this] { ToolButton5Click(); });
  connect(ToolButton7, &QToolButton::clicked, this, [this] { ToolButton7Click(); });

  Caption(QStringLiteral("Structure Definition:"), GroupBox1, 10, 53);
  ComboBox1 = new QComboBox(GroupBox1);
  ComboBox1->setEditable(true);
  ComboBox1->setMaxVisibleItems(4);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(150, 49, 230, 24);
  SpeedButton1 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 49, 26, 24));
  Caption(QStringLiteral("Paket Data File:"), GroupBox1, 10, 82);
  Edit1 = new QLineEdit(GroupBox1);
  Edit1->setGeometry(150, 78, 230, 24);
  SpeedButton2 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 78, 26, 24));
  Caption(QStringLiteral("2nd Paket Data File:"), GroupBox1, 10, 106);
  QLabel* Optional = Caption(QStringLiteral("(optional)"), GroupBox1, 10, 120);
  Optional->setStyleSheet(QStringLiteral("color: grey;"));
  Edit2 = new QLineEdit(GroupBox1);
  Edit2->setGeometry(150, 107, 230, 24);
  SpeedButton7 = SmallButton(QStringLiteral("..."), GroupBox1, QRect(384, 107, 26, 24));
  Caption(QStringLiteral("Offset Time:"), GroupBox1, 10, 148);
  Edit3 = new QLineEdit(GroupBox1);
  Edit3->setGeometry(150, 144, 96, 24);
  Tracking = new QCheckBox(QStringLiteral("Keep track of changes"), GroupBox1);
  Tracking->setGeometry(256, 146, 158, 20);
  for (QToolButton* Button : {SpeedButton1, SpeedButton2, SpeedButton7})
    connect(Button, &QToolButton::clicked, this, [this, Button] { SpeedButton1Click(Button); });
  connect(Edit1, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit1); });
  connect(Edit2, &QLineEdit::textChanged, this, [this] { Edit1Change(Edit2); });
  connect(ComboBox1, &QComboBox::currentTextChanged, this, [this] { ComboBox1Change(); });

  GroupBox2 = new QGroupBox(QStringLiteral("Alarms "), this);
  GroupBox2->setFont(VerdanaFont(8));
  GroupBox2->setGeometry(8, 182, 418, 92);
  ListView1 = CheckList(GroupBox2, QRect(8, 18, 366, 66));
  SpeedButton3 = SmallButton(QStringLiteral("+"), GroupBox2, QRect(380, 18, 30, 30));
  SpeedButton4 = SmallButton(QStringLiteral("-"), GroupBox2, QRect(380, 54, 30, 30));
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(SpeedButton4, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
  connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { ListView1DblClick(); });

  GroupBox3 = new QGroupBox(QStringLiteral("Plots"), this);
  GroupBox3->setFont(VerdanaFont(8));
  GroupBox3->setGeometry(434, 2, 224, 272);
  ListView2 = CheckList(GroupBox3, QRect(8, 18, 208, 212));
  ListView2->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
  ListView2->installEventFilter(this);
  SpeedButton5 = SmallButton(QStringLiteral("+"), GroupBox3, QRect(8, 236, 30, 30));
  SpeedButton6 = SmallButton(QStringLiteral("-"), GroupBox3, QRect(44, 236, 30, 30));
  connect(SpeedButton5, &QToolButton::clicked, this, [this] { SpeedButton5Click(); });
  connect(SpeedButton6, &QToolButton::clicked, this, [this] { SpeedButton6Click(); });
  connect(ListView2, &QListWidget::itemChanged, this, [this](QListWidgetItem* Item) { ListView2Change(Item); });

  StatusBar1 = new QStatusBar(this);
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setGeometry(0, 277, 666, 20);
  StatusBar1->setFont(VerdanaFont(8));
  Panel0 = new TStatusPanel(this);
  Panel1 = new QLabel(QStringLiteral("0 Open Browser Windows"));
  Panel1->setFixedWidth(150);
  Panel2 = new QLabel(QStringLiteral("0 Open Plot Windows"));
  Panel2->setFixedWidth(150);
  Panel3 = new QLabel;
  Panel3->setFixedWidth(50);
  for (QWidget* Panel : {Panel0, static_cast<QWidget*>(Panel1),
                         static_cast<QWidget*>(Panel2), static_cast<QWidget*>(Panel3)})
    StatusBar1->addWidget(Panel);
}

void TProjectForm::FormCreate() {
  Messages.clear();
  DataLoaded = false;
  const QString Folder = QCoreApplication::applicationDirPath();
  for (const QString& Name : QDir(Folder).entryList({QStringLiteral("*.structure")}, QDir::Files, QDir::Unsorted))
    ComboBox1->addItem(QDir(Folder).filePath(Name));
  if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
  Edit3->setText(FromBytes(DateText(EncodeDateTime({2003, 1, 1}))));
  SetStatus(QStringLiteral("Empty"));
  SetEmptyState(true);
}

// Controls that follow the Empty / loaded state.
void TProjectForm::SetEmptyState(bool Empty) {
  for (QWidget* Field : std::initializer_list<QWidget*>{ComboBox1, Edit1, Edit2, SpeedButton1, SpeedButton2,
                                                         SpeedButton7, Tracking, Edit3})
    Field->setEnabled(Empty);
  GroupBox2->setEnabled(!Empty);
  GroupBox3->setEnabled(!Empty);
  ToolButton1->setIcon(PictureIcon(Empty ? TPicture::Load : TPicture::Blank));
  ToolButton1->setEnabled(true);
  for (QToolButton* Button : {ToolButton2, ToolButton3, ToolButton5}) Button->setEnabled(!Empty);
}

void TProjectForm::SetStatus(const QString& Text) {
  FStatus = Text;
  Panel0->update();
}

QString TProjectForm::StatusText() const { return FStatus; }

void TProjectForm::StatusBar1DrawPanel(QPainter& Painter, const QRect& Rect) {
  Painter.setFont(VerdanaFont(8, true));
  Painter.setPen(FStatus == QLatin1String("Empty") ? QColor(0xFF, 0, 0) : QColor(0, 0x80, 0));
  const bool ShowTracking = DataLoaded && Tracking->isChecked();
  Painter.drawPixmap(Rect.left() + 5, Rect.top() + 1,
                     PicturePixmap(ShowTracking ? TPicture::Tracking : TPicture::NotTracking, 16));
  Painter.drawText(QRect(Rect.left() + 25, Rect.top(), Rect.width() - 25, Rect.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, FStatus);
}

void TProjectForm::SpeedButton1Click(QToolButton* Sender) {
  TFileDialogOptions Options;
  Options.InitialDir = QStringLiteral(".");
  const QString Path = Dialogs().OpenFileName(this, Options);
  if (Path.isEmpty()) return;
  if (Sender == SpeedButton1) {
    ComboBox1->addItem(Path);
    ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
  } else {
    (Sender == SpeedButton2 ? Edit1 : Edit2)->setText(Path);
  }
}

void TProjectForm::Edit1Change(QLineEdit* Sender) { Sender->setToolTip(Sender->text()); }

void TProjectForm::ComboBox1Change() { ComboBox1->setToolTip(ComboBox1->currentText()); }

// A pass may be running below the current event (the progress window lets
// events through): freeing or starting a holder now would break it.
bool TProjectForm::RefuseWhileBusy(const char* What) {
  if (!LoadProgress().Busy) return false;
  AddEntry(llWarn, std::string("Cannot ") + What + " while an update is in progress. Please try again when it has finished.");
  return true;
}

void TProjectForm::Button1Click() {
  if (Closing) return;
  if (DataLoaded) {
    BlankProject();
  } else {
    RunGuarded(this, [this] { LoadData(); });
  }
}

void TProjectForm::LoadData() {
  if (RefuseWhileBusy("load a project")) return;
  const QString StructureFile = ComboBox1->currentText();
  if (!QFileInfo(StructureFile).isFile()) {
    AddEntry(llError, "Structurefile does not exist or cannot be opened! (" + ToBytes(StructureFile) + ")");
    return;
  }
  if (!QFileInfo(Edit1->text()).isFile()) {
    AddEntry(llError, "Paket file does not exist or cannot be opened! (" + ToBytes(Edit1->text()) + ")");
    return;
  }
  if (!Edit2->text().isEmpty() && !QFileInfo(Edit2->text()).isFile()) {
    AddEntry(llWarn, "2nd Paket file does not exist or cannot be opened, ignoring entry! (" + ToBytes(Edit2->text()) + ")");
    Edit2->clear();
  }
  StartTime = StrToDateTime(ToBytes(Edit3->text()));

  DataLoaded = true;
  SetStatus(QStringLiteral("Loading"));
  ToolButton1->setEnabled(false);
  // However the load ends (a definition that did not load, a conversion
  // error), the button is back: a window left Loading can then be blanked.
  const QScopeGuard EnableLoadButton([this] { ToolButton1->setEnabled(true); });
  HandledFramesA = 0;
  HandledFramesB = 0;
  Definition = std::make_unique<TQuorinFramesDefinition>(ToBytes(StructureFile), Messages);
  if (!Definition->Loaded) {
    Definition.reset();
    return;
  }
  StartData(Edit1->text(), 0);
  if (!Edit2->text().isEmpty()) StartData(Edit2->text(), SecondFileSerialBase);

  SetEmptyState(false);
  SetStatus(QStringLiteral("Active"));
}

TData& TProjectForm::StartData(const QString& FileName, std::int32_t SerialBase) {
  std::unique_ptr<TData>& Data = SerialBase == 0 ? DataA : DataB;
  Data = std::make_unique<TData>(ToBytes(FileName), *Definition);
  Data->SerialBase = SerialBase;
  Data->OnNewFrames = [this](TData& Sender) { HandleNewFrames(Sender); };
  Data->StartTracking();
  if (!Tracking->isChecked()) Data->StopTracking();
  return *Data;
}

void TProjectForm::BlankProject() {
  if (RefuseWhileBusy("blank the project")) return;
  if (Dialogs().MessageDlg(this, QStringLiteral("This will blank the project and all associated browser/ plot windows!"),
                           TDlgType::Warning, dbOK | dbCancel) != dbOK)
    return;
  SetEmptyState(true);
  SetStatus(QStringLiteral("Empty"));
  UnloadProject();
  ListView2->clear();
  ListView1->clear();
  DataLoaded = false;
  Panel0->update();
}

void TProjectForm::HandleNewFrames(TData& Sender) {
  const bool FromB = &Sender == DataB.get();
  std::int32_t& Handled = FromB ? HandledFramesB : HandledFramesA;
  const TDecodedNode* First = (FromB ? HandledCursorB : HandledCursorA).TakeRest(Sender.Frames, Handled);

  // The records are copied: a modal notice lets events run while they are used.
  std::vector<TAlarmEntry> Active;
  for (int Row = 0; Row < ListView1->count(); ++Row)
    if (AlarmItem(Row)->checkState() == Qt::Checked) Active.push_back(AlarmItem(Row)->Alarm);
  for (const TAlarmEntry& Alarm : Active) CheckAlarm(First, Alarm);

  // A window may close while another one works; only those still open are called.
  for (TPlotWindow* Plot : QList<TPlotWindow*>(Plots))
    if (Plots.contains(Plot)) Plot->RefreshSeries();
  const int Source = &Sender == DataB.get() ? 1 : 0;
  for (TBrowserWindow* Browser : QList<TBrowserWindow*>(Browsers))
    if (Browsers.contains(Browser)) Browser->AppendFrames(Source, Sender.Frames);
}

void TProjectForm::CheckAlarm(const TDecodedNode* First, const TAlarmEntry& Alarm) {
  if (!Definition) return;
  CheckAlarmNodes(First, Alarm, *Definition, [&](const TDecodedNode& Node) {
    AddEntry(llWarn, AlarmLogText(Alarm, Node.Value));
    Dialogs().MessageDlg(this, FromBytes(AlarmNoticeText(Alarm, Node.Value)), TDlgType::Warning, dbOK);
  });
}

TBrowserWindow* TProjectForm::OpenBrowser() {
  if (!DataLoaded || !DataA) return nullptr;
  TBrowserWindow* Browser = CreateBrowserWindow();
  if (!Browser) return nullptr;
  QWidget* Window = Browser->Window();
  connect(Window, &QObject::destroyed, this, [this, Browser] { BrowserClosed(Browser); });
  Browser->SetProject(this, Definition.get());
  Window->setWindowTitle(Window->windowTitle() + " - " + Edit1->text() + " " + Edit2->text());
  Browsers.append(Browser);
  FeedBrowser(Browser);
  const QPointer<TProjectForm> Self(this);
  ProcessPendingEvents();
  // The events may have closed the browser, or this window with it.
  if (!Self || !Browsers.contains(Browser)) return nullptr;
  ShowBrowserCount();
  return Browser;
}

void TProjectForm::FeedBrowser(TBrowserWindow* Browser) {
  if (DataA) Browser->AppendFrames(0, DataA->Frames);
  if (DataB) Browser->AppendFrames(1, DataB->Frames);
}

TPlotWindow* TProjectForm::OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                                    const QString& SortVar) {
  if (!DataLoaded || !DataA) return nullptr;
  TPlotWindow* Plot = CreatePlotWindow();
  if (!Plot) return nullptr;
  const bool WasUpdating = PlotListUpdating;
  PlotListUpdating = true;
  Plots.append(Plot);
  connect(Plot->Window(), &QObject::destroyed, this, [this, Plot] { PlotClosed(Plot); });
  if (Requester != this) AppendPlotItem(FrameName + "." + VarName, true, Plot);
  const QPointer<TProjectForm> Self(this);
  ProcessPendingEvents();
  // The events may have closed the plot, blanked the project or closed this window.
  if (!Self) return nullptr;
  if (!Plots.contains(Plot) || !DataA) {
    PlotListUpdating = WasUpdating;
    return nullptr;
  }
  Plot->SetProject(this);
  Plot->SetSeries(FrameName, VarName, SortVar);
  Plot->SetFrames(DataA->Frames, DataB ? DataB->Frames : nullptr);
  Plot->RefreshSeries();
  Plot->ResetView();
  ShowPlotCount();
  PlotListUpdating = WasUpdating;
  return Plot;
}

void TProjectForm::BrowserClosed(TBrowserWindow* Browser) {
  if (!Browsers.removeOne(Browser)) AddEntry(llError, "Lost Browser window detected. Please contact programmer.");
  ShowBrowserCount();
}

void TProjectForm::ShowBrowserCount() { Panel1->setText(QString::number(Browsers.size()) + " Open Browsers"); }

void TProjectForm::ShowPlotCount() { Panel2->setText(QString::number(Plots.size()) + " Open Plots"); }

void TProjectForm::PlotClosed(TPlotWindow* Plot) {
  if (!Plots.removeOne(Plot)) AddEntry(llError, "Lost Plot window detected. Please contact programmer.");
  const QScopedValueRollback Updating(PlotListUpdating, true);
  for (int Row = 0; Row < ListView2->count(); ++Row) {
    TPlotItem* Item = PlotItem(Row);
    if (Item->Plot != Plot) continue;
    Item->setCheckState(Qt::Unchecked);
    Item->WasChecked = false;
    Item->Plot = nullptr;
  }
  ShowPlotCount();
}

void TProjectForm::UnloadProject() {
  if (!DataLoaded) return;
  // Destroying a window reports it through BrowserClosed / PlotClosed.
  for (TBrowserWindow* Browser : QList<TBrowserWindow*>(Browsers)) delete Browser->Window();
  for (TPlotWindow* Plot : QList<TPlotWindow*>(Plots)) delete Plot->Window();
  ListView1->clear();
  ListView2->clear();
  DataA.reset();
  DataB.reset();
  Definition.reset();
}

TAlarmItem* TProjectForm::AlarmItem(int Row) const { return static_cast<TAlarmItem*>(ListView1->item(Row)); }

TPlotItem* TProjectForm::PlotItem(int Row) const { return static_cast<TPlotItem*>(ListView2->item(Row)); }

int TProjectForm::AlarmCount() const { return ListView1->count(); }

void TProjectForm::AppendAlarmItem(const TAlarmEntry& Alarm, bool Active) {
  auto* Item = new TAlarmItem(Alarm);
  Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
  Item->setCheckState(Active ? Qt::Checked : Qt::Unchecked);
  Item->UpdateCaption();
  ListView1->addItem(Item);
}

// Fills the alarm dialog from Alarm, runs it and takes its answers; false when cancelled.
bool TProjectForm::EditAlarm(TAlarmEntry& Alarm) {
  AlarmForm->CBVar->setEditText(FromBytes(Alarm.VarName));
  AlarmForm->ComboBox1->setCurrentIndex(AlarmForm->ComboBox1->findText(QStringLiteral(" ") + QChar(Alarm.Operator)));
  AlarmForm->Edit2->setText(FromBytes(GeneralFloatText(Alarm.Value)));
  if (Dialogs().Execute(*AlarmForm) != QDialog::Accepted) return false;
  Alarm.VarName = ToBytes(AlarmForm->CBVar->currentText());
  // Without a selected condition the operator stays as it was.
  const QString Condition = AlarmForm->ComboBox1->currentText();
  if (Condition.size() >= 2) Alarm.Operator = Condition[1].toLatin1();
  Alarm.Value = StrToFloat(ToBytes(AlarmForm->Edit2->text()));
  return true;
}

void TProjectForm::AddAlarm(const QString& VarName) {
  std::vector<std::string> Names;
  if (Definition && DataA) CollectVariableNames(DataA->Frames, *Definition, Names);
  if (Definition && DataB) CollectVariableNames(DataB->Frames, *Definition, Names);
  AlarmForm->CBVar->clear();
  for (const std::string& Name : Names) AlarmForm->CBVar->addItem(FromBytes(Name));
  TAlarmEntry Alarm;
  Alarm.VarName = ToBytes(VarName);
  Alarm.Operator = '>';
  RunGuarded(this, [&] {
    if (EditAlarm(Alarm)) AppendAlarmItem(Alarm, true);
  });
}

void TProjectForm::ListView1DblClick() {
  auto* Item = static_cast<TAlarmItem*>(ListView1->currentItem());
  if (!Item) return;
  // A value that is no number leaves the threshold but keeps the new name and operator.
  RunGuarded(this, [&] {
    TAlarmEntry Changed = Item->Alarm;
    try {
      if (EditAlarm(Changed)) Item->Alarm = Changed;
    } catch (const EConvertError&) {
      Item->Alarm.VarName = Changed.VarName;
      Item->Alarm.Operator = Changed.Operator;
      Item->UpdateCaption();
      throw;
    }
    Item->UpdateCaption();
  });
}

// Unchecks the selected entry, lets pending events run, then deletes the entry
// if the events left it (and this window) in place.
void TProjectForm::DeleteSelectedItem(QListWidget* List) {
  QListWidgetItem* Item = List->currentItem();
  if (!Item) return;
  if (Item->checkState() == Qt::Checked) Item->setCheckState(Qt::Unchecked);
  const QPointer<TProjectForm> Self(this);
  ProcessPendingEvents();
  if (!Self) return;
  for (int Row = 0; Row < List->count(); ++Row)
    if (List->item(Row) == Item) delete List->takeItem(Row);
}

void TProjectForm::SpeedButton4Click() { DeleteSelectedItem(ListView1); }

void TProjectForm::ToolButton3Click() {
  for (int Row = 0; Row < ListView1->count(); ++Row) ListView1->item(Row)->setCheckState(Qt::Checked);
}

void TProjectForm::ToolButton5Click() {
  for (int Row = 0; Row < ListView1->count(); ++Row) ListView1->item(Row)->setCheckState(Qt::Unchecked);
}

void TProjectForm::ToolButton7Click() {
  RunGuarded(this, [this] { SaveProjectFile(QString()); });
}

void TProjectForm::AppendPlotItem(const QString& Caption, bool Checked, TPlotWindow* Plot) {
  const QScopedValueRollback Updating(PlotListUpdating, true);
  auto* Item = new TPlotItem;
  Item->setText(Caption);
  Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
  Item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
  Item->setToolTip(Caption);
  Item->WasChecked = Checked;
  Item->Plot = Plot;
  ListView2->addItem(Item);
}

void TProjectForm::SpeedButton5Click() { AppendPlotItem(QStringLiteral("Change me!"), false, nullptr); }

void TProjectForm::SpeedButton6Click() { DeleteSelectedItem(ListView2); }

void TProjectForm::ListView2Change(QListWidgetItem* Changed) {
  auto* Item = static_cast<TPlotItem*>(Changed);
  Item->setToolTip(Item->text());
  const bool Checked = Item->checkState() == Qt::Checked;
  if (PlotListUpdating || Checked == Item->WasChecked) return;
  Item->WasChecked = Checked;
  if (Checked && !Item->Plot) {
    const QString Text = Item->text();
    const qsizetype Dot = Text.indexOf('.');
    const QString FrameName = Dot < 0 ? QString() : Text.left(Dot);
    const QString VarName = Dot < 0 ? Text : Text.mid(Dot + 1);
    Item->Plot = OpenPlot(this, FrameName, VarName, QString());
  } else if (!Checked && Item->Plot && Plots.contains(Item->Plot)) {
    Item->Plot->Window()->close();
  }
}

bool TProjectForm::eventFilter(QObject* Watched, QEvent* Event) {
  // ListView2KeyUp: Insert adds an entry, Delete removes the selected one.
  if (Watched == ListView2 && Event->type() == QEvent::KeyRelease) {
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    if (Key == Qt::Key_Insert) SpeedButton5Click();
    if (Key == Qt::Key_Delete) SpeedButton6Click();
  }
  return QWidget::eventFilter(Watched, Event);
}

TProjectSettings TProjectForm::Settings() const {
  TProjectSettings Settings;
  Settings.StructureFile = ToBytes(ComboBox1->currentText());
  Settings.PaketFileA = ToBytes(Edit1->text());
  Settings.PaketFileB = ToBytes(Edit2->text());
  Settings.Tracking = Tracking->isChecked();
  for (int Row = 0; Row < ListView2->count(); ++Row) Settings.DataSeries.push_back(ToBytes(ListView2->item(Row)->text()));
  for (int Row = 0; Row < ListView1->count(); ++Row)
    Settings.Alarms.push_back({AlarmItem(Row)->Alarm, AlarmItem(Row)->checkState() == Qt::Checked});
  return Settings;
}

bool TProjectForm::SaveProjectFile(const QString& Path) {
  QString FileName = Path;
  if (FileName.isEmpty() || ProjectFileName == QLatin1String("Unsaved")) {
    TFileDialogOptions Options;
    Options.Filter = QStringLiteral("VOREX Project File|*.vproject");
    Options.DefaultExt = QStringLiteral("*.vproject");
    FileName = Dialogs().SaveFileName(this, Options);
    if (FileName.isEmpty()) return false;
  }
  ProjectFileName = FileName;
  setWindowTitle("Project Setup - " + FileName);
  TIniImage Image;
  Image.LoadFromFile(ToBytes(FileName));
  WriteProjectSettings(Image, Settings());
  Image.SaveToFile(ToBytes(FileName));
  return true;
}

void TProjectForm::LoadProjectFile(const QString& Path) {
  TIniImage Image;
  Image.LoadFromFile(ToBytes(Path));
  const TProjectSettings Read = ReadProjectSettings(Image, Settings());
  ComboBox1->setEditText(FromBytes(Read.StructureFile));
  Edit1->setText(FromBytes(Read.PaketFileA));
  Edit2->setText(FromBytes(Read.PaketFileB));
  Tracking->setChecked(Read.Tracking);
  // Entries are appended from the highest position down.
  for (auto Series = Read.DataSeries.rbegin(); Series != Read.DataSeries.rend(); ++Series)
    AppendPlotItem(FromBytes(*Series), false, nullptr);
  for (auto Alarm = Read.Alarms.rbegin(); Alarm != Read.Alarms.rend(); ++Alarm)
    AppendAlarmItem(Alarm->Alarm, Alarm->Active);
}

void TProjectForm::closeEvent(QCloseEvent* Event) {
  if (RefuseWhileBusy("close a project window")) {
    Event->ignore();
    return;
  }
  const int Answer = Dialogs().MessageDlg(this, QStringLiteral("Do you want to save your changes?"),
                                          TDlgType::Information, dbYes | dbNo | dbCancel);
  if (Answer == dbCancel) {
    Event->ignore();
    return;
  }
  if (Answer == dbYes) {
    try {
      SaveProjectFile(ProjectFileName);
    } catch (const std::exception& Error) {
      // The settings would be lost: the window stays open.
      ShowErrorNotice(this, FromBytes(Error.what()));
      Event->ignore();
      return;
    }
  }
  // The window is freed when events next run, maybe inside a pass of one of
  // its own holders: no pass may start from now on.
  Closing = true;
  if (DataA) DataA->StopTracking();
  if (DataB) DataB->StopTracking();
  Event->accept();
}
