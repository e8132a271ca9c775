#pragma once
// A browser's filter dialog: the names that keep (filter in) and remove
// (filter out) BaseFrames, one per line.
#include <QDialog>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

// The dialog's results besides QDialog::Accepted (OK) and Rejected (Cancel).
constexpr int FilterClearAll = 2;

class TFilterForm : public QDialog {
 public:
  explicit TFilterForm(QWidget* Parent = nullptr);

  QGroupBox* FilterOutGroup;
  QGroupBox* FilterInGroup;
  QPlainTextEdit* FilterInEdit;
  QPlainTextEdit* FilterOutEdit;
  QPushButton* OkButton;        // "&OK"
  QPushButton* CancelButton;    // "C&ancel"
  QPushButton* ClearAllButton;  // "&Clear all"

 protected:
  void showEvent(QShowEvent* Event) override;
};

// The lines of an edit; an empty edit has none.
QStringList MemoLines(const QPlainTextEdit& Memo);
// Appends lines after the edit's own.
void AddMemoLines(QPlainTextEdit& Memo, const QStringList& Lines);
