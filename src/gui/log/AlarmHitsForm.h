#pragma once
// The alarm window: every alarm hit of every project, newest last, with a
// count per alarm; the operator acknowledges hits and opens a browser at one.
#include <QWidget>
#include <cstdint>
#include <functional>

#include "project/AlarmHits.h"

class QLabel;
class QTableView;
class QToolButton;
class THitTable;

class TAlarmHitsForm : public QWidget {
 public:
  TAlarmHitsForm();
  ~TAlarmHitsForm() override;

  // Asked to show the hit node (project Id, serial number) in a new browser.
  std::function<void(std::uint64_t Project, std::int64_t SerialNo)> OnOpenHit;

  // Takes a reported hit, stamped with the time it arrives.
  void AddHit(const TAlarmHit& Hit);

 private:
  QTableView* HitView;
  QLabel* CountLabel;
  QToolButton* AcknowledgeButton;
  QToolButton* AcknowledgeAllButton;
  // Acknowledges the selected hits.
  void OnAcknowledge();
  void OnAcknowledgeAll();
  void OnHitDoubleClick(int Row);
  void ShowCounts();
  void FitColumns(int Row);
  // Fits the columns to the rows added since the last fit, a share per
  // event, then follows them.
  void FitNewRows();
  TAlarmHitList Hits;
  THitTable* Table;
  TAlarmHitSink PreviousSink;
  // The first row added since the last fit (-1: none), and whether the view
  // was at the newest hit then.
  int FirstUnfitted = -1;
  bool Following = true;
};
