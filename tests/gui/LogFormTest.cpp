#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <thread>

#include "GuiFixture.h"
#include "common/DateTime.h"
#include "log/LogForm.h"

namespace {

class LogWindow : public testing::Test {
 protected:
  void SetUp() override {
    Form = new TLogForm;
    Previous = std::filesystem::current_path();
    std::filesystem::current_path(Temp.Path);
  }
  void TearDown() override {
    std::filesystem::current_path(Previous);
    delete Form;
  }

  QTextDocument* Shown() const { return Child<QPlainTextEdit>(Form, "LogEdit")->document(); }
  // The number of lines the log view shows, and the text of one.
  int ShownLines() const { return Shown()->isEmpty() ? 0 : Shown()->blockCount(); }
  QString ShownLine(int Line) const { return Shown()->findBlockByNumber(Line).text(); }
  QTextCharFormat LineFormat(int Line) const {
    return Shown()->findBlockByNumber(Line).begin().fragment().charFormat();
  }
  // The file the last Save messages wrote, as its question names it.
  std::string SavedMessages() const { return Read(Dialogs.Asked.back().Text.mid(24, 24).toStdString()); }
  static std::string Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
  }

  TLogForm* Form = nullptr;
  TScriptedDialogs Dialogs;
  TTempDir Temp;
  std::filesystem::path Previous;
};

TEST_F(LogWindow, EntriesOfAnotherThreadOrOfABurstComeAsEventsInOrder) {
  std::thread([] {
    for (int I = 0; I < 3000; ++I) AddEntry(llMessage, "EVT " + std::to_string(I));
  }).join();
  AddEntry(llInfo, "here");
  EXPECT_EQ(ShownLines(), 0);
  ProcessPendingEvents();
  while (ShownLines() < 3001) QApplication::processEvents();
  ASSERT_EQ(ShownLines(), 3001);
  EXPECT_TRUE(ShownLine(2999).endsWith(" [Message] EVT 2999"));
  EXPECT_TRUE(ShownLine(3000).endsWith(" [Info] here"));
  AddEntry(llInfo, "at once");
  EXPECT_EQ(ShownLines(), 3002);
  // A burst on the window thread shows its first 100 entries at once, the
  // rest in later events, in order.
  for (int I = 0; I < 150; ++I) AddEntry(llInfo, "burst " + std::to_string(I));
  EXPECT_EQ(ShownLines(), 3101);
  while (ShownLines() < 3152) QApplication::processEvents();
  EXPECT_TRUE(ShownLine(3100).endsWith(" [Info] burst 98"));
  EXPECT_TRUE(ShownLine(3151).endsWith(" [Info] burst 149"));
  EXPECT_EQ(ShownLines(), 3152);
}

const QRegularExpression Stamp(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4}( \\d\\d:\\d\\d:\\d\\d)?"));

TEST_F(LogWindow, EachLevelWritesItsTagColourAndWeight) {
  AddEntry(llMessage, "EVT 0101");
  AddEntry(llInfo, "Update on a.dat");
  AddEntry(llWarn, "No data appended!");
  AddEntry(llError, "Broken");
  AddEntry(llInfo, "after the error");
  AddEntry(7, "nothing");
  const QStringList Lines = Child<QPlainTextEdit>(Form, "LogEdit")->toPlainText().split('\n');
  ASSERT_EQ(Lines.size(), 5);
  const char* Tails[] = {" [Message] EVT 0101", " [Info] Update on a.dat", " [Warn] No data appended!",
                         " [Error] Broken", " [Info] after the error"};
  const QColor Colours[] = {QColor(0x00, 0x55, 0x00), QColor(0x80, 0x80, 0x80), QColor(0xAA, 0xAA, 0x00),
                            QColor(0xFF, 0x00, 0x00), QColor(0x80, 0x80, 0x80)};
  const bool Bold[] = {true, false, false, true, false};
  for (int I = 0; I < 5; ++I) {
    EXPECT_TRUE(Stamp.match(Lines[I]).hasMatch()) << Lines[I].toStdString();
    EXPECT_TRUE(Lines[I].endsWith(QString::fromLatin1(Tails[I]))) << Lines[I].toStdString();
    EXPECT_EQ(LineFormat(I).foreground().color(), Colours[I]) << I;
    EXPECT_EQ(LineFormat(I).fontWeight() == QFont::Bold, Bold[I]) << I;
  }
  // The Message entry alone goes to the message buffer: date/time text + ": " + text.
  Dialogs.Answers = {dbNo};
  Trigger(Form, "SaveMessagesAction");
  const QStringList Saved = QString::fromStdString(SavedMessages()).split("\r\n");
  ASSERT_EQ(Saved.size(), 2);
  EXPECT_TRUE(Stamp.match(Saved[0]).hasMatch()) << Saved[0].toStdString();
  EXPECT_TRUE(Saved[0].endsWith(": EVT 0101"));
}

