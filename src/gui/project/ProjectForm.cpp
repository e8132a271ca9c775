#include "project/ProjectForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QScopeGuard>
#include <QSpinBox>
#include <QToolButton>
#include <cstdlib>
#include <utility>

#include "common/Log.h"
#include "project/AlarmListModel.h"
#include "project/OpenProjects.h"
#include "project/PlotListModel.h"
#include "project/StructureFiles.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/RecentProjects.h"
#include "widgets/TextBridge.h"
#include "widgets/WindowPlacement.h"

TProjectForm::TProjectForm(TAlarmForm& AlarmDialog, TOpenProjects& OpenProjects, TWindowMakers Makers)
    : AlarmDialog(AlarmDialog), OpenProjects(OpenProjects), Makers(std::move(Makers)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Project Setup"));
  setFixedSize(666, 351);
  BuildWindow();
  FormCreate();
  TakeFields();
  Project.MarkUnchanged();
  Project.OnStateChanged = [this] { ShowState(); };
  Project.OnAlarm = [this](const TAlarmEntry& Alarm, double Value, std::int64_t MoreHits) {
    AlarmNotices.Show(this, Alarm, Value, MoreHits);
  };
  OpenProjects.Add(this);
  // Beside the main window, or lower and to the right of a window there;
  // placed once shown, when its frame is known.
  move(410, 0);
  show();
  PlaceNewWindow(*this);
}

TProjectForm::~TProjectForm() {
  // FormDestroy
  Project.Unload();
  Project.OnStateChanged = nullptr;
  OpenProjects.Remove(this);
}

void TProjectForm::FormCreate() {
  for (const std::string& File : FindStructureFiles(ToBytes(QCoreApplication::applicationDirPath()),
                                                    [](const char* Name) { return std::getenv(Name); }))
    StructureFileCombo->addItem(FromBytes(File));
  if (StructureFileCombo->count() > 0) StructureFileCombo->setCurrentIndex(0);
  OffsetTimeEdit->setText(FromBytes(Project.OffsetTime));
  UpdateIntervalSpin->setValue(Project.Settings.UpdateInterval);
  NoticesCheck->setChecked(Project.Settings.Notices);
  ShowState();
}

void TProjectForm::ShowState() {
  switch (Project.State()) {
    case TProjectState::Empty:
      SetEmptyState(true);
      SetStatus(QStringLiteral("Empty"));
      break;
    case TProjectState::Loading: SetStatus(QStringLiteral("Loading")); break;
    case TProjectState::Active:
      SetEmptyState(false);
      SetStatus(QStringLiteral("Active"));
      break;
  }
}

// Controls that follow the Empty / loaded state.
void TProjectForm::SetEmptyState(bool Empty) {
  for (QWidget* Field :
       std::initializer_list<QWidget*>{StructureFileCombo, PacketFileEdit, SecondPacketFileEdit, StructureFileButton,
                                       PacketFileButton, SecondPacketFileButton, TrackingCheck, UpdateIntervalSpin,
                                       UpdateOnFileChangeCheck, ResyncCheck, OffsetTimeEdit})
    Field->setEnabled(Empty);
  AlarmGroup->setEnabled(!Empty);
  PlotGroup->setEnabled(!Empty);
  LoadButton->setIcon(PictureIcon(Empty ? TPicture::Load : TPicture::Blank));
  LoadButton->setEnabled(true);
  for (QToolButton* Button : {BrowserButton, AlarmsOnButton, AlarmsOffButton}) Button->setEnabled(!Empty);
}

void TProjectForm::SetStatus(const QString& Text) {
  FStatus = Text;
  StatePanel->update();
}

QString TProjectForm::StatusText() const { return FStatus; }

void TProjectForm::OnChooseFile(QToolButton* Sender) {
  TFileDialogOptions Options;
  Options.InitialDir = QStringLiteral(".");
  const QString Path = Dialogs().OpenFileName(this, Options);
  if (Path.isEmpty()) return;
  if (Sender == StructureFileButton) {
    StructureFileCombo->addItem(Path);
    StructureFileCombo->setCurrentIndex(StructureFileCombo->count() - 1);
  } else {
    (Sender == PacketFileButton ? PacketFileEdit : SecondPacketFileEdit)->setText(Path);
  }
}

void TProjectForm::OnFileEditChange(QLineEdit* Sender) { Sender->setToolTip(Sender->text()); }

