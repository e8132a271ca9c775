#include "project/Project.h"

#include <algorithm>
#include <filesystem>

#include "browser/BrowserTexts.h"
#include "common/AsciiChars.h"
#include "common/DateTime.h"
#include "common/LoadProgress.h"
#include "common/Log.h"
#include "project/AlarmCheck.h"
#include "project/AlarmHits.h"
#include "project/IniImage.h"

namespace {

bool FileExists(const std::string& Name) {
  std::error_code Error;
  return std::filesystem::is_regular_file(Name, Error);
}

// Whether the packet file Name is there: a file of any kind but a folder.
bool PacketFileExists(const std::string& Name) {
  std::error_code Error;
  return std::filesystem::exists(Name, Error) && !std::filesystem::is_directory(Name, Error);
}

// Whether the packet file Name, which is there, can be read; false, with the
// Error entry a pass would give, when it is refused.
bool PacketFileReadable(const std::string& Name) {
  TFileLook Look;
  const std::string Refusal = LookAtFile(Name, Look) ? PacketFileRefusal(Name, Look) : "";
  if (!Refusal.empty()) AddEntry(llError, Refusal);
  return Refusal.empty();
}

template <typename TView>
bool Forget(std::vector<TView*>& Views, TView* View) {
  const auto Found = std::find(Views.begin(), Views.end(), View);
  if (Found == Views.end()) return false;
  Views.erase(Found);
  return true;
}

template <typename TView>
bool Contains(const std::vector<TView*>& Views, const TView* View) {
  return std::find(Views.begin(), Views.end(), View) != Views.end();
}

}  // namespace

namespace {
std::uint64_t NextProjectId = 1;
}  // namespace

TProject::TProject() : OffsetTime(DateText(EncodeDateTime({2003, 1, 1}))), FId(NextProjectId++) {}

TProject::~TProject() {
  // The holders refer to the definition, the definition to the messages.
  DataA.reset();
  DataB.reset();
  Definition.reset();
}

void TProject::SetState(TProjectState State) {
  FState = State;
  if (OnStateChanged) OnStateChanged();
}

bool TProject::RefuseWhileBusy(const std::string& What) {
  if (!LoadProgress().Busy) return false;
  AddEntry(llWarn, "Cannot " + What + " while an update is in progress. Please try again when it has finished.");
  return true;
}

bool TProject::Load() {
  if (!LoadDefinition()) return false;
  LoadData();
  return true;
}

bool TProject::LoadDefinition() {
  TLogRecord Record;
  FDefinitionFailure.clear();
  FLoadReports.clear();
  const bool Loaded = ReadDefinition();
  FDefinitionEntries = std::move(Record.Entries);
  if (!Loaded) FDefinitionFailure = LastErrorText(FDefinitionEntries);
  return Loaded;
}

bool TProject::ReadDefinition() {
  if (!FileExists(Resolved(Settings.StructureFile))) {
    AddEntry(llError, "Structurefile does not exist or cannot be opened! (" + Settings.StructureFile + ")");
    return false;
  }
  if (!PacketFileExists(Resolved(Settings.PacketFileA)) && !ReadsStandardInput(Settings.PacketFileA)) {
    AddEntry(llError, "Paket file does not exist or cannot be opened! (" + Settings.PacketFileA + ")");
    return false;
  }
  if (!Settings.PacketFileB.empty() && !PacketFileExists(Resolved(Settings.PacketFileB)) &&
      !ReadsStandardInput(Settings.PacketFileB)) {
    AddEntry(llWarn,
             "2nd Paket file does not exist or cannot be opened, ignoring entry! (" + Settings.PacketFileB + ")");
    Settings.PacketFileB.clear();
  }
  // A FIFO or device would block or never end; a file of 2 GiB or more is
  // beyond the positions.
  for (const std::string& Name : {Settings.PacketFileA, Settings.PacketFileB})
    if (!Name.empty() && !ReadsStandardInput(Name) && !PacketFileReadable(Resolved(Name))) return false;
  StartTime = StrToDateTime(OffsetTime);

  DataLoaded = true;
  SetState(TProjectState::Loading);
  HandledFramesA = 0;
  HandledFramesB = 0;
  Definition = std::make_unique<TQuorinFramesDefinition>(Resolved(Settings.StructureFile), Messages);
  if (!Definition->Loaded) {
    Definition.reset();
    return false;
  }
  return true;
}

