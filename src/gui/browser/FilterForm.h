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

  QGroupBox* GroupBox1;
  QGroupBox* GroupBox2;
  QPlainTextEdit* MemoFilterIn;
  QPlainTextEdit* MemoFilterOut;
  QPushButton* Button1;  // "&OK"
  QPushButton* Button2;  // "C&ancel"
  QPushButton* Button3;  // "&Clear all"

 protected:
  void showEvent(QShowEvent* Event) override;
};

// The lines of an edit; an empty edit has none.
QStringList MemoLines(const QPlainTextEdit& Memo);
// Appends lines after the edit's own.
void AddMemoLines(QPlainTextEdit& Memo, const QStringList& Lines);
