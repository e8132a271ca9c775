#include "project/Project.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <unordered_set>

#include "browser/BrowserTexts.h"
#include "browser/FrameTrees.h"
#include "common/AsciiChars.h"
#include "common/DateTime.h"
#include "common/LoadProgress.h"
#include "common/Log.h"
#include "data/PacketStream.h"
#include "project/AlarmCheck.h"
#include "project/AlarmHits.h"
#include "project/IniImage.h"
#include "structure/InstrumentNames.h"

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

// Whether the packet file Name, which is there, can be read in pieces; false,
// with the Error entry a pass would give, when it is refused.
bool PacketFileReadable(const std::string& Name) {
  TFileLook Look;
  const std::string Refusal = LookAtFile(Name, Look) ? PacketFileRefusal(Name, Look, false) : "";
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
  DropData();
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
  if (!PacketFileFound(Settings.PacketFileA)) {
    AddEntry(llError, "Paket file does not exist or cannot be opened! (" + Settings.PacketFileA + ")");
    return false;
  }
  if (!Settings.PacketFileB.empty() && !PacketFileFound(Settings.PacketFileB)) {
    AddEntry(llWarn,
             "2nd Paket file does not exist or cannot be opened, ignoring entry! (" + Settings.PacketFileB + ")");
    Settings.PacketFileB.clear();
  }
  for (std::string& Name : MorePacketFiles)
    if (!PacketFileFound(Name)) {
      AddEntry(llWarn, "Paket file does not exist or cannot be opened, ignoring entry! (" + Name + ")");
      Name.clear();
    }
  // A FIFO or device would block or never end.
  for (const std::string& Name : PacketFiles())
    if (!Name.empty() && !ReadsStandardInput(Name) && !PacketFileReadable(Resolved(Name))) return false;
  StartTime = StrToDateTime(OffsetTime);

  DataLoaded = true;
  SetState(TProjectState::Loading);
  Handled.clear();
  Definition = std::make_unique<TQuorinFramesDefinition>(Resolved(Settings.StructureFile), Messages);
  if (!Definition->Loaded) {
    Definition.reset();
    return false;
  }
  return true;
}

void TProject::LoadData() {
  FLoadReports.clear();
  std::vector<std::size_t> Files;
  const std::vector<std::string> Names = PacketFiles();
  for (std::size_t File = 0; File < Names.size(); ++File)
    if (!Names[File].empty()) Files.push_back(File);
  StartFiles(Files, 0);
}

void TProject::StartFiles(const std::vector<std::size_t>& Files, std::size_t At) {
  if (At == Files.size()) {
    SetState(TProjectState::Active);
    return;
  }
  // A file's numbers reach no further than the next file's base; its first
  // pass starts once the one before has ended.
  const std::int64_t Limit =
      At + 1 < Files.size() ? static_cast<std::int64_t>(Files[At + 1]) * FileSerialSpacing : NoSerialLimit;
  StartData(Files[At], Resolved(PacketFiles()[Files[At]]), Limit, [this, Files, At] { StartFiles(Files, At + 1); });
}

void TProject::SetPacketFiles(const std::vector<std::string>& Names) {
  Settings.PacketFileA = Names.at(0);
  Settings.PacketFileB = Names.size() > 1 ? Names[1] : "";
  MorePacketFiles.assign(Names.begin() + std::min<std::ptrdiff_t>(2, std::ssize(Names)), Names.end());
}

std::vector<std::string> TProject::PacketFiles() const {
  std::vector<std::string> Names{Settings.PacketFileA, Settings.PacketFileB};
  Names.insert(Names.end(), MorePacketFiles.begin(), MorePacketFiles.end());
  return Names;
}

std::unique_ptr<TData>& TProject::HolderOf(std::size_t File) {
  if (File == 0) return DataA;
  if (File == 1) return DataB;
  if (MoreData.size() < File - 1) MoreData.resize(File - 1);
  return MoreData[File - 2];
}

