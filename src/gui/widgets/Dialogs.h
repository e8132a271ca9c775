#pragma once
// Every modal question, notice, file dialog and external program of the
// windows goes through this interface, so tests can answer them.
#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QWidget;

enum class TDlgType { Plain, Information, Warning, Error };

enum TDlgButton : int { dbOK = 1, dbCancel = 2, dbYes = 4, dbNo = 8 };

struct TFileDialogOptions {
  QString Title;
  // Pairs of description and pattern: "Project Files|*.vproject".
  QString Filter;
  QString DefaultExt;
  QString InitialDir;
  bool MustExist = false;
};

// A notice that does not wait for its OK: the program goes on while it is
// open, and its owner may change its text. Dropping it closes it.
class TNotice {
 public:
  virtual ~TNotice() = default;
  // False once the user (or the end of its parent window) closed it.
  virtual bool IsOpen() const = 0;
  virtual void SetText(const QString& Text) = 0;
};

class TDialogs {
 public:
  virtual ~TDialogs() = default;
  // Shows Text with the given buttons (a TDlgButton mask); returns the button pressed.
  virtual int MessageDlg(QWidget* Parent, const QString& Text, TDlgType Type, int Buttons) = 0;
  // The chosen path, or an empty text when cancelled.
  virtual QString OpenFileName(QWidget* Parent, const TFileDialogOptions& Options) = 0;
  virtual QString SaveFileName(QWidget* Parent, const TFileDialogOptions& Options) = 0;
  // Shows Text with an OK button and returns at once; nullptr when nothing
  // is shown.
  virtual std::unique_ptr<TNotice> ShowNotice(QWidget* Parent, const QString& Text, TDlgType Type) = 0;
  // Runs a dialog modally; returns QDialog::Accepted or QDialog::Rejected.
  virtual int Execute(QDialog& Dialog) = 0;
  // Opens a file in the desktop's text editor without waiting for it.
  // False when no program could be started for the file.
  virtual bool OpenInEditor(const QString& Path) = 0;
};

// The dialogs in use (the real ones unless a test installed others).
TDialogs& Dialogs();
// Installs Replacement (nullptr restores the real ones); returns the previous.
TDialogs* SetDialogs(TDialogs* Replacement);

// The toolkit's error notice for an operation that ended with an exception.
void ShowErrorNotice(QWidget* Parent, const QString& Text);

// Runs Action; an exception it throws ends it with the error notice showing its text.
void RunGuarded(QWidget* Parent, const std::function<void()>& Action);
