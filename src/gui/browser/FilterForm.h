#pragma once
// A browser's filter dialog: the names that keep (filter in) and remove
// (filter out) BaseFrames, one per line.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QGroupBox;
class QPlainTextEdit;
class QPushButton;

// The dialog's results besides QDialog::Accepted (OK) and Rejected (Cancel).
constexpr int FilterClearAll = 2;

// The lines of the two filters, in the order shown.
struct TFilterChoice {
  std::vector<std::string> In, Out;
};

class TFilterForm : public QDialog {
 public:
  explicit TFilterForm(QWidget* Parent = nullptr);

  // Shows Filters and runs the dialog: the lines as the user left them (OK),
  // no lines (Clear all), or none when cancelled.
  std::optional<TFilterChoice> Choose(const TFilterChoice& Filters);

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  QGroupBox* FilterOutGroup;
  QGroupBox* FilterInGroup;
  QPlainTextEdit* FilterInEdit;
  QPlainTextEdit* FilterOutEdit;
  QPushButton* OkButton;        // "&OK"
  QPushButton* CancelButton;    // "C&ancel"
  QPushButton* ClearAllButton;  // "&Clear all"
};

// The lines of an edit; an empty edit has none.
QStringList MemoLines(const QPlainTextEdit& Memo);