std::vector<TData*> TProject::Holders() const {
  std::vector<TData*> All;
  for (TData* Data : {DataA.get(), DataB.get()})
    if (Data) All.push_back(Data);
  for (const std::unique_ptr<TData>& Data : MoreData)
    if (Data) All.push_back(Data.get());
  return All;
}

std::size_t TProject::FileOf(const TData& Data) {
  return static_cast<std::size_t>(Data.SerialBase / FileSerialSpacing);
}

void TProject::DropData() {
  DataA.reset();
  DataB.reset();
  MoreData.clear();
}

std::int32_t TProject::HandledFrames(std::size_t File) const {
  return File < Handled.size() ? Handled[File].Frames : 0;
}

void TProject::StartData(std::size_t File, const std::string& FileName, std::int64_t SerialLimit,
                         const std::function<void()>& Then) {
  std::unique_ptr<TData>& Data = HolderOf(File);
  Data = std::make_unique<TData>(FileName, *Definition);
  Data->SerialBase = static_cast<std::int64_t>(File) * FileSerialSpacing;
  Data->SerialLimit = SerialLimit;
  Data->Resync = Settings.Resync;
  Data->Threads = Threads;
  Data->ReadsStreams = ReadsStreams;
  // Trees are decoded again when shown; BaseFrames handed over as they
  // stream are not indexed.
  Data->KeepTrees = static_cast<bool>(OnStreamedFrames);
  Data->OnNewFrames = [this](TData& Sender) { HandleNewFrames(Sender); };
  // The first pass takes the values the alarms watch.
  Data->ColumnsOf(WatchedRows(ActiveAlarms()));
  if (OnStreamedFrames)
    Data->OnFrames = [this, Source = static_cast<int>(File)](std::span<TDecodedNode* const> Roots) {
      OnStreamedFrames(Source, Roots);
    };
  if (OnStreamedFrames && NewStreamedSink)
    Data->NewChunkSink = [this, Source = static_cast<int>(File)] { return NewStreamedSink(Source); };
  if (OnStreamedFrames && StreamedEnough)
    Data->Enough = [this, Source = static_cast<int>(File)] { return StreamedEnough(Source); };
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
  DropData();
  Definition.reset();
}

void TProject::Blank() {
  Unload();
  DataLoaded = false;
  SetState(TProjectState::Empty);
}

TPassResult TProject::DataResult() const {
  TPassResult Result = TPassResult::Complete;
  for (const TData* Data : Holders()) Result = std::max(Result, Data->Result());
  return Result;
}

void TProject::StopTracking() {
  for (TData* Data : Holders()) Data->StopTracking();
}

void TProject::HandleNewFrames(TData& Sender) {
  const std::size_t File = FileOf(Sender);
  if (Handled.size() <= File) Handled.resize(File + 1);
  const auto From = static_cast<std::uint32_t>(Handled[File].Frames);
  Handled[File].Frames = static_cast<std::int32_t>(Sender.Index().size());
  if (Definition) {
    const std::vector<TAlarmEntry> Active = ActiveAlarms();
    KeepColumnsInUse(Sender, Active);
    CheckAlarms(Sender, Active, From);
  }
  // A view may close while another one works; only those still open are called.
  for (TPlotView* Plot : std::vector<TPlotView*>(Plots))
    if (Contains(Plots, Plot)) Plot->RefreshSeries();
  for (TBrowserView* Browser : std::vector<TBrowserView*>(Browsers))
    if (Contains(Browsers, Browser)) Browser->AppendFrames(static_cast<int>(File), Sender);
}

std::vector<TAlarmEntry> TProject::ActiveAlarms() const {
  std::vector<TAlarmEntry> Active;
  for (const TProjectAlarm& Alarm : Settings.Alarms)
    if (Alarm.Active) Active.push_back(Alarm.Alarm);
  return Active;
}

std::vector<std::int32_t> TProject::WatchedRows(const std::vector<TAlarmEntry>& Active) const {
  std::vector<std::int32_t> Rows;
  for (const TAlarmEntry& Alarm : Active) std::ranges::copy(AlarmRows(Alarm, *Definition), std::back_inserter(Rows));
  return Rows;
}