void TProject::LoadData() {
  FLoadReports.clear();
  const std::string FileB = Settings.PacketFileB.empty() ? "" : Resolved(Settings.PacketFileB);
  // File B's first pass starts once file A's has ended.
  StartData(Resolved(Settings.PacketFileA), 0, FileB.empty() ? NoSerialLimit : SecondFileSerialBase, [this, FileB] {
    if (FileB.empty()) {
      SetState(TProjectState::Active);
      return;
    }
    StartData(FileB, SecondFileSerialBase, NoSerialLimit, [this] { SetState(TProjectState::Active); });
  });
}

void TProject::StartData(const std::string& FileName, std::int64_t SerialBase, std::int64_t SerialLimit,
                         const std::function<void()>& Then) {
  std::unique_ptr<TData>& Data = SerialBase == 0 ? DataA : DataB;
  Data = std::make_unique<TData>(FileName, *Definition);
  Data->SerialBase = SerialBase;
  Data->SerialLimit = SerialLimit;
  Data->Resync = Settings.Resync;
  Data->Threads = Threads;
  Data->ReadsStreams = ReadsStreams;
  Data->OnNewFrames = [this](TData& Sender) { HandleNewFrames(Sender); };
  if (OnStreamedFrames)
    Data->OnFrames = [this, Source = SerialBase == 0 ? 0 : 1](std::span<TDecodedNode* const> Roots) {
      OnStreamedFrames(Source, Roots);
    };
  if (OnStreamedFrames && NewStreamedSink)
    Data->NewChunkSink = [this, Source = SerialBase == 0 ? 0 : 1] { return NewStreamedSink(Source); };
  if (OnStreamedFrames && StreamedEnough)
    Data->Enough = [this, Source = SerialBase == 0 ? 0 : 1] { return StreamedEnough(Source); };
  Data->Timer->SetInterval(Settings.UpdateInterval * 1000);
  Data->StartTracking([this, &Data, Then](const TPassReport& First) {
    FLoadReports.push_back(First);
    if (!Settings.Tracking) Data->StopTracking();
    else if (Settings.UpdateOnFileChange) Data->WatchFile();
    Then();
  });
}

void TProject::Unload() {
  if (!DataLoaded) return;
  // A view reports its end through BrowserClosed / PlotClosed.
  for (TBrowserView* Browser : std::vector<TBrowserView*>(Browsers)) Browser->Close();
  for (TPlotView* Plot : std::vector<TPlotView*>(Plots)) Plot->Close();
  DataA.reset();
  DataB.reset();
  Definition.reset();
}

void TProject::Blank() {
  Unload();
  DataLoaded = false;
  SetState(TProjectState::Empty);
}

TPassResult TProject::DataResult() const {
  TPassResult Result = TPassResult::Complete;
  for (const TData* Data : {DataA.get(), DataB.get()})
    if (Data) Result = std::max(Result, Data->Result());
  return Result;
}

void TProject::StopTracking() {
  if (DataA) DataA->StopTracking();
  if (DataB) DataB->StopTracking();
}

void TProject::HandleNewFrames(TData& Sender) {
  const bool FromB = &Sender == DataB.get();
  std::int32_t& Handled = FromB ? HandledFramesB : HandledFramesA;
  TRootCursor& Cursor = FromB ? HandledCursorB : HandledCursorA;
  // The records are copied: the owner's handling of a hit may change the list.
  std::vector<TAlarmEntry> Active;
  for (const TProjectAlarm& Alarm : Settings.Alarms)
    if (Alarm.Active) Active.push_back(Alarm.Alarm);
  // Only the alarms read the new BaseFrames: without one, the cursor moves
  // to the last root at once.
  const TDecodedNode* First = nullptr;
  if (Active.empty()) {
    Handled = Sender.Frames ? static_cast<std::int32_t>(Sender.FrameCount()) : 0;
    Cursor.StandAfter(Sender.Frames, Sender.LastFrame(), Handled);
  } else {
    First = Cursor.TakeRest(Sender.Frames, Handled);
    Handled = static_cast<std::int32_t>(Cursor.Walked());
  }
  for (const TAlarmEntry& Alarm : Active) {
    if (!Definition) break;
    std::int64_t Hits = 0;
    double FirstValue = 0;
    const std::string Caption = AlarmCaption(Alarm);
    CheckAlarmNodes(
        First, Alarm, *Definition, [&](const TDecodedNode& Node, const TDecodedNode& Root, TAlarmLevel Level) {
          AddEntry(llWarn, AlarmLogText(Alarm, Node.Value, Level));
          const bool Warning = Level == TAlarmLevel::Warning;
          ReportAlarmHit(
              {0, NodeNameText(*Definition, Root, StartTime), Caption, Node.Value, FId, Node.SerialNo, false, Warning});
          // Warnings are listed, not noticed.
          if (!Warning && Hits++ == 0) FirstValue = Node.Value;
        });
    if (Hits > 0 && OnAlarm && Settings.Notices) OnAlarm(Alarm, FirstValue, Hits - 1);
  }

  // A view may close while another one works; only those still open are called.
  for (TPlotView* Plot : std::vector<TPlotView*>(Plots))
    if (Contains(Plots, Plot)) Plot->RefreshSeries();
  const int Source = FromB ? 1 : 0;
  for (TBrowserView* Browser : std::vector<TBrowserView*>(Browsers))
    if (Contains(Browsers, Browser)) Browser->AppendFrames(Source, Sender.Frames);
}

