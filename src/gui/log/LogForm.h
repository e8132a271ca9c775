#pragma once
// The log window: every entry of the system, coloured by level, and the
// buffer of Message entries that can be saved to a dated file.
#include <QWidget>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "common/Log.h"
#include "log/RtfWriter.h"

class QMenu;
class QPlainTextEdit;

class TLogForm : public QWidget {
 public:
  TLogForm();
  ~TLogForm() override;

  void AddEntry(int Level, const std::string& Text);

 protected:
  void closeEvent(QCloseEvent* Event) override;

 private:
  // One line per Message entry: date/time text + ": " + text.
  std::vector<std::string> MessageBuffer;
  QPlainTextEdit* LogEdit;
  QMenu* ContextMenu;
  void OnSaveAs();
  void OnSaveMessagesAs();
  void OnClear();
  // Shows the entry at once on the window thread when none waits and the
  // current event has not shown many yet, else queues it for ShowWaiting.
  void Take(int Level, const std::string& Text);
  void ShowWaiting();
  // Adds the lines of Entries (level, text) as one edit of the document.
  void ShowEntries(const std::vector<std::pair<int, std::string>>& Entries);
  void FormCreate();
  // The lines LogEdit shows, with their colour and weight.
  std::vector<TRtfLine> FLines;
  TLogSink PreviousSink;
  std::mutex WaitingMutex;
  std::deque<std::pair<int, std::string>> Waiting;
  // Entries shown at once since the window thread last came back to its events.
  int ShownAtOnce = 0;
};

// "messages_" + yymmdd_hhmm of the given time + ".log".
std::string MessageFileName(double DateTime);
