#pragma once
// The progress window of the update passes; its Busy flag (inherited from the
// progress seam) says that some data holder is inside a pass.
#include <QWidget>

#include "common/LoadProgress.h"

class QLabel;
class QProgressBar;

class TLoadForm : public QWidget, public TLoadProgress {
 public:
  TLoadForm();
  ~TLoadForm() override;

  void ShowProgress() override;
  void HideProgress() override;
  void SetMaximum(std::int64_t Maximum) override;
  void SetPosition(std::int64_t Position) override;
  void SetCounter(const std::string& Counter) override;

 private:
  QLabel* TitleLabel;
  QLabel* CounterLabel;
  QProgressBar* ProgressBar;
  // The bar counts in ints: positions of files of 2 GiB and more are halved
  // this many times.
  int Shift = 0;
  void FormCreate();
};