TEST_F(LogWindow, SaveMessagesWritesTheDatedFileAndClearsOnYes) {
  Trigger(Form, "SaveMessagesAction");
  ASSERT_EQ(Dialogs.Asked.size(), 1u);
  EXPECT_EQ(Dialogs.Asked[0].Text, "Message buffer is empty!");
  EXPECT_EQ(Dialogs.Asked[0].Type, TDlgType::Plain);

  AddEntry(llMessage, "first");
  AddEntry(llInfo, "not a message");
  AddEntry(llMessage, "second");
  Trigger(Form, "ClearAction");  // empties the window only
  EXPECT_TRUE(Child<QPlainTextEdit>(Form, "LogEdit")->toPlainText().isEmpty());
  Dialogs.Answers = {dbNo, dbYes};
  Trigger(Form, "SaveMessagesAction");
  const std::string Name = Dialogs.Asked.back().Text.mid(24, 24).toStdString();
  EXPECT_TRUE(QRegularExpression("^messages_\\d{6}_\\d{4}\\.log$").match(QString::fromStdString(Name)).hasMatch())
      << Name;
  EXPECT_EQ(Dialogs.Asked.back().Text.toStdString(),
            "Saved message buffer to " + Name + "\r\nDo you want to clear the message buffer now?");
  EXPECT_EQ(Dialogs.Asked.back().Buttons, dbYes | dbNo);
  const std::string Saved = Read(Name);
  const QStringList Lines = QString::fromStdString(Saved).split("\r\n");
  ASSERT_EQ(Lines.size(), 3);
  EXPECT_TRUE(Stamp.match(Lines[0]).hasMatch() && Lines[0].endsWith(": first")) << Saved;
  EXPECT_TRUE(Stamp.match(Lines[1]).hasMatch() && Lines[1].endsWith(": second")) << Saved;
  // No kept the buffer; within the same minute the second file replaces the first.
  Trigger(Form, "SaveMessagesAction");
  EXPECT_EQ(SavedMessages(), Saved);
  // Yes cleared it.
  Trigger(Form, "SaveMessagesAction");
  EXPECT_EQ(Dialogs.Asked.back().Text, "Message buffer is empty!");
}

TEST_F(LogWindow, TheMessageFileNameCarriesYearMonthDayHourAndMinute) {
  EXPECT_EQ(MessageFileName(EncodeDateTime({2007, 4, 9, 14, 5, 59})), "messages_070409_1405.log");
}

TEST_F(LogWindow, SaveAsWritesRichTextWithColoursAndBoldLines) {
  AddEntry(llError, "Broken {file}");
  AddEntry(llInfo, "fine");
  Dialogs.Files = {"", QString::fromStdString(Temp.File("log.txt"))};
  Trigger(Form, "SaveAsAction");
  EXPECT_FALSE(std::filesystem::exists(Temp.File("log.txt")));
  Trigger(Form, "SaveAsAction");
  EXPECT_EQ(Dialogs.FileDialogs[0].Title, "Save log entries as ...");
  EXPECT_EQ(Dialogs.FileDialogs[0].DefaultExt, "*.rtf");
  EXPECT_EQ(Dialogs.FileDialogs[0].Filter, "Rich Text Format|*.rtf|All files|*");
  const std::string Rtf = Read(Temp.File("log.txt"));
  EXPECT_EQ(Rtf.rfind("{\\rtf1", 0), 0u);
  EXPECT_NE(Rtf.find("\\red255\\green0\\blue0;"), std::string::npos);
  EXPECT_NE(Rtf.find("\\red128\\green128\\blue128;"), std::string::npos);
  EXPECT_NE(Rtf.find("\\b "), std::string::npos);
  EXPECT_NE(Rtf.find("[Error] Broken \\{file\\}"), std::string::npos);

  Dialogs.Files = {QString::fromStdString(Temp.File("missing/log.txt"))};
  Trigger(Form, "SaveAsAction");
  EXPECT_EQ(Dialogs.Asked.back().Type, TDlgType::Error);
}

TEST_F(LogWindow, ClosingOnlyHides) {
  const QPointer<TLogForm> Watched = Form;
  Form->show();
  EXPECT_FALSE(Form->close());
  EXPECT_FALSE(Form->isVisible());
  ProcessPendingEvents();
  EXPECT_FALSE(Watched.isNull());
}

}  // namespace
