#include "WindowLateness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "WindowChildren.h"
#include "data/Data.h"
#include "log/AlarmHitsForm.h"
#include "log/LogForm.h"
#include "project/AlarmForm.h"
#include "project/ProjectForm.h"
#include "sim/SimGenerator.h"

namespace {

// Events after the load: the windows' layout and painting.
constexpr double SettleSeconds = 0.2;

TLateness FirstLoad(TProjectForm& Project, const std::string& File) {
  Child<QComboBox>(&Project, "StructureFileCombo")->setEditText(QStringLiteral(VOREX_DEMO_DIR "/demo.structure"));
  Child<QLineEdit>(&Project, "PacketFileEdit")->setText(QString::fromStdString(File));
  Child<QCheckBox>(&Project, "TrackingCheck")->setChecked(true);
  Child<QSpinBox>(&Project, "UpdateIntervalSpin")->setValue(1);
  TTimerWatch Watch;
  bool Loaded = false;
  Watch.Start();
  QTimer::singleShot(0, &Project, [&] {
    Click(&Project, "LoadButton");
    Loaded = true;
  });
  RunEventsUntil([&] { return Loaded; });
  RunEventsUntilNoPass();
  RunEventsFor(SettleSeconds);
  return Watch.Stop();
}

// "SEQ_COUNT > -1", which every BaseFrame meets, through the alarm dialog.
void AddAlarmOnEveryFrame(TProjectForm& Project, TQuietDialogs& Answers) {
  Answers.Answer = [](QDialog& Dialog) {
    Child<QComboBox>(&Dialog, "VariableCombo")->setEditText(QStringLiteral("SEQ_COUNT"));
    auto* Conditions = Child<QComboBox>(&Dialog, "ConditionCombo");
    Conditions->setCurrentIndex(Conditions->findText(QStringLiteral(" >")));
    Child<QLineEdit>(&Dialog, "ValueEdit")->setText(QStringLiteral("-1"));
    return static_cast<int>(QDialog::Accepted);
  };
  Project.AddAlarm(QStringLiteral("SEQ_COUNT"));
  Answers.Answer = nullptr;
}

// Appends demo BaseFrames to File until stopped.
std::jthread AppendingWriter(const std::string& File) {
  return std::jthread([File](const std::stop_token& Stop) {
    TSimGenerator Generator(7);
    while (!Stop.stop_requested()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(LatenessAppendEveryMs));
      std::vector<std::uint8_t> Bytes;
      for (int I = 0; I < LatenessFramesPerAppend; ++I) {
        const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
        Bytes.insert(Bytes.end(), Frame.begin(), Frame.end());
      }
      std::ofstream(File, std::ios::binary | std::ios::app)
          .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    }
  });
}

}  // namespace

TWindowLateness MeasureWindowLateness(const std::string& File, TQuietDialogs& Answers, TAlarmForm& AlarmDialog,
                                      TOpenProjects& Projects) {
  auto* Log = new TLogForm;
  auto* Hits = new TAlarmHitsForm;
  Log->show();
  Hits->show();
  auto* Project = new TProjectForm(AlarmDialog, Projects, TWindowMakers());
  TWindowLateness Figures;
  Figures.Load = FirstLoad(*Project, File);
  const std::int64_t Loaded = Project->Model().DataA->FrameCount();
  AddAlarmOnEveryFrame(*Project, Answers);
  {
    TTimerWatch Watch;
    Watch.Start();
    // The watch stops before the writer is joined, which the window thread waits for.
    const std::jthread Writer = AppendingWriter(File);
    RunEventsFor(LatenessTrackedSeconds);
    Figures.Tracking = Watch.Stop();
  }
  Figures.TrackedFrames = Project->Model().DataA->FrameCount() - Loaded;
  Figures.AlarmHits = static_cast<std::size_t>(RowCount(Hits, "HitView"));
  delete Project;
  delete Hits;
  delete Log;
  return Figures;
}