void TProjectForm::OnStructureFileChange() { StructureFileCombo->setToolTip(StructureFileCombo->currentText()); }

void TProjectForm::TakeFields() {
  Project.Settings.StructureFile = ToBytes(StructureFileCombo->currentText());
  Project.Settings.PacketFileA = ToBytes(PacketFileEdit->text());
  Project.Settings.PacketFileB = ToBytes(SecondPacketFileEdit->text());
  Project.Settings.Tracking = TrackingCheck->isChecked();
  Project.Settings.UpdateInterval = UpdateIntervalSpin->value();
  Project.Settings.UpdateOnFileChange = UpdateOnFileChangeCheck->isChecked();
  Project.Settings.Notices = NoticesCheck->isChecked();
  Project.Settings.Resync = ResyncCheck->isChecked();
  Project.OffsetTime = ToBytes(OffsetTimeEdit->text());
}

void TProjectForm::OnLoad() {
  if (Closing) return;
  if (Project.DataLoaded) {
    BlankProject();
  } else {
    RunGuarded(this, [this] { LoadData(); });
  }
}

void TProjectForm::LoadData() {
  if (TProject::RefuseWhileBusy("load a project")) return;
  TakeFields();
  // However the load ends (a missing file, a definition that did not load, a
  // conversion error), the button is back and a dropped second file is shown:
  // a window left Loading can then be blanked.
  const QPointer<TProjectForm> Self(this);
  const QScopeGuard ShowResult([this, Self] {
    if (!Self) return;
    SecondPacketFileEdit->setText(FromBytes(Project.Settings.PacketFileB));
    LoadButton->setEnabled(true);
  });
  LoadButton->setEnabled(false);
  Project.Load();
}

void TProjectForm::BlankProject() {
  if (TProject::RefuseWhileBusy("blank the project")) return;
  if (Dialogs().MessageDlg(this,
                           QStringLiteral("This will blank the project and all associated browser/ plot windows!"),
                           TDlgType::Warning, dbOK | dbCancel) != dbOK)
    return;
  Project.Blank();
  StatePanel->update();
}

TBrowserWindow* TProjectForm::OpenBrowser() {
  if (!Project.DataLoaded || !Project.DataA) return nullptr;
  if (!Makers.NewBrowser) return nullptr;
  TBrowserWindow* Browser = Makers.NewBrowser();
  QWidget* Window = Browser->Window();
  PlaceNewWindow(*Window, this);
  connect(Window, &QObject::destroyed, this, [this, Browser] { BrowserClosed(Browser); });
  Browser->SetProject(Project, *this);
  Window->setWindowTitle(Window->windowTitle() + " - " + PacketFileEdit->text() + " " + SecondPacketFileEdit->text());
  Project.Browsers.push_back(Browser);
  FeedBrowser(*Browser);
  ShowBrowserCount();
  return Browser;
}

void TProjectForm::OpenBrowserAt(std::int64_t SerialNo) {
  if (TBrowserWindow* Browser = OpenBrowser()) Browser->FocusSerial(SerialNo);
}

void TProjectForm::FeedBrowser(TBrowserWindow& Browser) { Project.FeedBrowser(Browser); }

std::vector<TPlotWindow*> TProjectForm::OpenPlots() const {
  std::vector<TPlotWindow*> Plots;
  for (TPlotView* View : Project.Plots)
    if (auto* Plot = dynamic_cast<TPlotWindow*>(View)) Plots.push_back(Plot);
  return Plots;
}

TPlotWindow* TProjectForm::OpenPlot(const QObject* Requester, const QString& FrameName, const QString& VarName,
                                    const QString& SortVar) {
  if (!Project.DataLoaded || !Project.DataA) return nullptr;
  if (!Makers.NewPlot) return nullptr;
  TPlotWindow* Plot = Makers.NewPlot();
  Project.Plots.push_back(Plot);
  PlaceNewWindow(*Plot->Window(), this);
  connect(Plot->Window(), &QObject::destroyed, this, [this, Plot] { PlotClosed(Plot); });
  if (Requester != this) PlotRows->Append({ToBytes(FrameName + "." + VarName), {}}, Plot);
  Plot->SetProject(Project, *this);
  Plot->SetSeries(FrameName, VarName, SortVar);
  Plot->SetHolders(Project.DataA.get(), Project.DataB.get());
  Plot->RefreshSeries();
  Plot->ResetView();
  ShowPlotCount();
  return Plot;
}

