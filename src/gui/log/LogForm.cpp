#include "log/LogForm.h"

#include <QCloseEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QThread>
#include <QVBoxLayout>
#include <chrono>

#include "common/AtomicFile.h"
#include "common/DateTime.h"
#include "widgets/Dialogs.h"
#include "widgets/Look.h"
#include "widgets/ObjectNames.h"
#include "widgets/SystemLocale.h"
#include "widgets/TextBridge.h"

namespace {

struct TLevelLook {
  const char* Tag;
  std::uint8_t Red, Green, Blue;
  bool Bold;
};

constexpr TLevelLook LevelLooks[] = {
    {" [Message] ", 0x00, 0x55, 0x00, true},
    {" [Info] ", 0x80, 0x80, 0x80, false},
    {" [Warn] ", 0xAA, 0xAA, 0x00, false},
    {" [Error] ", 0xFF, 0x00, 0x00, true},
};

}  // namespace

std::string MessageFileName(double DateTime) { return "messages_" + FormatDateTime("yyMMdd_HHmm", DateTime) + ".log"; }

TLogForm::TLogForm() : QWidget(nullptr, Qt::Tool) {
  setWindowTitle(QStringLiteral("Log Window"));
  setGeometry(0, 569, 890, 171);
  LogEdit = new QPlainTextEdit(this);
  LogEdit->setReadOnly(true);
  LogEdit->setFont(VerdanaFont(8));
  LogEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  LogEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
  LogEdit->setContextMenuPolicy(Qt::CustomContextMenu);
  ContextMenu = new QMenu(this);
  NameObjects(
      {{LogEdit, "LogEdit"},
       {ContextMenu, "ContextMenu"},
       {ContextMenu->addAction(QStringLiteral("Save as ..."), [this] { OnSaveAs(); }), "SaveAsAction"},
       {ContextMenu->addAction(QStringLiteral("Save messages"), [this] { OnSaveMessagesAs(); }), "SaveMessagesAction"},
       {ContextMenu->addAction(QStringLiteral("Clear"), [this] { OnClear(); }), "ClearAction"}});
  connect(LogEdit, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& At) { ContextMenu->popup(LogEdit->viewport()->mapToGlobal(At)); });
  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->addWidget(LogEdit);
  FormCreate();
  PreviousSink = SetLogSink([this](TLogLevel Level, const std::string& Text) { Take(Level, Text); });
}

void TLogForm::Take(int Level, const std::string& Text) {
  // The entries of a pass off the window thread wait for the window thread,
  // and those made there meanwhile behind them; so do those of a burst on the
  // window thread beyond the first ones of its event.
  constexpr int ShownAtOnceLimit = 100;
  bool Now = false, First = false;
  {
    const std::lock_guard Lock(WaitingMutex);
    Now = Waiting.empty() && QThread::currentThread() == thread() && ShownAtOnce < ShownAtOnceLimit;
    First = Waiting.empty();
    if (!Now) Waiting.emplace_back(Level, Text);
    if (Now && ShownAtOnce++ == 0)
      QMetaObject::invokeMethod(
          this, [this] { ShownAtOnce = 0; }, Qt::QueuedConnection);
  }
  // Shown outside the lock: the pass's threads go on meanwhile, and what
  // they queue now is shown later on this thread.
  if (Now) AddEntry(Level, Text);
  else if (First)
    QMetaObject::invokeMethod(
        this, [this] { ShowWaiting(); }, Qt::QueuedConnection);
}

void TLogForm::ShowWaiting() {
  // A share at a time, so that a pass's thousands of entries leave the other
  // events their turn; each batch goes into the document as one edit.
  constexpr std::chrono::milliseconds Share(20);
  constexpr std::size_t Batch = 64;
  const auto Until = std::chrono::steady_clock::now() + Share;
  std::vector<std::pair<int, std::string>> Taken;
  bool More = true;
  while (More && std::chrono::steady_clock::now() < Until) {
    {
      const std::lock_guard Lock(WaitingMutex);
      const std::size_t Count = std::min(Batch, Waiting.size());
      Taken.assign(std::make_move_iterator(Waiting.begin()), std::make_move_iterator(Waiting.begin() + Count));
      Waiting.erase(Waiting.begin(), Waiting.begin() + Count);
      More = !Waiting.empty();
    }
    ShowEntries(Taken);
  }
  if (More)
    QMetaObject::invokeMethod(
        this, [this] { ShowWaiting(); }, Qt::QueuedConnection);
}

TLogForm::~TLogForm() { SetLogSink(std::move(PreviousSink)); }

void TLogForm::FormCreate() { MessageBuffer.clear(); }

void TLogForm::AddEntry(int Level, const std::string& Text) { ShowEntries({{Level, Text}}); }

void TLogForm::ShowEntries(const std::vector<std::pair<int, std::string>>& Entries) {
  QTextCursor Cursor(LogEdit->document());
  Cursor.beginEditBlock();
  Cursor.movePosition(QTextCursor::End);
  for (const auto& [Level, Text] : Entries) {
    if (Level < llMessage || Level > llError) continue;
    const TLevelLook& Look = LevelLooks[Level];
    const std::string Line = DateTimeText(NowInDays()) + Look.Tag + Text;
    FLines.push_back({Line, Look.Red, Look.Green, Look.Blue, Look.Bold});
    QTextCharFormat Format;
    Format.setForeground(QColor(Look.Red, Look.Green, Look.Blue));
    Format.setFontWeight(Look.Bold ? QFont::Bold : QFont::Normal);
    if (!LogEdit->document()->isEmpty()) Cursor.insertBlock();
    Cursor.insertText(FromBytes(Line), Format);
    if (Level == llMessage) MessageBuffer.push_back(DateTimeText(NowInDays()) + ": " + Text);
  }
  Cursor.endEditBlock();
  LogEdit->verticalScrollBar()->setValue(LogEdit->verticalScrollBar()->maximum());
}

void TLogForm::OnSaveAs() {
  TFileDialogOptions Options;
  Options.Title = QStringLiteral("Save log entries as ...");
  // The file is Rich Text Format: the dialog proposes that extension.
  Options.Filter = QStringLiteral("Rich Text Format|*.rtf|All files|*");
  Options.DefaultExt = QStringLiteral("*.rtf");
  const QString FileName = Dialogs().SaveFileName(this, Options);
  if (FileName.isEmpty()) return;
  RunGuarded(this, [&] {
    TAtomicFile File(ToBytes(FileName));
    WriteRtfDocument(File.Stream(), FLines, "Verdana", 8);
    File.Commit();
  });
}

void TLogForm::OnSaveMessagesAs() {
  if (MessageBuffer.empty()) {
    Dialogs().MessageDlg(this, QStringLiteral("Message buffer is empty!"), TDlgType::Plain, dbOK);
    return;
  }
  const std::string FileName = MessageFileName(NowInDays());
  try {
    TAtomicFile File(FileName);
    for (const std::string& Line : MessageBuffer) File.Stream() << Line << "\r\n";
    File.Commit();
  } catch (const std::exception& Error) {
    ShowErrorNotice(this, FromBytes(Error.what()));
    return;
  }
  const QString Question =
      "Saved message buffer to " + FromBytes(FileName) + "\r\nDo you want to clear the message buffer now?";
  if (Dialogs().MessageDlg(this, Question, TDlgType::Information, dbYes | dbNo) == dbYes) MessageBuffer.clear();
}

void TLogForm::OnClear() {
  LogEdit->clear();
  FLines.clear();
}

void TLogForm::closeEvent(QCloseEvent* Event) {
  Event->ignore();
  hide();
}
