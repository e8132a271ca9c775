#pragma once
// One project without its window: the settings, the load of structure and
// data, and the fan-out of new BaseFrames to alarms, plots and browsers.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "data/Data.h"
#include "project/ProjectFile.h"
#include "structure/QuorinFramesDefinition.h"

// A browser as its project sees it: it is handed the new BaseFrames.
class TFrameTrees;

class TBrowserView {
 public:
  virtual ~TBrowserView() = default;
  // Appends the BaseFrames of Data's list that it does not show yet (Source: the file's number from 0).
  virtual void AppendFrames(int Source, const TData& Data) = 0;
  // Closes the view at once; it reports its end through BrowserClosed.
  virtual void Close() = 0;
};

// A plot as its project sees it: it rebuilds its series after new BaseFrames.
class TPlotView {
 public:
  virtual ~TPlotView() = default;
  // Rebuilds the series from all BaseFrames.
  virtual void RefreshSeries() = 0;
  // The definition rows whose columns the series read.
  virtual std::vector<std::int32_t> RowsInUse() const { return {}; }
  // Closes the view at once; it reports its end through PlotClosed.
  virtual void Close() = 0;
};

enum class TProjectState { Empty, Loading, Active };

class TProject {
 public:
  TProject();
  ~TProject();
  TProject(const TProject&) = delete;
  TProject& operator=(const TProject&) = delete;

  // The settings: file names, tracking, resynchronisation, the plot list's
  // captions and the alarm list, both in list order.
  TProjectSettings Settings;
  // Threads of the holders' passes over many new BaseFrames; 0: one per core.
  int Threads = 0;
  // The holders read packet streams (TData::ReadsStreams): standard input
  // "-" needs no file, a ".gz" file is decompressed.
  bool ReadsStreams = false;
  // The Offset Time as the user wrote it; read into StartTime at a load.
  std::string OffsetTime;
  // The folder of the project file, which relative file names are taken
  // from; empty (the working folder) for an unsaved project.
  std::string Folder;
  // Name as the load opens it: relative names below Folder.
  std::string Resolved(const std::string& Name) const;
  // Whether the packet file Name is standard input.
  bool ReadsStandardInput(const std::string& Name) const;
  // Whether the packet file Name is standard input or a file that exists.
  bool PacketFileFound(const std::string& Name) const;

  // The packet files after the second, which commands and the Python module
  // read; the project file does not keep them.
  std::vector<std::string> MorePacketFiles;
  // Names the packet files in order (at least one): A, B, then MorePacketFiles.
  void SetPacketFiles(const std::vector<std::string>& Names);
  // The BaseFrames of file File (0: A, 1: B, 2 on: MorePacketFiles) that
  // HandleNewFrames has handled.
  std::int32_t HandledFrames(std::size_t File) const;
  // The open views, in order of opening; not owned.
  std::vector<TBrowserView*> Browsers;
  std::vector<TPlotView*> Plots;
  std::unique_ptr<TData> DataA;
  std::unique_ptr<TData> DataB;
  // The holders of MorePacketFiles, by index; none for a file that is missing.
  std::vector<std::unique_ptr<TData>> MoreData;
  // Every holder, in file order.
  std::vector<TData*> Holders() const;
  // The names of the packet files by number; empty where there is none.
  std::vector<std::string> PacketFiles() const;
  // The number of Data's file: 0 for A, 1 for B, 2 on for MorePacketFiles.
  static std::size_t FileOf(const TData& Data);
  // Frees the holders; the definition stays.
  void DropData();
  bool DataLoaded = false;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::vector<std::string> Messages;  // outlives the definition
  double StartTime = 0;

  TProjectState State() const { return FState; }
  // Tells this project's alarm hits from those of others; never reused.
  std::uint64_t Id() const { return FId; }
  // Called whenever State changes.
  std::function<void()> OnStateChanged;
  // When set before the load, the holders stream: the BaseFrames are handed
  // over (Source: FileOf the holder) in file order as they are decoded, a piece of the
  // file's at a time or one by one, and then given back; the holders' lists
  // stay empty.
  std::function<void(int Source, std::span<TDecodedNode* const> Roots)> OnStreamedFrames;
  // When set besides, the BaseFrames decoded on several threads go to a sink
  // per chunk instead (TData::NewChunkSink).
  std::function<std::unique_ptr<TChunkSink>(int Source)> NewStreamedSink;
  // When set besides, whether the BaseFrames of Source handed over are
  // enough: its pass then ends without reading on (TData::Enough).
  std::function<bool(int Source)> StreamedEnough;
  // Called, when the settings ask for notices, once per alarm and pass that
  // hit it, after the hits' log entries and reports (ReportAlarmHit), with the
  // first hit's value and the number of hits after it (the owner shows the
  // notice).
  std::function<void(const TAlarmEntry& Alarm, double Value, std::int64_t MoreHits)> OnAlarm;

