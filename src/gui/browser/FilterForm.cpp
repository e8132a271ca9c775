#include "browser/FilterForm.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/TextBridge.h"

namespace {

QPlainTextEdit* NewMemo(QGroupBox* Group) {
  auto* Memo = new QPlainTextEdit(Group);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setToolTip(QStringLiteral("Include variable names (one per line)"));
  auto* Layout = new QVBoxLayout(Group);
  Layout->addWidget(Memo);
  return Memo;
}

void ShowLines(QPlainTextEdit& Memo, const std::vector<std::string>& Lines) {
  QStringList Texts;
  for (const std::string& Line : Lines) Texts.append(FromBytes(Line));
  QString Text = Texts.join(QLatin1Char('\n'));
  // An empty last line needs its own line break to be kept.
  if (!Texts.isEmpty() && Texts.last().isEmpty()) Text += QLatin1Char('\n');
  Memo.setPlainText(Text);
}

std::vector<std::string> ReadLines(const QPlainTextEdit& Memo) {
  std::vector<std::string> Lines;
  for (const QString& Line : MemoLines(Memo)) Lines.push_back(ToBytes(Line));
  return Lines;
}

}  // namespace

TFilterForm::TFilterForm(QWidget* Parent) : QDialog(Parent) {
  setWindowTitle(QStringLiteral("Filters"));
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  setFont(VerdanaFont());
  resize(438, 304);

  FilterInGroup = new QGroupBox(QStringLiteral("Remove all pakets that not include (Filter in)"), this);
  FilterInEdit = NewMemo(FilterInGroup);
  FilterOutGroup = new QGroupBox(QStringLiteral("Remove all Pakets that include (Filter out)"), this);
  FilterOutEdit = NewMemo(FilterOutGroup);

  OkButton = new QPushButton(QStringLiteral("&OK"), this);
  CancelButton = new QPushButton(QStringLiteral("C&ancel"), this);
  ClearAllButton = new QPushButton(QStringLiteral("&Clear all"), this);
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(QDialog::Rejected); });
  connect(ClearAllButton, &QPushButton::clicked, this, [this] { done(FilterClearAll); });

  auto* Groups = new QVBoxLayout;
  Groups->addWidget(FilterInGroup);
  Groups->addWidget(FilterOutGroup);
  // The buttons stand at the right, from the bottom up.
  auto* Buttons = new QVBoxLayout;
  Buttons->addStretch();
  Buttons->addWidget(ClearAllButton);
  Buttons->addWidget(CancelButton);
  Buttons->addWidget(OkButton);
  auto* Layout = new QHBoxLayout(this);
  Layout->addLayout(Groups, 1);
  Layout->addLayout(Buttons);
  NameObjects({{FilterInGroup, "FilterInGroup"},
               {FilterInEdit, "FilterInEdit"},
               {FilterOutGroup, "FilterOutGroup"},
               {FilterOutEdit, "FilterOutEdit"},
               {OkButton, "OkButton"},
               {CancelButton, "CancelButton"},
               {ClearAllButton, "ClearAllButton"}});
}

std::optional<TFilterChoice> TFilterForm::Choose(const TFilterChoice& Filters) {
  ShowLines(*FilterInEdit, Filters.In);
  ShowLines(*FilterOutEdit, Filters.Out);
  const QPointer<TFilterForm> Self(this);
  const int Result = Dialogs().Execute(*this);
  // The dialog lets events run; they may have closed its owner, and it with it.
  if (!Self) return std::nullopt;
  if (Result == FilterClearAll) return TFilterChoice();
  if (Result != QDialog::Accepted) return std::nullopt;
  return TFilterChoice{ReadLines(*FilterInEdit), ReadLines(*FilterOutEdit)};
}

void TFilterForm::showEvent(QShowEvent* Event) {
  // Centred on the screen, not on the browser that owns it.
  if (const QScreen* Screen = screen()) move(Screen->availableGeometry().center() - rect().center());
  QDialog::showEvent(Event);
}

QStringList MemoLines(const QPlainTextEdit& Memo) {
  const QString Text = Memo.toPlainText();
  if (Text.isEmpty()) return {};
  QStringList Lines = Text.split(QLatin1Char('\n'));
  // A last line break ends the last line; it does not start an empty one.
  if (Lines.size() > 1 && Lines.last().isEmpty()) Lines.removeLast();
  return Lines;
}
