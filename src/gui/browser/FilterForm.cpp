#include "browser/FilterForm.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "widgets/Look.h"

namespace {

QPlainTextEdit* NewMemo(QGroupBox* Group) {
  auto* Memo = new QPlainTextEdit(Group);
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo->setToolTip(QStringLiteral("Include variable names (one per line)"));
  auto* Layout = new QVBoxLayout(Group);
  Layout->addWidget(Memo);
  return Memo;
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

void AddMemoLines(QPlainTextEdit& Memo, const QStringList& Lines) {
  const QStringList All = MemoLines(Memo) + Lines;
  QString Text = All.join(QLatin1Char('\n'));
  // An empty last line needs its own line break to be kept.
  if (!All.isEmpty() && All.last().isEmpty()) Text += QLatin1Char('\n');
  Memo.setPlainText(Text);
}