  // Checks the files, reads the Offset Time, loads the definition and decodes
  // the packet files. False, with the reason logged, when a file is missing
  // or refused (not a regular file) or the definition did not
  // load (then the project stays Loading); DataResult tells how the packet
  // files' passes ended. Throws
  // EConvertError for an Offset Time that is not a date or a structure file
  // with a number that is not an integer.
  bool Load();
  // The two steps of Load: the checks and the definition (the project is
  // Loading after it), then the packet files, file B's first pass after
  // file A's (Active once they ended: where passes run off the window
  // thread, after LoadData returns).
  bool LoadDefinition();
  void LoadData();
  // Why the last LoadDefinition failed: its last Error entry (empty when it
  // succeeded, or logged none).
  const std::string& DefinitionFailure() const { return FDefinitionFailure; }
  // The entries the last LoadDefinition logged.
  const std::vector<std::pair<TLogLevel, std::string>>& DefinitionEntries() const { return FDefinitionEntries; }
  // The reports of the first passes of the last LoadData: file A's, then
  // file B's.
  const std::vector<TPassReport>& LoadReports() const { return FLoadReports; }
  // Closes the views and frees holders and definition; the settings, the
  // alarm and plot lists among them, stay.
  void Unload();
  // Unload, and back to Empty.
  void Blank();
  // Stops following the files.
  void StopTracking();
  // The worst Result of the holders' updates (Complete without holders).
  TPassResult DataResult() const;
  // A pass may be running below the current event: freeing or starting a
  // holder now would break it. True, with a Warn entry, while one runs.
  static bool RefuseWhileBusy(const std::string& What);

  // Tests the active alarms, then refreshes every plot, then feeds every browser.
  void HandleNewFrames(TData& Sender);
  // Gives Browser every BaseFrame of both holders.
  void FeedBrowser(TBrowserView& Browser) const;
  // Forget a view that has closed; false, with an Error entry, when it was not open.
  bool BrowserClosed(TBrowserView* Browser);
  // Whether the view is open (registered and not reported closed).
  bool IsOpen(const TBrowserView* Browser) const;
  bool IsOpen(const TPlotView* Plot) const;
  bool PlotClosed(TPlotView* Plot);

  // Throws when the file cannot be read or written.
  void SaveProjectFile(const std::string& Path);
  // Takes the file names, tracking and resynchronisation, and appends the
  // file's plot captions and alarms to the lists, from the highest position
  // down. A file that is there but does not look like a project file changes
  // nothing: false, with a Warn entry.
  bool LoadProjectFile(const std::string& Path);
  // Whether the settings differ from those of the last load or save of a
  // project file, or of the last MarkUnchanged.
  bool HasChanges() const { return Settings != SavedSettings; }
  void MarkUnchanged() { SavedSettings = Settings; }

  // Warns "Alarm variable X is not in the structure." when the loaded
  // definition has no row of that name.
  void CheckAlarmVariable(const std::string& Name) const;

  // The names of the decoded variables and frames, in order of first appearance.
  std::vector<std::string> VariableNames() const;

 private:
  void SetState(TProjectState State);
  // LoadDefinition without its failure text.
  bool ReadDefinition();
  // Makes the holder of file File, named FileName, and starts its first
  // pass; Then runs once it has ended.
  void StartData(std::size_t File, const std::string& FileName, std::int64_t SerialLimit,
                 const std::function<void()>& Then);
  // The holder of file File.
  std::unique_ptr<TData>& HolderOf(std::size_t File);
  // The alarms of the list that are active, copied: the owner's handling of
  // a hit may change the list.
  std::vector<TAlarmEntry> ActiveAlarms() const;
  // The definition rows the alarms Active watch.
  std::vector<std::int32_t> WatchedRows(const std::vector<TAlarmEntry>& Active) const;
  // Lets the passes of Sender take the columns of the rows that the active
  // alarms and the open plots read, and no others.
  void KeepColumnsInUse(TData& Sender, const std::vector<TAlarmEntry>& Active) const;
  // Tests the Active alarms against the BaseFrames of Sender's index from From on.
  void CheckAlarms(TData& Sender, const std::vector<TAlarmEntry>& Active, std::uint32_t From);
  // The name of BaseFrame Frame of Data (source 0 of Trees) in an alarm hit.
  std::string HitFrameText(TFrameTrees& Trees, const TData& Data, std::uint32_t Frame) const;
  // Starts the files Files[At] on, one after the other, then is Active.
  void StartFiles(const std::vector<std::size_t>& Files, std::size_t At);

  TProjectState FState = TProjectState::Empty;
  std::uint64_t FId;
  TProjectSettings SavedSettings;
  // Where HandleNewFrames stopped in each holder's list, by file.
  struct THandled {
    std::int32_t Frames = 0;
  };
  std::vector<THandled> Handled;
  std::string FDefinitionFailure;
  std::vector<std::pair<TLogLevel, std::string>> FDefinitionEntries;
  std::vector<TPassReport> FLoadReports;
};
