#include "project/AlarmListModel.h"

#include "widgets/TextBridge.h"

TAlarmListModel::TAlarmListModel(std::vector<TProjectAlarm>& Alarms, QObject* Parent)
    : QAbstractListModel(Parent), Alarms(Alarms) {}

int TAlarmListModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(Alarms.size());
}

QVariant TAlarmListModel::data(const QModelIndex& Index, int Role) const {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid)) return {};
  const TProjectAlarm& Entry = Alarms[static_cast<std::size_t>(Index.row())];
  if (Role == Qt::DisplayRole) return FromBytes(AlarmCaption(Entry.Alarm));
  if (Role == Qt::CheckStateRole) return Entry.Active ? Qt::Checked : Qt::Unchecked;
  return {};
}

Qt::ItemFlags TAlarmListModel::flags(const QModelIndex& Index) const {
  if (!Index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

bool TAlarmListModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
  if (Role != Qt::CheckStateRole || !checkIndex(Index, CheckIndexOption::IndexIsValid)) return false;
  Alarms[static_cast<std::size_t>(Index.row())].Active = Value.toInt() == Qt::Checked;
  emit dataChanged(Index, Index, {Qt::CheckStateRole});
  return true;
}

bool TAlarmListModel::removeRows(int Row, int Count, const QModelIndex& Parent) {
  if (Parent.isValid() || Row < 0 || Count < 1 || Row + Count > rowCount()) return false;
  beginRemoveRows(Parent, Row, Row + Count - 1);
  Alarms.erase(Alarms.begin() + Row, Alarms.begin() + Row + Count);
  endRemoveRows();
  return true;
}

void TAlarmListModel::Append(const TProjectAlarm& Alarm) {
  beginInsertRows(QModelIndex(), rowCount(), rowCount());
  Alarms.push_back(Alarm);
  endInsertRows();
}

void TAlarmListModel::Replace(int Row, const TAlarmEntry& Alarm) {
  Alarms[static_cast<std::size_t>(Row)].Alarm = Alarm;
  emit dataChanged(index(Row), index(Row), {Qt::DisplayRole});
}

void TAlarmListModel::SetAllActive(bool Active) {
  if (Alarms.empty()) return;
  for (TProjectAlarm& Entry : Alarms) Entry.Active = Active;
  emit dataChanged(index(0), index(rowCount() - 1), {Qt::CheckStateRole});
}