void TProject::KeepColumnsInUse(TData& Sender, const std::vector<TAlarmEntry>& Active) const {
  std::vector<char> InUse(Definition->Entries.size(), 0);
  const auto Use = [&](const std::vector<std::int32_t>& Rows) {
    for (const std::int32_t Row : Rows)
      if (Row >= 0 && static_cast<std::size_t>(Row) < InUse.size()) InUse[static_cast<std::size_t>(Row)] = 1;
  };
  Use(WatchedRows(Active));
  for (const TPlotView* Plot : Plots) Use(Plot->RowsInUse());
  Sender.KeepOnlyColumns(InUse);
}

void TProject::CheckAlarms(TData& Sender, const std::vector<TAlarmEntry>& Active, std::uint32_t From) {
  TFrameTrees Trees(1);
  Trees.SetHolder(0, Sender);
  for (const TAlarmEntry& Alarm : Active) {
    std::int64_t Hits = 0;
    double FirstValue = 0;
    const std::string Caption = AlarmCaption(Alarm);
    std::optional<std::uint32_t> NamedFrame;
    std::string FrameName;
    for (const TTriggeredNode& Hit :
         TriggeredNodes(Alarm, Sender.ColumnsOf(AlarmRows(Alarm, *Definition), From), From)) {
      AddEntry(llWarn, AlarmLogText(Alarm, Hit.Value, Hit.Level));
      if (NamedFrame != Hit.Frame) {
        NamedFrame = Hit.Frame;
        FrameName = HitFrameText(Trees, Sender, Hit.Frame);
      }
      const bool Warning = Hit.Level == TAlarmLevel::Warning;
      ReportAlarmHit({0, FrameName, Caption, Hit.Value, FId, Sender.SerialOf(Hit.Frame, Hit.Place), false, Warning});
      // Warnings are listed, not noticed.
      if (!Warning && Hits++ == 0) FirstValue = Hit.Value;
    }
    if (Hits > 0 && OnAlarm && Settings.Notices) OnAlarm(Alarm, FirstValue, Hits - 1);
  }
}

std::string TProject::HitFrameText(TFrameTrees& Trees, const TData& Data, std::uint32_t Frame) const {
  if (const TDecodedNode* Root = Trees.Peek({Frame, 0})) return NodeNameText(*Definition, *Root, StartTime);
  // Without its tree, the BaseFrame's number alone.
  TDecodedNode Bare;
  Bare.Position = Data.Index()[Frame].Position;
  Bare.DefIndex = static_cast<std::int16_t>(Definition->FindFrame(BaseFrameName));
  return NodeNameText(*Definition, Bare, StartTime);
}

void TProject::FeedBrowser(TBrowserView& Browser) const {
  for (const TData* Data : Holders()) Browser.AppendFrames(static_cast<int>(FileOf(*Data)), *Data);
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

bool TProject::ReadsStandardInput(const std::string& Name) const { return ReadsStreams && IsStandardInput(Name); }

bool TProject::PacketFileFound(const std::string& Name) const {
  return ReadsStandardInput(Name) || PacketFileExists(Resolved(Name));
}

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
  if (!Definition) return Names;
  for (const TData* Data : Holders()) {
    // BaseFrames of one shape hold the same names in the same places: the
    // first of each shape tells them.
    TFrameTrees Trees(1);
    Trees.SetHolder(0, *Data);
    std::unordered_set<std::int32_t> Shapes;
    const std::span<const TFrameRecord> Index = Data->Index();
    for (std::uint32_t Frame = 0; Frame < Index.size(); ++Frame) {
      if (Index[Frame].Shape >= 0 && !Shapes.insert(Index[Frame].Shape).second) continue;
      if (const TDecodedNode* Root = Trees.Peek({Frame, 0})) CollectVariableNames(*Root, *Definition, Names);
    }
  }
  return Names;
}
