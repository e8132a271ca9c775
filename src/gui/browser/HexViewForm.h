#pragma once
// A hex viewer: the raw bytes of one BaseFrame with the selected byte in red,
// and buttons to the same place in the previous and next BaseFrame.
#include <QWidget>
#include <cstdint>

#include "structure/MemoryStream.h"

class QLabel;
class QTextEdit;
class QToolButton;

class THexViewForm : public QWidget {
 public:
  explicit THexViewForm(QWidget* Parent = nullptr);

  std::int32_t Position = 0;
  std::int64_t FrameLength = 0;
  const TMemoryStream* Stream = nullptr;

  QToolButton* ToolButton1;  // previous BaseFrame
  QToolButton* ToolButton2;  // next BaseFrame
  QLabel* Label1;
  QTextEdit* Edit;

  void ShowFrame(const TMemoryStream& Stream, std::int64_t FrameLength, std::int64_t Position);
  void ToolButton1Click();
  void ToolButton2Click();
};