void TProjectForm::BrowserClosed(TBrowserWindow* Browser) {
  Project.BrowserClosed(Browser);
  ShowBrowserCount();
}

void TProjectForm::ShowBrowserCount() {
  BrowserCountLabel->setText(QString::number(Project.Browsers.size()) + " Open Browsers");
}

void TProjectForm::ShowPlotCount() { PlotCountLabel->setText(QString::number(Project.Plots.size()) + " Open Plots"); }

void TProjectForm::PlotClosed(TPlotWindow* Plot) {
  Project.PlotClosed(Plot);
  PlotRows->Forget(Plot);
  ShowPlotCount();
}

void TProjectForm::SetProjectFileName(const QString& Name) {
  ProjectFileName = Name;
  setWindowTitle("Project Setup - " + Name);
}

void TProjectForm::OnSave() {
  RunGuarded(this, [this] { SaveProjectFile(QString()); });
}

bool TProjectForm::SaveProjectFile(const QString& Path) {
  QString FileName = Path;
  if (FileName.isEmpty() && ProjectFileName != QLatin1String("Unsaved")) FileName = ProjectFileName;
  if (FileName.isEmpty()) {
    TFileDialogOptions Options;
    Options.Filter = QStringLiteral("VOREX Project File|*.vproject");
    Options.DefaultExt = QStringLiteral("*.vproject");
    FileName = Dialogs().SaveFileName(this, Options);
    if (FileName.isEmpty()) return false;
  }
  SetProjectFileName(FileName);
  TakeFields();
  Project.SaveProjectFile(ToBytes(FileName));
  AddRecentProject(FileName);
  return true;
}

namespace {

// The entries of List from From on, taken out of it.
template <class TEntry>
std::vector<TEntry> TakeFrom(std::vector<TEntry>& List, std::size_t From) {
  const auto Start = List.begin() + static_cast<std::ptrdiff_t>(From);
  std::vector<TEntry> Taken(Start, List.end());
  List.erase(Start, List.end());
  return Taken;
}

}  // namespace

bool TProjectForm::LoadProjectFile(const QString& Path) {
  TakeFields();
  const std::size_t Alarms = Project.Settings.Alarms.size(), Plots = Project.Settings.DataSeries.size();
  if (!Project.LoadProjectFile(ToBytes(Path))) return false;
  // Loading appends entries past the lists; they go in again through them.
  for (const TProjectAlarm& Alarm : TakeFrom(Project.Settings.Alarms, Alarms)) AlarmRows->Append(Alarm);
  for (const TDataSeries& Entry : TakeFrom(Project.Settings.DataSeries, Plots)) PlotRows->Append(Entry, nullptr);
  StructureFileCombo->setEditText(FromBytes(Project.Settings.StructureFile));
  PacketFileEdit->setText(FromBytes(Project.Settings.PacketFileA));
  SecondPacketFileEdit->setText(FromBytes(Project.Settings.PacketFileB));
  TrackingCheck->setChecked(Project.Settings.Tracking);
  UpdateIntervalSpin->setValue(Project.Settings.UpdateInterval);
  UpdateOnFileChangeCheck->setChecked(Project.Settings.UpdateOnFileChange);
  NoticesCheck->setChecked(Project.Settings.Notices);
  ResyncCheck->setChecked(Project.Settings.Resync);
  return true;
}

bool TProjectForm::ClosingSavesOrDiscards() {
  TakeFields();
  if (!Project.HasChanges()) return true;
  const int Answer = Dialogs().MessageDlg(this, QStringLiteral("Do you want to save your changes?"),
                                          TDlgType::Information, dbYes | dbNo | dbCancel);
  if (Answer != dbYes) return Answer == dbNo;
  try {
    // A cancelled save dialog keeps the window, and the settings, open.
    return SaveProjectFile(QString());
  } catch (const std::exception& Error) {
    ShowErrorNotice(this, FromBytes(Error.what()));
    return false;
  }
}

void TProjectForm::closeEvent(QCloseEvent* Event) {
  // Closed already, not yet freed: no second question.
  if (Closing) {
    Event->accept();
    return;
  }
  if (TProject::RefuseWhileBusy("close a project window")) {
    Event->ignore();
    return;
  }
  if (!ClosingSavesOrDiscards()) {
    Event->ignore();
    return;
  }
  // The window is freed when events next run, maybe inside a pass of one of
  // its own holders: no pass may start from now on.
  Closing = true;
  Project.StopTracking();
  Event->accept();
}