void TProject::FeedBrowser(TBrowserView& Browser) const {
  if (DataA) Browser.AppendFrames(0, DataA->Frames);
  if (DataB) Browser.AppendFrames(1, DataB->Frames);
}

bool TProject::IsOpen(const TBrowserView* Browser) const { return Contains(Browsers, Browser); }

bool TProject::IsOpen(const TPlotView* Plot) const { return Contains(Plots, Plot); }

bool TProject::BrowserClosed(TBrowserView* Browser) {
  if (Forget(Browsers, Browser)) return true;
  AddEntry(llError, "Lost Browser window detected. Please contact programmer.");
  return false;
}

bool TProject::PlotClosed(TPlotView* Plot) {
  if (Forget(Plots, Plot)) return true;
  AddEntry(llError, "Lost Plot window detected. Please contact programmer.");
  return false;
}

bool TProject::ReadsStandardInput(const std::string& Name) const { return ReadsStreams && Name == "-"; }

std::string TProject::Resolved(const std::string& Name) const {
  const std::filesystem::path File(Name);
  if (Name.empty() || Folder.empty() || File.is_absolute()) return Name;
  return (std::filesystem::path(Folder) / File).string();
}

void TProject::SaveProjectFile(const std::string& Path) {
  TIniImage Image;
  Image.LoadFromFile(Path);
  WriteProjectSettings(Image, Settings);
  Image.SaveToFile(Path);
  Folder = FolderOf(Path);
  MarkUnchanged();
}

bool TProject::LoadProjectFile(const std::string& Path) {
  TIniImage Image;
  Image.LoadFromFile(Path);
  std::error_code Error;
  if (std::filesystem::exists(Path, Error) && !LooksLikeProjectFile(Image)) {
    AddEntry(llWarn, Path + " does not look like a project file.");
    return false;
  }
  const TProjectSettings Read = ReadProjectSettings(Image, Settings);
  Folder = FolderOf(Path);
  Settings.StructureFile = Read.StructureFile;
  Settings.PacketFileA = Read.PacketFileA;
  Settings.PacketFileB = Read.PacketFileB;
  Settings.Tracking = Read.Tracking;
  Settings.UpdateInterval = Read.UpdateInterval;
  Settings.UpdateOnFileChange = Read.UpdateOnFileChange;
  Settings.Notices = Read.Notices;
  Settings.Resync = Read.Resync;
  Settings.DataSeries.insert(Settings.DataSeries.end(), Read.DataSeries.rbegin(), Read.DataSeries.rend());
  Settings.Alarms.insert(Settings.Alarms.end(), Read.Alarms.rbegin(), Read.Alarms.rend());
  MarkUnchanged();
  return true;
}

void TProject::CheckAlarmVariable(const std::string& Name) const {
  if (Definition && !Definition->HasRow(nullptr, Name))
    AddEntry(llWarn, "Alarm variable " + Name + " is not in the structure.");
}

std::vector<std::string> TProject::VariableNames() const {
  std::vector<std::string> Names;
  if (Definition && DataA) CollectVariableNames(DataA->Frames, *Definition, Names);
  if (Definition && DataB) CollectVariableNames(DataB->Frames, *Definition, Names);
  return Names;
}
