// The project window's alarm list and plot list: each entry mirrors the
// project's setting at its row.
#include <QKeyEvent>
#include <QListWidget>
#include <QScopedValueRollback>

#include "project/AlarmForm.h"
#include "project/ProjectForm.h"
#include "widgets/TextBridge.h"

QListWidgetItem* TProjectForm::AlarmItem(int Row) const { return AlarmList->item(Row); }

TPlotItem* TProjectForm::PlotItem(int Row) const { return static_cast<TPlotItem*>(PlotList->item(Row)); }

int TProjectForm::AlarmCount() const { return AlarmList->count(); }

void TProjectForm::ShowAlarmRows(std::size_t Row) {
  for (; Row < Project.Settings.Alarms.size(); ++Row) {
    auto* Item = new QListWidgetItem;
    Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    Item->setCheckState(Project.Settings.Alarms[Row].Active ? Qt::Checked : Qt::Unchecked);
    Item->setText(FromBytes(AlarmCaption(Project.Settings.Alarms[Row].Alarm)));
    AlarmList->addItem(Item);
  }
}

void TProjectForm::ShowAlarmCaption(int Row) {
  AlarmList->item(Row)->setText(FromBytes(AlarmCaption(Project.Settings.Alarms[static_cast<std::size_t>(Row)].Alarm)));
}

// The check box is the alarm's active flag.
void TProjectForm::OnAlarmItemChange(QListWidgetItem* Item) {
  const int Row = AlarmList->row(Item);
  if (Row >= 0 && static_cast<std::size_t>(Row) < Project.Settings.Alarms.size())
    Project.Settings.Alarms[static_cast<std::size_t>(Row)].Active = Item->checkState() == Qt::Checked;
}

// Runs the alarm dialog on Alarm; false when cancelled. A name the structure
// lacks is kept, with a warning.
bool TProjectForm::EditAlarm(TAlarmEntry& Alarm) {
  const std::optional<TAlarmEntry> Changed = AlarmDialog.Edit(Alarm, this);
  if (!Changed) return false;
  Alarm = *Changed;
  Project.CheckAlarmVariable(Alarm.VarName);
  return true;
}

void TProjectForm::AddAlarm(const QString& VarName) {
  AlarmDialog.OfferVariables(Project.VariableNames());
  TAlarmEntry Alarm;
  Alarm.VarName = ToBytes(VarName);
  Alarm.Operator = '>';
  if (!EditAlarm(Alarm)) return;
  Project.Settings.Alarms.push_back({Alarm, true});
  ShowAlarmRows(Project.Settings.Alarms.size() - 1);
}

void TProjectForm::OnEditAlarm() {
  const int Row = AlarmList->currentRow();
  if (Row < 0) return;
  TAlarmEntry Changed = Project.Settings.Alarms[static_cast<std::size_t>(Row)].Alarm;
  if (!EditAlarm(Changed)) return;
  Project.Settings.Alarms[static_cast<std::size_t>(Row)].Alarm = Changed;
  ShowAlarmCaption(Row);
}

void TProjectForm::DeleteSelectedItem(QListWidget* List, const std::function<void(int Row)>& EraseSetting) {
  QListWidgetItem* Item = List->currentItem();
  if (!Item) return;
  // Unchecking closes the entry's window; its end finds the entry gone.
  if (Item->checkState() == Qt::Checked) Item->setCheckState(Qt::Unchecked);
  const int Row = List->row(Item);
  if (Row < 0) return;
  EraseSetting(Row);
  delete List->takeItem(Row);
}

void TProjectForm::OnRemoveAlarm() {
  DeleteSelectedItem(AlarmList,
                     [this](int Row) { Project.Settings.Alarms.erase(Project.Settings.Alarms.begin() + Row); });
}

void TProjectForm::OnActivateAlarms() {
  for (int Row = 0; Row < AlarmList->count(); ++Row) AlarmList->item(Row)->setCheckState(Qt::Checked);
}

void TProjectForm::OnDisableAlarms() {
  for (int Row = 0; Row < AlarmList->count(); ++Row) AlarmList->item(Row)->setCheckState(Qt::Unchecked);
}

void TProjectForm::ShowPlotRows(std::size_t Row) {
  const QScopedValueRollback Updating(PlotListUpdating, true);
  for (; Row < Project.Settings.DataSeries.size(); ++Row) {
    auto* Item = new TPlotItem;
    const QString Caption = FromBytes(Project.Settings.DataSeries[Row].Caption);
    Item->setText(Caption);
    Item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    Item->setCheckState(Qt::Unchecked);
    Item->setToolTip(Caption);
    PlotList->addItem(Item);
  }
}

void TProjectForm::AppendPlotItem(const QString& Caption, bool Checked, TPlotWindow* Plot) {
  Project.Settings.DataSeries.push_back({ToBytes(Caption), {}});
  ShowPlotRows(Project.Settings.DataSeries.size() - 1);
  const QScopedValueRollback Updating(PlotListUpdating, true);
  TPlotItem* Item = PlotItem(PlotList->count() - 1);
  Item->setCheckState(Checked ? Qt::Checked : Qt::Unchecked);
  Item->WasChecked = Checked;
  Item->Plot = Plot;
}

void TProjectForm::OnAddPlot() { AppendPlotItem(QStringLiteral("Change me!"), false, nullptr); }

void TProjectForm::OnRemovePlot() {
  DeleteSelectedItem(PlotList,
                     [this](int Row) { Project.Settings.DataSeries.erase(Project.Settings.DataSeries.begin() + Row); });
}

void TProjectForm::OnPlotItemChange(QListWidgetItem* Changed) {
  auto* Item = static_cast<TPlotItem*>(Changed);
  Item->setToolTip(Item->text());
  const int Row = PlotList->row(Item);
  const bool Listed = Row >= 0 && static_cast<std::size_t>(Row) < Project.Settings.DataSeries.size();
  if (Listed) Project.Settings.DataSeries[static_cast<std::size_t>(Row)].Caption = ToBytes(Item->text());
  const bool Checked = Item->checkState() == Qt::Checked;
  if (PlotListUpdating || Checked == Item->WasChecked) return;
  Item->WasChecked = Checked;
  if (Checked && !Item->Plot && Listed) {
    Item->Plot = OpenListedPlot(Project.Settings.DataSeries[static_cast<std::size_t>(Row)]);
  } else if (!Checked && Item->Plot && Project.IsOpen(Item->Plot)) {
    Item->Plot->Window()->close();
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
  for (int Row = 0; Row < PlotList->count(); ++Row)
    if (PlotItem(Row)->Plot == &Plot)
      Project.Settings.DataSeries[static_cast<std::size_t>(Row)].Added.push_back(ToBytes(Name));
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
