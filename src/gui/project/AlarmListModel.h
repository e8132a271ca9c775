#pragma once
// The alarm list of a project window over the project's alarm settings: a
// row's text is the alarm's caption, its check box the alarm's active flag.
#include <QAbstractListModel>
#include <vector>

#include "project/ProjectFile.h"

class TAlarmListModel : public QAbstractListModel {
 public:
  TAlarmListModel(std::vector<TProjectAlarm>& Alarms, QObject* Parent);

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;
  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
  bool removeRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;

  void Append(const TProjectAlarm& Alarm);
  void Replace(int Row, const TAlarmEntry& Alarm);
  void SetAllActive(bool Active);

 private:
  std::vector<TProjectAlarm>& Alarms;
};
