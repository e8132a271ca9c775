#pragma once
// Answers the windows' modal questions from a script and records every one.
#include <QDialog>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "widgets/Dialogs.h"

class TScriptedDialogs : public TDialogs {
 public:
  struct TAsked {
    QString Text;
    TDlgType Type;
    int Buttons;
  };

  TScriptedDialogs() : Previous(SetDialogs(this)) {}
  ~TScriptedDialogs() override { SetDialogs(Previous); }
  TScriptedDialogs(const TScriptedDialogs&) = delete;
  TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

  // Answers to the next message dialogs; without one the first button offered
  // of OK, Yes, No, Cancel is pressed.
  std::deque<int> Answers;
  // Paths the next file dialogs return (empty: cancelled).
  std::deque<QString> Files;
  // Runs the next modal dialog: fills it and returns the result.
  std::deque<std::function<int(QDialog&)>> DialogScripts;

  // The notices shown, in order, with their latest texts; a test closes one
  // by clearing Open.
  struct TShownNotice {
    QString Text;
    TDlgType Type;
    bool Open = true;
  };
  std::vector<std::shared_ptr<TShownNotice>> Notices;

  std::vector<TAsked> Asked;
  std::vector<TFileDialogOptions> FileDialogs;
  std::vector<QString> Edited;

  int MessageDlg(QWidget*, const QString& Text, TDlgType Type, int Buttons) override {
    Asked.push_back({Text, Type, Buttons});
    if (!Answers.empty()) {
      const int Answer = Answers.front();
      Answers.pop_front();
      return Answer;
    }
    for (int Button : {dbOK, dbYes, dbNo, dbCancel})
      if (Buttons & Button) return Button;
    return dbOK;
  }
  std::unique_ptr<TNotice> ShowNotice(QWidget*, const QString& Text, TDlgType Type) override {
    Notices.push_back(std::make_shared<TShownNotice>(TShownNotice{Text, Type}));
    return std::make_unique<TScriptedNotice>(Notices.back());
  }
  QString OpenFileName(QWidget*, const TFileDialogOptions& Options) override { return NextFile(Options); }
  QString SaveFileName(QWidget*, const TFileDialogOptions& Options) override { return NextFile(Options); }
  int Execute(QDialog& Dialog) override {
    if (DialogScripts.empty()) return QDialog::Rejected;
    auto Script = std::move(DialogScripts.front());
    DialogScripts.pop_front();
    return Script(Dialog);
  }
  bool OpenInEditor(const QString& Path) override {
    Edited.push_back(Path);
    return EditorStarts;
  }
  bool EditorStarts = true;

  std::vector<QString> Texts() const {
    std::vector<QString> Out;
    for (const TAsked& A : Asked) Out.push_back(A.Text);
    return Out;
  }

 private:
  class TScriptedNotice : public TNotice {
   public:
    explicit TScriptedNotice(std::shared_ptr<TShownNotice> Shown) : Shown(std::move(Shown)) {}
    ~TScriptedNotice() override { Shown->Open = false; }
    bool IsOpen() const override { return Shown->Open; }
    void SetText(const QString& Text) override { Shown->Text = Text; }

   private:
    std::shared_ptr<TShownNotice> Shown;
  };
  QString NextFile(const TFileDialogOptions& Options) {
    FileDialogs.push_back(Options);
    if (Files.empty()) return {};
    const QString File = Files.front();
    Files.pop_front();
    return File;
  }
  TDialogs* Previous;
};
