#include "browser/HexViewForm.h"

#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "browser/HexDump.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"

THexViewForm::THexViewForm(QWidget* Parent, const THexViewOwner& Owner) : QWidget(Parent, Qt::Window), Owner(Owner) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QStringLiteral("Hex Viewer"));
  setFont(VerdanaFont());
  resize(611, 420);

  auto* ToolBar = new QToolBar(this);
  ToolBar->setFixedHeight(29);
  ToolBar->setIconSize(QSize(16, 16));
  PreviousButton = new QToolButton(ToolBar);
  PreviousButton->setIcon(PictureIcon(TPicture::Previous));
  NextButton = new QToolButton(ToolBar);
  NextButton->setIcon(PictureIcon(TPicture::Next));
  ToolBar->addWidget(PreviousButton);
  ToolBar->addWidget(NextButton);
  auto* Separator = new QWidget(ToolBar);
  Separator->setFixedWidth(8);
  ToolBar->addWidget(Separator);
  OffsetLabel = new QLabel(ToolBar);
  OffsetLabel->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
  ToolBar->addWidget(OffsetLabel);
  connect(PreviousButton, &QToolButton::clicked, this, [this] { OnPrevious(); });
  connect(NextButton, &QToolButton::clicked, this, [this] { OnNext(); });

  HexEdit = new QTextEdit(this);
  HexEdit->setReadOnly(true);
  HexEdit->setLineWrapMode(QTextEdit::NoWrap);
  HexEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  HexEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont Mono;
  Mono.setFamilies(
      {QStringLiteral("Courier New"), QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono")});
  Mono.setStyleHint(QFont::Monospace);
  Mono.setFixedPitch(true);
  Mono.setPixelSize(12);
  Mono.setBold(true);
  HexEdit->setFont(Mono);

  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Layout->addWidget(ToolBar);
  Layout->addWidget(HexEdit);
  NameObjects({{PreviousButton, "PreviousButton"},
               {NextButton, "NextButton"},
               {OffsetLabel, "OffsetLabel"},
               {HexEdit, "HexEdit"}});
  show();
}

void THexViewForm::ShowFrame(int Source, std::int64_t Length, std::int64_t At) {
  HexEdit->clear();
  Shown = Source;
  FrameLength = Length;
  Position = At;
  const THexDump Dump = BuildHexDump(
      [this, Source](std::int64_t Start, std::span<std::uint8_t> Into) { return Owner.ReadData(Source, Start, Into); },
      Owner.DataSize(Source), Length, At);
  OffsetLabel->setText(QString::fromLatin1(Dump.Label));

  QStringList Lines;
  for (const std::string& Line : Dump.Lines) Lines.append(QString::fromLatin1(Line));
  HexEdit->setPlainText(Lines.join(QLatin1Char('\n')));
  if (Dump.MarkLine < 0) return;
  QTextCursor Mark(HexEdit->document()->findBlockByNumber(Dump.MarkLine));
  Mark.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, Dump.MarkColumn);
  Mark.movePosition(QTextCursor::Right, QTextCursor::KeepAnchor, 4);
  QTextCharFormat Red;
  Red.setForeground(QColor(0xFF, 0x00, 0x00));
  Mark.mergeCharFormat(Red);
}

void THexViewForm::Step(bool After) {
  if (Shown < 0 || FrameLength <= 0) return;
  const std::int64_t Start = Position - Position % FrameLength;
  const std::int64_t Next = Owner.ShownFrameBeside(Shown, Start, After);
  if (Next >= 0) ShowFrame(Shown, FrameLength, Next + (Position - Start));
}
