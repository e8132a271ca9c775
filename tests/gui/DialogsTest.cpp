#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "widgets/Dialogs.h"

namespace {

// The real dialogs, whose parent window closes (and is deleted) while they run.
TEST(RealDialogs, ReturnTheCancellingAnswerWhenTheirParentGoesWhileTheyRun) {
  auto* Parent = new QWidget;
  QTimer::singleShot(50, [Parent] { delete Parent; });
  EXPECT_EQ(Dialogs().MessageDlg(Parent, "Gone soon", TDlgType::Warning, dbYes | dbNo | dbCancel), dbCancel);

  Parent = new QWidget;
  QTimer::singleShot(50, [Parent] { delete Parent; });
  EXPECT_EQ(Dialogs().SaveFileName(Parent, TFileDialogOptions{"Export to ...", "Text Files|*.txt", "txt", ".", false}),
            QString());

  Parent = new QWidget;
  QTimer::singleShot(50, [Parent] { delete Parent; });
  EXPECT_EQ(Dialogs().OpenFileName(Parent, TFileDialogOptions{"Open", "All|*.*", "", ".", true}), QString());
}

}  // namespace
