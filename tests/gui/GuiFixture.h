#pragma once
// The program's shared windows around each window test, with scripted
// dialogs and a scratch folder holding a structure file and packet data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <filesystem>
#include <fstream>
#include <functional>

#include "LogRecorder.h"
#include "PendingEvents.h"
#include "ScriptedDialogs.h"
#include "TempDir.h"
#include "WindowChildren.h"
#include "browser/BrowserModel.h"
#include "common/LoadProgress.h"
#include "log/LoadForm.h"
#include "log/LogForm.h"
#include "project/AlarmForm.h"
#include "project/OpenProjects.h"
#include "sim/SimGenerator.h"
#include "widgets/LongTreeView.h"

class TGuiTest : public testing::Test {
 protected:
  void SetUp() override {
    AlarmForm = new TAlarmForm;
    LoadForm = new TLoadForm;
    StructureFile = Temp.File("demo.structure");
    std::filesystem::copy_file(VOREX_DEMO_DIR "/demo.structure", StructureFile);
  }
  void TearDown() override {
    Projects.DeleteAll();
    delete LoadForm;
    delete AlarmForm;
    ProcessPendingEvents();
  }

  // A packet file of Frames demo BaseFrames in the scratch folder.
  std::string PacketFile(const std::string& Name, std::int64_t Frames, std::uint32_t Seed = 1) {
    const std::string Path = Temp.File(Name);
    EXPECT_TRUE(WriteDemoPacketFile(Path, Frames, Seed));
    return Path;
  }

  // A new project window with its fields set.
  TProjectForm* NewProject(const std::string& PacketA, const std::string& PacketB = "", bool Tracking = false) {
    auto* Project = new TProjectForm(*AlarmForm, Projects, Makers);
    Project->SetProjectFileName(QStringLiteral("Unsaved"));
    Child<QComboBox>(Project, "StructureFileCombo")->setEditText(QString::fromStdString(StructureFile));
    Child<QLineEdit>(Project, "PacketFileEdit")->setText(QString::fromStdString(PacketA));
    Child<QLineEdit>(Project, "SecondPacketFileEdit")->setText(QString::fromStdString(PacketB));
    Child<QCheckBox>(Project, "TrackingCheck")->setChecked(Tracking);
    return Project;
  }

  // Runs the event loop until Done holds or Milliseconds have passed.
  static bool RunUntil(const std::function<bool()>& Done, int Milliseconds) {
    QElapsedTimer Clock;
    Clock.start();
    while (!Done()) {
      if (Clock.elapsed() > Milliseconds) return false;
      QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
  }

  // The alarm dialog the project windows share, the progress window and the
  // list of open project windows.
  TAlarmForm* AlarmForm = nullptr;
  TLoadForm* LoadForm = nullptr;
  TOpenProjects Projects;
  // How the project windows a test opens make their browser and plot windows.
  TWindowMakers Makers;
  TTempDir Temp;
  TScriptedDialogs Dialogs;
  TLogRecorder Log;
  std::string StructureFile;
};

// Answers the alarm dialog with these texts (a condition not in its list picks none).
inline std::function<int(QDialog&)> AlarmAnswer(const QString& Name, const QString& Condition, const QString& Value,
                                                int Result = QDialog::Accepted) {
  return [=](QDialog& Dialog) {
    Child<QComboBox>(&Dialog, "VariableCombo")->setEditText(Name);
    auto* Conditions = Child<QComboBox>(&Dialog, "ConditionCombo");
    Conditions->setCurrentIndex(Conditions->findText(Condition));
    Child<QLineEdit>(&Dialog, "ValueEdit")->setText(Value);
    return Result;
  };
}

// A browser window's tree view, its item model, and the node of its current index.
inline TLongTreeView* BrowserView(const QObject* Browser) {
  return dynamic_cast<TLongTreeView*>(Child<QAbstractItemView>(Browser, "TreeView"));
}
inline TBrowserModel* BrowserTree(const QObject* Browser) {
  return dynamic_cast<TBrowserModel*>(BrowserView(Browser)->model());
}
inline const TDecodedNode* FocusedNode(const QObject* Browser) {
  return BrowserTree(Browser)->NodeAt(BrowserView(Browser)->currentIndex());
}
// The serial number of that node, -1 when none is focused: the browser's
// trees are decoded again, other nodes than those of the pass.
inline std::int64_t FocusedSerial(const QObject* Browser) {
  const TDecodedNode* Node = FocusedNode(Browser);
  return Node ? Node->SerialNo : -1;
}

// Number of BaseFrame roots in a holder's list.
inline int RootCount(const TDecodedNode* First) {
  int Count = 0;
  for (; First; First = First->Next) ++Count;
  return Count;
}
