#include "project/PlotListModel.h"

#include <algorithm>

#include "widgets/TextBridge.h"

TPlotListModel::TPlotListModel(std::vector<TDataSeries>& Entries, QObject* Parent)
    : QAbstractListModel(Parent), Entries(Entries), Rows(Entries.size()) {}

int TPlotListModel::rowCount(const QModelIndex& Parent) const {
  return Parent.isValid() ? 0 : static_cast<int>(Entries.size());
}

QVariant TPlotListModel::data(const QModelIndex& Index, int Role) const {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid)) return {};
  const auto Row = static_cast<std::size_t>(Index.row());
  switch (Role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole: return FromBytes(Entries[Row].Caption);
    case Qt::CheckStateRole: return Rows[Row].Checked ? Qt::Checked : Qt::Unchecked;
    default: return {};
  }
}

Qt::ItemFlags TPlotListModel::flags(const QModelIndex& Index) const {
  if (!Index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemIsEditable;
}

bool TPlotListModel::setData(const QModelIndex& Index, const QVariant& Value, int Role) {
  if (!checkIndex(Index, CheckIndexOption::IndexIsValid)) return false;
  const auto Row = static_cast<std::size_t>(Index.row());
  if (Role == Qt::EditRole) {
    Entries[Row].Caption = ToBytes(Value.toString());
    emit dataChanged(Index, Index, {Qt::DisplayRole, Qt::EditRole, Qt::ToolTipRole});
    return true;
  }
  if (Role != Qt::CheckStateRole) return false;
  const bool Checked = Value.toInt() == Qt::Checked;
  if (Checked == Rows[Row].Checked) return true;
  Rows[Row].Checked = Checked;
  emit dataChanged(Index, Index, {Qt::CheckStateRole});
  if (OnChecked) OnChecked(Index.row(), Checked);
  return true;
}

bool TPlotListModel::removeRows(int Row, int Count, const QModelIndex& Parent) {
  if (Parent.isValid() || Row < 0 || Count < 1 || Row + Count > rowCount()) return false;
  beginRemoveRows(Parent, Row, Row + Count - 1);
  Entries.erase(Entries.begin() + Row, Entries.begin() + Row + Count);
  Rows.erase(Rows.begin() + Row, Rows.begin() + Row + Count);
  endRemoveRows();
  return true;
}

void TPlotListModel::Append(const TDataSeries& Entry, TPlotWindow* Plot) {
  beginInsertRows(QModelIndex(), rowCount(), rowCount());
  Entries.push_back(Entry);
  Rows.push_back({Plot, Plot != nullptr});
  endInsertRows();
}

TPlotWindow* TPlotListModel::Plot(int Row) const { return Rows[static_cast<std::size_t>(Row)].Plot; }

void TPlotListModel::SetPlot(int Row, TPlotWindow* Plot) { Rows[static_cast<std::size_t>(Row)].Plot = Plot; }

int TPlotListModel::RowOf(const TPlotWindow* Plot) const {
  if (!Plot) return -1;
  const auto Found = std::find_if(Rows.begin(), Rows.end(), [Plot](const TRowState& R) { return R.Plot == Plot; });
  return Found == Rows.end() ? -1 : static_cast<int>(Found - Rows.begin());
}

void TPlotListModel::Forget(const TPlotWindow* Plot) {
  const int Row = RowOf(Plot);
  if (Row < 0) return;
  Rows[static_cast<std::size_t>(Row)] = TRowState();
  emit dataChanged(index(Row), index(Row), {Qt::CheckStateRole});
}
