#pragma once
// A hex viewer: the raw bytes of one BaseFrame with the selected byte in red,
// and buttons to the same place in the previous and next BaseFrame that the
// window which opened it shows.
#include <QWidget>
#include <cstdint>

#include "browser/HexViewOwner.h"

class QLabel;
class QTextEdit;
class QToolButton;

class THexViewForm : public QWidget {
 public:
  // Owner outlives the viewer.
  THexViewForm(QWidget* Parent, const THexViewOwner& Owner);

  // The BaseFrame of Length bytes holding byte At of the owner's packet file Source.
  void ShowFrame(int Source, std::int64_t Length, std::int64_t At);

 private:
  std::int64_t Position = 0;
  std::int64_t FrameLength = 0;
  int Shown = -1;               // the owner's packet file
  QToolButton* PreviousButton;  // previous BaseFrame
  QToolButton* NextButton;      // next BaseFrame
  QLabel* OffsetLabel;
  QTextEdit* HexEdit;
  void OnPrevious() { Step(false); }
  void OnNext() { Step(true); }
  // To the same place in the owner's next or previous BaseFrame.
  void Step(bool After);

  const THexViewOwner& Owner;
};
