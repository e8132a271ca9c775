// The project window's alarm list and plot list, each a view on the model
// over the project's settings.
#include <QKeyEvent>
#include <QListView>
#include <QPersistentModelIndex>
#include <QScopedValueRollback>

#include "project/AlarmForm.h"
#include "project/AlarmListModel.h"
#include "project/PlotListModel.h"
#include "project/ProjectForm.h"
#include "widgets/TextBridge.h"

TPlotWindow* TProjectForm::ListedPlot(int Row) const { return PlotRows->Plot(Row); }

// Runs the alarm dialog on Alarm; false when cancelled. A name the structure
// lacks is kept, with a warning.
bool TProjectForm::EditAlarm(TAlarmEntry& Alarm) {
  const std::optional<TAlarmEntry> Changed = AlarmDialog.Edit(Alarm, Project.VariableNames(), this);
  if (!Changed) return false;
  Alarm = *Changed;
  Project.CheckAlarmVariable(Alarm.VarName);
  return true;
}

void TProjectForm::AddAlarm(const QString& VarName) {
  TAlarmEntry Alarm;
  Alarm.VarName = ToBytes(VarName);
  Alarm.Operator = '>';
  if (!EditAlarm(Alarm)) return;
  AlarmRows->Append({Alarm, true});
}

void TProjectForm::OnEditAlarm(const QModelIndex& Index) {
  if (!Index.isValid()) return;
  TAlarmEntry Changed = Project.Settings.Alarms[static_cast<std::size_t>(Index.row())].Alarm;
  // The dialog lets events run that may remove the entry.
  const QPersistentModelIndex Edited(Index);
  if (!EditAlarm(Changed) || !Edited.isValid()) return;
  AlarmRows->Replace(Edited.row(), Changed);
}

void TProjectForm::DeleteSelectedRow(QListView* List) {
  const QPersistentModelIndex Selected(List->currentIndex());
  if (!Selected.isValid()) return;
  // Unchecking closes the entry's window; its end finds the entry gone.
  if (Selected.data(Qt::CheckStateRole).toInt() == Qt::Checked)
    List->model()->setData(Selected, Qt::Unchecked, Qt::CheckStateRole);
  if (Selected.isValid()) List->model()->removeRow(Selected.row());
}

void TProjectForm::OnRemoveAlarm() { DeleteSelectedRow(AlarmList); }

void TProjectForm::OnActivateAlarms() { AlarmRows->SetAllActive(true); }

void TProjectForm::OnDisableAlarms() { AlarmRows->SetAllActive(false); }

void TProjectForm::OnAddPlot() { PlotRows->Append({"Change me!", {}}, nullptr); }

void TProjectForm::OnRemovePlot() { DeleteSelectedRow(PlotList); }

void TProjectForm::OnPlotChecked(int Row, bool Checked) {
  TPlotWindow* Plot = PlotRows->Plot(Row);
  if (Checked && !Plot) {
    // Opening lets events run that may remove the entry.
    const QPersistentModelIndex Entry(PlotRows->index(Row));
    TPlotWindow* Opened = OpenListedPlot(Project.Settings.DataSeries[static_cast<std::size_t>(Row)]);
    if (Entry.isValid()) PlotRows->SetPlot(Entry.row(), Opened);
  } else if (!Checked && Plot && Project.IsOpen(Plot)) {
    Plot->Window()->close();
  }
}

namespace {

// Frame and variable of "Frame.Variable"; no frame without a dot.
std::pair<QString, QString> SplitName(const QString& Name) {
  const qsizetype Dot = Name.indexOf('.');
  return Dot < 0 ? std::pair(QString(), Name) : std::pair(Name.left(Dot), Name.mid(Dot + 1));
}

}  // namespace

TPlotWindow* TProjectForm::OpenListedPlot(const TDataSeries& Entry) {
  // Copied: opening the plot lets events run that may change the list.
  const std::vector<std::string> Added = Entry.Added;
  const auto [FrameName, VarName] = SplitName(FromBytes(Entry.Caption));
  TPlotWindow* Plot = OpenPlot(this, FrameName, VarName, QString());
  if (!Plot) return nullptr;
  const QPointer<QWidget> Window(Plot->Window());
  const QScopedValueRollback Adding(AddingListedVariables, true);
  for (const std::string& Name : Added) {
    const auto [Frame, Var] = SplitName(FromBytes(Name));
    // A notice of a full plot lets events run that may close it.
    if (Window) Plot->AddVariable(Frame, Var);
  }
  return Window ? Plot : nullptr;
}

void TProjectForm::PlotVariableAdded(const TPlotWindow& Plot, const QString& Name) {
  if (AddingListedVariables) return;
  const int Row = PlotRows->RowOf(&Plot);
  if (Row >= 0) Project.Settings.DataSeries[static_cast<std::size_t>(Row)].Added.push_back(ToBytes(Name));
}

bool TProjectForm::eventFilter(QObject* Watched, QEvent* Event) {
  // PlotListKeyUp: Insert adds an entry, Delete removes the selected one.
  if (Watched == PlotList && Event->type() == QEvent::KeyRelease) {
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    if (Key == Qt::Key_Insert) OnAddPlot();
    if (Key == Qt::Key_Delete) OnRemovePlot();
  }
  return QWidget::eventFilter(Watched, Event);
}
