#pragma once
// A hex viewer: the raw bytes of one BaseFrame with the selected byte in red,
// and buttons to the same place in the previous and next BaseFrame that the
// window which opened it shows.
#include <QWidget>
#include <cstdint>

#include "browser/HexViewOwner.h"
#include "structure/MemoryStream.h"

class QLabel;
class QTextEdit;
class QToolButton;

class THexViewForm : public QWidget {
 public:
  // Owner outlives the viewer.
  THexViewForm(QWidget* Parent, const THexViewOwner& Owner);

  std::int32_t Position = 0;
  std::int64_t FrameLength = 0;
  const TMemoryStream* Stream = nullptr;

  QToolButton* ToolButton1;  // previous BaseFrame
  QToolButton* ToolButton2;  // next BaseFrame
  QLabel* Label1;
  QTextEdit* Edit;

  void ShowFrame(const TMemoryStream& Stream, std::int64_t FrameLength, std::int64_t Position);
  void ToolButton1Click() { Step(false); }
  void ToolButton2Click() { Step(true); }

 private:
  // To the same place in the owner's next or previous BaseFrame.
  void Step(bool After);

  const THexViewOwner& Owner;
};
