#include "project/ProjectForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QToolButton>
#include <cstdlib>

#include "common/Log.h"
#include "project/StructureFiles.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/RecentProjects.h"
#include "widgets/TextBridge.h"
#include "widgets/WindowPlacement.h"

QPointer<TProjectForm> ProjectForm;

namespace {

QList<TProjectForm*> ProjectWindows;

}  // namespace

TProjectForm::TProjectForm() {
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
  ProjectWindows.append(this);
  ProjectForm = this;
  // Beside the main window, or lower and to the right of a window there;
  // placed once shown, when its frame is known.
  move(410, 0);
  show();
  PlaceNewWindow(*this);
}

TProjectForm::~TProjectForm() {
  // FormDestroy
  UnloadProject();
  Project.OnStateChanged = nullptr;
  ProjectWindows.removeAll(this);
  if (ProjectForm == this || !ProjectForm) ProjectForm = ProjectWindows.isEmpty() ? nullptr : ProjectWindows.last();
}

const QList<TProjectForm*>& TProjectForm::OpenProjects() { return ProjectWindows; }

void TProjectForm::FormCreate() {
  for (const std::string& File : FindStructureFiles(ToBytes(QCoreApplication::applicationDirPath()),
                                                    [](const char* Name) { return std::getenv(Name); }))
    ComboBox1->addItem(FromBytes(File));
  if (ComboBox1->count() > 0) ComboBox1->setCurrentIndex(0);
  Edit3->setText(FromBytes(Project.OffsetTime));
  UpdateInterval->setValue(Project.Settings.UpdateInterval);
  Notices->setChecked(Project.Settings.Notices);
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
       std::initializer_list<QWidget*>{ComboBox1, Edit1, Edit2, SpeedButton1, SpeedButton2, SpeedButton7, Tracking,
                                       UpdateInterval, UpdateOnFileChange, Resync, Edit3})
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

void TProjectForm::TakeFields() {
  Project.Settings.StructureFile = ToBytes(ComboBox1->currentText());
  Project.Settings.PaketFileA = ToBytes(Edit1->text());
  Project.Settings.PaketFileB = ToBytes(Edit2->text());
  Project.Settings.Tracking = Tracking->isChecked();
  Project.Settings.UpdateInterval = UpdateInterval->value();
  Project.Settings.UpdateOnFileChange = UpdateOnFileChange->isChecked();
  Project.Settings.Notices = Notices->isChecked();
  Project.Settings.Resync = Resync->isChecked();
  Project.OffsetTime = ToBytes(Edit3->text());
}

void TProjectForm::Button1Click() {
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
    Edit2->setText(FromBytes(Project.Settings.PaketFileB));
    ToolButton1->setEnabled(true);
  });
  ToolButton1->setEnabled(false);
  Project.Load();
}

void TProjectForm::BlankProject() {
  if (TProject::RefuseWhileBusy("blank the project")) return;
  if (Dialogs().MessageDlg(this,
                           QStringLiteral("This will blank the project and all associated browser/ plot windows!"),
                           TDlgType::Warning, dbOK | dbCancel) != dbOK)
    return;
  Project.Blank();
  Panel0->update();
}

TBrowserWindow* TProjectForm::OpenBrowser() {
  if (!Project.DataLoaded || !Project.DataA) return nullptr;
  TBrowserWindow* Browser = CreateBrowserWindow();
  if (!Browser) return nullptr;
  QWidget* Window = Browser->Window();
  PlaceNewWindow(*Window, this);
  connect(Window, &QObject::destroyed, this, [this, Browser] { BrowserClosed(Browser); });
  Browser->SetProject(Project, *this);
  Window->setWindowTitle(Window->windowTitle() + " - " + Edit1->text() + " " + Edit2->text());
  Project.Browsers.push_back(Browser);
  FeedBrowser(*Browser);
  ShowBrowserCount();
  return Browser;
}

void TProjectForm::OpenBrowserAt(std::int32_t SerialNo) {
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
  TPlotWindow* Plot = CreatePlotWindow();
  if (!Plot) return nullptr;
  const bool WasUpdating = PlotListUpdating;
  PlotListUpdating = true;
  Project.Plots.push_back(Plot);
  PlaceNewWindow(*Plot->Window(), this);
  connect(Plot->Window(), &QObject::destroyed, this, [this, Plot] { PlotClosed(Plot); });
  if (Requester != this) AppendPlotItem(FrameName + "." + VarName, true, Plot);
  Plot->SetProject(Project, *this);
  Plot->SetSeries(FrameName, VarName, SortVar);
  Plot->SetFrames(Project.DataA->Frames, Project.DataB ? Project.DataB->Frames : nullptr);
  Plot->RefreshSeries();
  Plot->ResetView();
  ShowPlotCount();
  PlotListUpdating = WasUpdating;
  return Plot;
}

void TProjectForm::BrowserClosed(TBrowserWindow* Browser) {
  Project.BrowserClosed(Browser);
  ShowBrowserCount();
}

void TProjectForm::ShowBrowserCount() { Panel1->setText(QString::number(Project.Browsers.size()) + " Open Browsers"); }

void TProjectForm::ShowPlotCount() { Panel2->setText(QString::number(Project.Plots.size()) + " Open Plots"); }

void TProjectForm::PlotClosed(TPlotWindow* Plot) {
  Project.PlotClosed(Plot);
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

void TProjectForm::UnloadProject() { Project.Unload(); }

void TProjectForm::ToolButton7Click() {
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
  ProjectFileName = FileName;
  setWindowTitle("Project Setup - " + FileName);
  TakeFields();
  Project.SaveProjectFile(ToBytes(FileName));
  AddRecentProject(FileName);
  return true;
}

bool TProjectForm::LoadProjectFile(const QString& Path) {
  TakeFields();
  const std::size_t Alarms = Project.Settings.Alarms.size();
  const std::size_t Series = Project.Settings.DataSeries.size();
  if (!Project.LoadProjectFile(ToBytes(Path))) return false;
  ComboBox1->setEditText(FromBytes(Project.Settings.StructureFile));
  Edit1->setText(FromBytes(Project.Settings.PaketFileA));
  Edit2->setText(FromBytes(Project.Settings.PaketFileB));
  Tracking->setChecked(Project.Settings.Tracking);
  UpdateInterval->setValue(Project.Settings.UpdateInterval);
  UpdateOnFileChange->setChecked(Project.Settings.UpdateOnFileChange);
  Notices->setChecked(Project.Settings.Notices);
  Resync->setChecked(Project.Settings.Resync);
  ShowPlotRows(Series);
  ShowAlarmRows(Alarms);
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
