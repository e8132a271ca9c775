#include "Dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <exception>

#include "TextBridge.h"

namespace {

// "Project Files|*.vproject|All|*.*" as "Project Files (*.vproject);;All (*.*)"; the
// dialog hides the appended patterns, so the descriptions read as given.
QString QtFilter(const QString& Filter) {
  const QStringList Parts = Filter.split('|');
  QStringList Filters;
  for (int I = 0; I + 1 < Parts.size(); I += 2)
    Filters << Parts[I] + " (" + QString(Parts[I + 1]).replace(';', ' ') + ")";
  return Filters.join(";;");
}

QString WithDefaultExt(QString Path, const QString& DefaultExt) {
  QString Ext = DefaultExt;
  Ext.remove('*');
  if (!Path.isEmpty() && !Ext.isEmpty() && QFileInfo(Path).suffix().isEmpty()) Path += Ext;
  return Path;
}

QFileDialog::Options DialogOptions() {
  // The platform dialogs may need services a test campaign laptop lacks.
  return QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails;
}

// A dialog on the heap: its parent may close, and delete it, while it runs.
template <class T>
class TGuardedDialog {
 public:
  explicit TGuardedDialog(T* Dialog) : Dialog(Dialog) {}
  ~TGuardedDialog() { delete Dialog.data(); }
  TGuardedDialog(const TGuardedDialog&) = delete;
  TGuardedDialog& operator=(const TGuardedDialog&) = delete;
  // The result of exec(), or Rejected when the dialog went with its parent.
  int Exec() {
    const int Result = Dialog->exec();
    return Dialog ? Result : QDialog::Rejected;
  }
  bool Alive() const { return !Dialog.isNull(); }
  T* operator->() const { return Dialog.data(); }

 private:
  QPointer<T> Dialog;
};

QString BoxText(const QString& Text) { return QString(Text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

QMessageBox* NewMessageBox(QWidget* Parent, const QString& Text, TDlgType Type) {
  auto* Box = new QMessageBox(Parent);
  Box->setWindowTitle(QStringLiteral("Vorex"));
  Box->setText(BoxText(Text));
  switch (Type) {
    case TDlgType::Plain: Box->setIcon(QMessageBox::NoIcon); break;
    case TDlgType::Information: Box->setIcon(QMessageBox::Information); break;
    case TDlgType::Warning: Box->setIcon(QMessageBox::Warning); break;
    case TDlgType::Error: Box->setIcon(QMessageBox::Critical); break;
  }
  return Box;
}

// A message box shown without a modal loop; it frees itself when closed.
class TWidgetNotice : public TNotice {
 public:
  TWidgetNotice(QWidget* Parent, const QString& Text, TDlgType Type) : Box(NewMessageBox(Parent, Text, Type)) {
    Box->setAttribute(Qt::WA_DeleteOnClose);
    Box->setWindowModality(Qt::NonModal);
    Box->setStandardButtons(QMessageBox::Ok);
    Box->show();
  }
  ~TWidgetNotice() override { delete Box.data(); }
  TWidgetNotice(const TWidgetNotice&) = delete;
  TWidgetNotice& operator=(const TWidgetNotice&) = delete;
  bool IsOpen() const override { return Box && Box->isVisible(); }
  void SetText(const QString& Text) override {
    if (Box) Box->setText(BoxText(Text));
  }

 private:
  QPointer<QMessageBox> Box;
};

class TWidgetDialogs : public TDialogs {
 public:
  int MessageDlg(QWidget* Parent, const QString& Text, TDlgType Type, int Buttons) override {
    TGuardedDialog<QMessageBox> Box(NewMessageBox(Parent, Text, Type));
    const std::pair<int, QMessageBox::StandardButton> Map[] = {
        {dbOK, QMessageBox::Ok}, {dbCancel, QMessageBox::Cancel}, {dbYes, QMessageBox::Yes}, {dbNo, QMessageBox::No}};
    for (const auto& [Ours, Theirs] : Map)
      if (Buttons & Ours) Box->addButton(Theirs);
    Box.Exec();
    const QMessageBox::StandardButton Pressed =
        Box.Alive() ? Box->standardButton(Box->clickedButton()) : QMessageBox::NoButton;
    for (const auto& [Ours, Theirs] : Map)
      if (Pressed == Theirs) return Ours;
    return (Buttons & dbCancel) ? dbCancel : (Buttons & dbNo) ? dbNo : dbOK;
  }

  QString OpenFileName(QWidget* Parent, const TFileDialogOptions& Options) override {
    TGuardedDialog<QFileDialog> Dialog(
        new QFileDialog(Parent, Options.Title, Options.InitialDir, QtFilter(Options.Filter)));
    Dialog->setOptions(DialogOptions());
    Dialog->setAcceptMode(QFileDialog::AcceptOpen);
    Dialog->setFileMode(Options.MustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (Dialog.Exec() != QDialog::Accepted || Dialog->selectedFiles().isEmpty()) return {};
    return Dialog->selectedFiles().first();
  }

  QString SaveFileName(QWidget* Parent, const TFileDialogOptions& Options) override {
    TGuardedDialog<QFileDialog> Dialog(
        new QFileDialog(Parent, Options.Title, Options.InitialDir, QtFilter(Options.Filter)));
    Dialog->setOptions(DialogOptions());
    Dialog->setAcceptMode(QFileDialog::AcceptSave);
    if (Dialog.Exec() != QDialog::Accepted || Dialog->selectedFiles().isEmpty()) return {};
    return WithDefaultExt(Dialog->selectedFiles().first(), Options.DefaultExt);
  }

  std::unique_ptr<TNotice> ShowNotice(QWidget* Parent, const QString& Text, TDlgType Type) override {
    return std::make_unique<TWidgetNotice>(Parent, Text, Type);
  }

  int Execute(QDialog& Dialog) override { return Dialog.exec(); }

  bool OpenInEditor(const QString& Path) override { return QDesktopServices::openUrl(QUrl::fromLocalFile(Path)); }
};

TWidgetDialogs RealDialogs;
TDialogs* Installed = &RealDialogs;

}  // namespace

TDialogs& Dialogs() { return *Installed; }

TDialogs* SetDialogs(TDialogs* Replacement) {
  TDialogs* Previous = Installed;
  Installed = Replacement ? Replacement : &RealDialogs;
  return Previous;
}

void ShowErrorNotice(QWidget* Parent, const QString& Text) {
  Dialogs().MessageDlg(Parent, Text, TDlgType::Error, dbOK);
}

void RunGuarded(QWidget* Parent, const std::function<void()>& Action) {
  try {
    Action();
  } catch (const std::exception& Error) {
    ShowErrorNotice(Parent, FromBytes(Error.what()));
  }
}
