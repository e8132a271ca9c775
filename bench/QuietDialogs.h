#pragma once
// Answers for the application benchmark's windows: every question with OK,
// every dialog with Cancel unless an answer is set, and alarm notices shown
// as the program shows them.
#include <QDialog>
#include <functional>
#include <memory>

#include "widgets/Dialogs.h"

class TQuietDialogs : public TDialogs {
 public:
  // Runs in place of the next dialogs while set.
  std::function<int(QDialog&)> Answer;

  int MessageDlg(QWidget*, const QString&, TDlgType, int) override { return dbOK; }
  std::unique_ptr<TNotice> ShowNotice(QWidget* Parent, const QString& Text, TDlgType Type) override {
    return Real.ShowNotice(Parent, Text, Type);
  }
  QString OpenFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  QString SaveFileName(QWidget*, const TFileDialogOptions&) override { return {}; }
  int Execute(QDialog& Dialog) override { return Answer ? Answer(Dialog) : QDialog::Rejected; }
  bool OpenInEditor(const QString&) override { return true; }

 private:
  // Made before any replacement is installed.
  TDialogs& Real = Dialogs();
};
