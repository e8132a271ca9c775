#pragma once
// The plot list of a project window over the project's plot entries: a row's
// text is the entry's caption, which the user may edit; its check box tells
// whether the entry's plot is to be open. Beside each entry the model keeps
// the plot window opened for it.
#include <QAbstractListModel>
#include <functional>
#include <vector>

#include "project/ProjectFile.h"

class TPlotWindow;

class TPlotListModel : public QAbstractListModel {
 public:
  TPlotListModel(std::vector<TDataSeries>& Entries, QObject* Parent);

  int rowCount(const QModelIndex& Parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& Index, int Role) const override;
  Qt::ItemFlags flags(const QModelIndex& Index) const override;
  bool setData(const QModelIndex& Index, const QVariant& Value, int Role) override;
  bool removeRows(int Row, int Count, const QModelIndex& Parent = QModelIndex()) override;

  // Called after the user checked or unchecked a row.
  std::function<void(int Row, bool Checked)> OnChecked;

  // A new row, checked when it comes with its open plot.
  void Append(const TDataSeries& Entry, TPlotWindow* Plot);
  TPlotWindow* Plot(int Row) const;
  void SetPlot(int Row, TPlotWindow* Plot);
  // The row of that plot, or -1.
  int RowOf(const TPlotWindow* Plot) const;
  // The plot closed: its row is unchecked and forgets it.
  void Forget(const TPlotWindow* Plot);

 private:
  struct TRowState {
    TPlotWindow* Plot = nullptr;
    bool Checked = false;
  };
  std::vector<TDataSeries>& Entries;
  std::vector<TRowState> Rows;  // one for each entry, in step
};
