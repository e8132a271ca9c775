// The extension vorex._vorex: a project loaded from a structure file and one
// or two packet files, its plot series, table and BaseFrames as numpy arrays
// and Python objects. Every call into the core runs without the GIL, under
// one lock (the log sink is process-wide), with a sink that keeps the entries
// in the project's log; Ctrl+C ends its passes.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "NetcdfLayoutObject.h"
#include "common/Convert.h"
#include "common/DateTime.h"
#include "common/DateTimeStamp.h"
#include "common/LoadProgress.h"
#include "common/Log.h"
#include "common/TerminalProgress.h"
#include "common/Threads.h"
#include "plot/PlotSeries.h"
#include "project/Project.h"
#include "structure/InstrumentNames.h"
#include "table/ColumnInfo.h"
#include "table/NetcdfLayout.h"
#include "table/RowRangeText.h"
#include "table/TableArrays.h"
#include "table/TableColumns.h"
#include "table/TableRows.h"

namespace py = pybind11;

// A file name given as str, bytes or os.PathLike, in the file system's encoding.
struct TFileName {
  std::string Name;
};

template <>
struct pybind11::detail::type_caster<TFileName> {
  PYBIND11_TYPE_CASTER(TFileName, const_name("Union[str, bytes, os.PathLike]"));

  // A name with a NUL is refused with ValueError: the core would open a shorter one.
  bool load(handle Source, bool) {
    PyObject* Bytes = nullptr;
    if (PyUnicode_FSConverter(Source.ptr(), &Bytes) == 0) {
      if (PyErr_ExceptionMatches(PyExc_ValueError)) throw error_already_set();
      PyErr_Clear();
      return false;
    }
    value.Name = reinterpret_steal<bytes>(Bytes);
    return true;
  }

  static handle cast(const TFileName& Source, return_value_policy, handle) {
    return PyUnicode_DecodeFSDefaultAndSize(Source.Name.data(), static_cast<Py_ssize_t>(Source.Name.size()));
  }
};

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

constexpr std::int64_t MaxThreads = 256;
// BaseFrames of table() decoded again per thread, at least.
constexpr std::size_t TablePartFrames = 512;

std::mutex CoreLock;
PyObject* LoadErrorType = nullptr;
PyObject* OffsetTimeErrorType = nullptr;

void WriteStandardError(std::string_view Text) {
  while (!Text.empty()) {
    const ssize_t Written = ::write(STDERR_FILENO, Text.data(), Text.size());
    if (Written <= 0) return;
    Text.remove_prefix(static_cast<std::size_t>(Written));
  }
}

// Whether sys.stderr, and the file it writes to, is a terminal.
bool StandardErrorIsTerminal() {
  const py::object Stream = py::module_::import("sys").attr("stderr");
  if (Stream.is_none() || !py::hasattr(Stream, "isatty") || ::isatty(STDERR_FILENO) == 0) return false;
  try {
    return Stream.attr("isatty")().cast<bool>();
  } catch (const py::error_already_set&) {
    return false;
  }
}

// The progress display of the core's passes: it runs the signal handlers
// (with the GIL) whenever a pass shows its position, and stops the pass once
// one of them raised (KeyboardInterrupt on Ctrl+C). With Progress, passes
// over large files also show their progress line on standard error.
class TSignalCheck final : public TTerminalProgress {
 public:
  explicit TSignalCheck(bool Progress)
      : TTerminalProgress(Progress ? TWrite(WriteStandardError) : TWrite(), TerminalWidth(STDERR_FILENO)) {}
  bool StopRequested() override {
    if (Raised) return true;
    py::gil_scoped_acquire Gil;
    if (PyErr_CheckSignals() == 0) return false;
    Raised.emplace();
    return true;
  }
  // Raises what a signal handler raised.
  void RaiseIfInterrupted() {
    if (Raised) throw *std::exchange(Raised, std::nullopt);
  }

 private:
  std::optional<py::error_already_set> Raised;
};

// Runs Body without the GIL, under CoreLock and with a signal check as the
// progress display (drawing its line with Progress); what a signal handler
// raised meanwhile is raised instead of returning.
template <typename TBody>
auto Locked(TBody&& Body, bool Progress = false) {
  TSignalCheck Signals(Progress);
  auto Result = [&] {
    py::gil_scoped_release Release;
    std::lock_guard<std::mutex> Lock(CoreLock);
    const struct TRestore {
      TLoadProgress* Previous;
      ~TRestore() { SetLoadProgress(Previous); }
    } Restore{SetLoadProgress(&Signals)};
    return Body();
  }();
  Signals.RaiseIfInterrupted();
  return Result;
}

// The value of an integer (any object with __index__), none when it takes
// more than 64 bits; TypeError for another object.
std::optional<std::int64_t> IntegerValue(const py::handle& Object) {
  const auto Number = py::reinterpret_steal<py::int_>(PyNumber_Index(Object.ptr()));
  if (!Number) throw py::error_already_set();
  int Overflow = 0;
  const long long Value = PyLong_AsLongLongAndOverflow(Number.ptr(), &Overflow);
  if (Overflow != 0) return std::nullopt;
  return Value;
}

const char* KindName(TEntryKind Kind) {
  switch (Kind) {
    case ekNumber: return "number";
    case ekBoolean: return "boolean";
    case ekSubframe: return "subframe";
    case ekText: return "text";
    case ekFrame: return "frame";
  }
  return "unknown";
}

// Texts of the structure and packet files are 8-bit: a byte above 127 is the Latin-1 character.
py::str Latin1(const std::string& Text) {
  return py::reinterpret_steal<py::str>(
      PyUnicode_DecodeLatin1(Text.data(), static_cast<Py_ssize_t>(Text.size()), nullptr));
}

template <typename T>
py::array_t<T> ToArray(std::vector<T>&& Values) {
  auto* Held = new std::vector<T>(std::move(Values));
  py::capsule Owner(Held, [](void* P) { delete static_cast<std::vector<T>*>(P); });
  return py::array_t<T>(static_cast<py::ssize_t>(Held->size()), Held->data(), Owner);
}

// An object array of Texts[i] (None for -1).
py::array ObjectArray(const std::vector<std::int32_t>& Index, const std::vector<py::object>& Texts) {
  py::array Result(py::dtype("O"), py::array::ShapeContainer{static_cast<py::ssize_t>(Index.size())});
  auto** Cells = static_cast<PyObject**>(Result.mutable_data());
  for (std::size_t I = 0; I < Index.size(); ++I) {
    PyObject* Cell = Index[I] < 0 ? Py_None : Texts[static_cast<std::size_t>(Index[I])].ptr();
    Py_INCREF(Cell);
    Py_XDECREF(Cells[I]);
    Cells[I] = Cell;
  }
  return Result;
}

// One decoded node as frame() returns it.
struct TNodeCopy {
  std::string Name;
  TEntryKind Kind = ekNumber;
  double Raw = 0, Value = 0;
  std::int64_t Position = 0;
  std::int32_t Text = -1;  // the message of a TEXT variable
  std::vector<TNodeCopy> Children;
};

py::dict NodeObject(const TNodeCopy& Node, const std::vector<std::string>& Messages) {
  py::dict Result;
  Result["name"] = Latin1(Node.Name);
  Result["kind"] = KindName(Node.Kind);
  Result["raw"] = Node.Raw;
  if (Node.Kind == ekText)
    Result["value"] = Node.Text >= 0 ? py::object(Latin1(Messages[static_cast<std::size_t>(Node.Text)])) : py::none();
  else Result["value"] = Node.Value;
  Result["position"] = Node.Position;
  py::list Children;
  for (const TNodeCopy& Child : Node.Children) Children.append(NodeObject(Child, Messages));
  Result["children"] = Children;
  return Result;
}

class TPyProject {
 public:
  TProject Project;
  std::vector<std::pair<TLogLevel, std::string>> Log;
  std::vector<TFileName> Files;

  // Body with the log sink that appends to Log; the previous sink afterwards.
  template <typename TBody>
  auto Logged(TBody&& Body) {
    TLogSink Previous = SetLogSink([this](TLogLevel Level, const std::string& Text) { Log.emplace_back(Level, Text); });
    struct TRestore {
      TLogSink& Previous;
      ~TRestore() { SetLogSink(std::move(Previous)); }
    } Restore{Previous};
    return Body();
  }

  std::int64_t FrameCount() const {
    std::int64_t Count = 0;
    for (const TData* Data : Project.Holders()) Count += Data->FrameCount();
    return Count;
  }

  // Frame and variable of a plot name: a table column's qualified name, or "Frame.Var" split at the first ".";
  // none for a name no row has.
  std::optional<std::pair<std::string, std::string>> PlotName(const std::string& Name) const {
    TTableColumns Columns(*Project.Definition);
    for (const TTableColumn& Column : Columns.Columns())
      if (Column.Name == Name) {
        const TDefinitionEntry& Row = Project.Definition->Entries[static_cast<std::size_t>(Column.Row)];
        return std::pair(Row.FrameName, Row.VarName);
      }
    const std::size_t Dot = Name.find('.');
    if (Dot != std::string::npos) {
      std::string Frame = Name.substr(0, Dot), Var = Name.substr(Dot + 1);
      if (Project.Definition->HasRow(&Frame, Var)) return std::pair(Frame, Var);
    }
    return std::nullopt;
  }

  std::int32_t MessageIndexOf(const TDecodedNode& Node) const {
    return static_cast<std::int32_t>(MessageIndex(Node, Project.Messages));
  }

  TEntryKind KindOf(const TDecodedNode& Node) const {
    const auto Row = static_cast<std::size_t>(Node.DefIndex);
    return Row < Project.Definition->Entries.size() ? Project.Definition->Entries[Row].Kind : ekNumber;
  }

  TNodeCopy CopyNode(const TDecodedNode& Node) const {
    TNodeCopy Copy;
    Copy.Name = Project.Definition->NodeQualifiedName(Node);
    Copy.Kind = KindOf(Node);
    Copy.Raw = Node.RawValue;
    Copy.Value = Node.Value;
    Copy.Position = Node.Position;
    if (Copy.Kind == ekText) Copy.Text = MessageIndexOf(Node);
    for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) Copy.Children.push_back(CopyNode(*Child));
    return Copy;
  }
};

std::vector<std::string> VarsList(const py::object& Vars) {
  std::vector<std::string> Result;
  if (Vars.is_none()) return Result;
  if (py::isinstance<py::str>(Vars)) {
    std::string Text = Vars.cast<std::string>();
    std::size_t Start = 0;
    for (;;) {
      const std::size_t Comma = Text.find(',', Start);
      Result.push_back(Text.substr(Start, Comma - Start));
      if (Comma == std::string::npos) break;
      Start = Comma + 1;
    }
    return Result;
  }
  for (const py::handle Item : Vars) {
    if (!py::isinstance<py::str>(Item)) throw py::type_error("vars must be a string or a sequence of strings");
    Result.push_back(Item.cast<std::string>());
  }
  return Result;
}

py::list LogList(const std::vector<std::pair<TLogLevel, std::string>>& Log) {
  py::list Result;
  for (const auto& [Level, Text] : Log) Result.append(py::make_tuple(LogLevelName(Level), Latin1(Text)));
  return Result;
}

// Appends the file name Given, or each of a list or tuple of them, to Files.
void AppendFileNames(const py::handle Given, std::vector<TFileName>& Files) {
  const bool Several = py::isinstance<py::list>(Given) || py::isinstance<py::tuple>(Given);
  const py::sequence Names =
      Several ? py::reinterpret_borrow<py::sequence>(Given) : py::sequence(py::make_tuple(Given));
  for (const py::handle Name : Names) {
    try {
      Files.push_back(Name.cast<TFileName>());
    } catch (const py::cast_error&) {
      throw py::type_error("a packet file name is str, bytes or os.PathLike, not " +
                           py::str(py::type::handle_of(Name)).cast<std::string>());
    }
  }
}

// The packet files of packet, a file name or a list of them, and of packet2, the same or None.
std::vector<TFileName> PacketFileNames(const py::object& Packet, const py::object& Packet2) {
  std::vector<TFileName> Files;
  AppendFileNames(Packet, Files);
  if (!Packet2.is_none()) AppendFileNames(Packet2, Files);
  if (Files.empty()) throw py::value_error("no packet file given");
  if (static_cast<std::int64_t>(Files.size()) > MaxPacketFiles)
    throw py::value_error("at most " + std::to_string(MaxPacketFiles) + " packet files can be read together");
  return Files;
}

// A project of the files, not loaded yet.
std::unique_ptr<TPyProject> NewProject(const TFileName& Structure, const std::vector<TFileName>& Packets, bool Resync) {
  auto Result = std::make_unique<TPyProject>();
  TProjectSettings& Settings = Result->Project.Settings;
  Settings.StructureFile = Structure.Name;
  std::vector<std::string> Names;
  for (const TFileName& Packet : Packets) Names.push_back(Packet.Name);
  Result->Project.SetPacketFiles(Names);
  Settings.Tracking = false;
  Settings.Resync = Resync;
  Result->Project.ReadsStreams = true;
  return Result;
}

// The message of a load that failed: the last Error entry of the passes of
// the packet files, or else of the definition's load.
std::string FailureText(const TPyProject& P) {
  const std::vector<TPassReport>& Reports = P.Project.LoadReports();
  for (auto Report = Reports.rbegin(); Report != Reports.rend(); ++Report)
    if (std::string Error = Report->LastError(); !Error.empty()) return Error;
  if (!P.Project.DefinitionFailure().empty()) return P.Project.DefinitionFailure();
  return "The files could not be loaded.";
}

// Raises LoadError (or Type, one of its kind) with Failure, P's log, the
// number of BaseFrames decoded so far and the attributes Decoded names (the
// BaseFrames themselves).
[[noreturn]] void RaiseLoadError(const TPyProject& P, const std::string& Failure, const py::dict& Decoded = {},
                                 PyObject* Type = LoadErrorType) {
  py::object Error = py::reinterpret_borrow<py::object>(Type)(Latin1(Failure));
  Error.attr("log") = LogList(P.Log);
  Error.attr("frames") = P.FrameCount();
  for (const auto& [Name, Value] : Decoded) py::setattr(Error, Name, Value);
  PyErr_SetObject(Type, Error.ptr());
  throw py::error_already_set();
}

// Sets P's Offset Time when one is asked for; one the load would not read
// raises OffsetTimeError (a ValueError and a LoadError) before any file is read.
void SetOffsetTime(TPyProject& P, const std::optional<std::string>& OffsetTime) {
  if (!OffsetTime) return;
  double StartTime = 0;
  if (!TryStrToDateTime(*OffsetTime, StartTime)) {
    const std::string Failure = "'" + *OffsetTime + "' is not a valid date and time";
    P.Log.emplace_back(llError, Failure);
    RaiseLoadError(P, Failure, {}, OffsetTimeErrorType);
  }
  P.Project.OffsetTime = *OffsetTime;
}

// Runs Step (LoadDefinition or Load) under the lock with P's log; raises
// LoadError when it fails.
template <typename TStep>
void LoadStep(TPyProject& P, TStep&& Step) {
  const std::string Failure = Locked([&]() -> std::string {
    return P.Logged([&]() -> std::string {
      try {
        if (Step()) return "";
      } catch (const std::exception& Error) {
        AddEntry(llError, Error.what());
        return Error.what();
      }
      return FailureText(P);
    });
  });
  if (!Failure.empty()) RaiseLoadError(P, Failure);
}

std::unique_ptr<TPyProject> Load(const TFileName& Structure, const TFileName& Packet,
                                 const std::optional<TFileName>& Packet2, const std::optional<std::string>& OffsetTime,
                                 bool Resync) {
  std::vector<TFileName> Packets{Packet};
  if (Packet2) Packets.push_back(*Packet2);
  std::unique_ptr<TPyProject> Result = NewProject(Structure, Packets, Resync);
  TPyProject& P = *Result;
  SetOffsetTime(P, OffsetTime);
  LoadStep(P, [&] { return P.Project.Load(); });
  P.Files.push_back({P.Project.Settings.PacketFileA});
  if (P.Project.DataB) P.Files.push_back({P.Project.Settings.PacketFileB});
  // A pass that ended before the end of its data: what it decoded goes with the error.
  if (P.Project.DataResult() != TPassResult::Complete) {
    py::dict Decoded;
    Decoded["project"] = py::cast(std::move(Result));
    RaiseLoadError(P, FailureText(P), Decoded);
  }
  return Result;
}

py::tuple Series(TPyProject& P, const std::string& Name, const std::optional<std::string>& Sort) {
  std::optional<std::string> Unknown;
  std::vector<TPlotPoint> Points = Locked([&] {
    const auto Names = P.PlotName(Name);
    if (!Names) Unknown = Name;
    else if (Sort && !Sort->empty() && !P.Project.Definition->HasRow(nullptr, *Sort)) Unknown = *Sort;
    if (Unknown) return std::vector<TPlotPoint>();
    TPlotSeries Plot;
    Plot.FrameName = Names->first;
    Plot.VarName = Names->second;
    Plot.SortVar = Sort.value_or("");
    Plot.DataA = P.Project.DataA.get();
    Plot.DataB = P.Project.DataB.get();
    Plot.RefreshSeries(*P.Project.Definition);
    return std::move(Plot.Series);
  });
  if (Unknown) throw py::key_error("Unknown variable " + *Unknown + ".");
  std::vector<double> Serial, Time, Value;
  Serial.reserve(Points.size());
  Time.reserve(Points.size());
  Value.reserve(Points.size());
  for (const TPlotPoint& Point : Points) {
    Serial.push_back(Point.SerialNo);
    Time.push_back(Point.Time);
    Value.push_back(Point.Value);
  }
  return py::make_tuple(ToArray(std::move(Serial)), ToArray(std::move(Time)), ToArray(std::move(Value)));
}

bool WideLayout(const std::string& Layout) {
  if (Layout != "wide" && Layout != "long")
    throw py::value_error("layout must be \"wide\" or \"long\", not \"" + Layout + "\"");
  return Layout == "wide";
}

// The datetime64[ns] column of StartTime (days) plus each row's time.
py::array DateTimeArray(const std::vector<double>& Time, double StartTime) {
  std::vector<std::int64_t> Nanoseconds(Time.size());
  for (std::size_t I = 0; I < Time.size(); ++I) Nanoseconds[I] = DateTimeNanoseconds(StartTime, Time[I]);
  return ToArray(std::move(Nanoseconds)).attr("view")("datetime64[ns]");
}

py::dict TableDict(TTableArrays&& Arrays, double StartTime) {
  std::vector<py::object> Messages;
  Messages.reserve(Arrays.Messages.size());
  for (const std::string& Message : Arrays.Messages) Messages.push_back(Latin1(Message));
  py::dict Result;
  Result["file"] = ToArray(std::move(Arrays.File));
  Result["frame"] = ToArray(std::move(Arrays.Frame));
  Result["serial"] = ToArray(std::move(Arrays.Serial));
  py::array DateTime = DateTimeArray(Arrays.Time, StartTime);
  if (Arrays.Wide) {
    const auto Rows = static_cast<py::ssize_t>(Arrays.Time.size());
    Result["time"] = ToArray(std::move(Arrays.Time));
    Result["datetime"] = DateTime;
    // The number columns share their block.
    auto* Held = new std::shared_ptr<TNumberBlock>(Arrays.Numbers);
    py::capsule Owner(Held, [](void* P) { delete static_cast<std::shared_ptr<TNumberBlock>*>(P); });
    for (std::size_t C = 0; C < Arrays.Names.size(); ++C)
      Result[Latin1(Arrays.Names[C])] = Arrays.IsText[C]
                                            ? py::object(ObjectArray(Arrays.Texts[C], Messages))
                                            : py::object(py::array_t<double>(Rows, Arrays.Column(C), Owner));
    return Result;
  }
  Result["datetime"] = DateTime;
  std::vector<py::object> Names;
  for (const std::string& Name : Arrays.Names) Names.push_back(Latin1(Name));
  Result["name"] = ObjectArray(Arrays.NameIndex, Names);
  Result["raw"] = ToArray(std::move(Arrays.Raw));
  // A TEXT variable's value is NaN and its text the message (None when its raw value numbers none).
  Result["value"] = ToArray(std::move(Arrays.Value));
  Result["text"] = ObjectArray(Arrays.ValueText, Messages);
  return Result;
}

// The rows of Data's BaseFrames, decoded again evaluating the transforms of
// Rows; the wide rows on several threads, each part of the BaseFrames taken
// by a sink of its own and joined in order.
void AddTableRows(TTableCollector& Collector, const TData& Data, int File, const std::vector<std::int32_t>& Rows,
                  const std::vector<std::string>& Messages, bool Wide) {
  // The long rows in one part.
  const std::vector<std::size_t> Starts =
      PartStarts(0, Data.Index().size(), Wide ? TablePartFrames : Data.Index().size(), Data.Threads);
  const std::size_t Parts = Starts.size() - 1;
  std::int64_t Added = 0;
  std::vector<std::unique_ptr<TChunkSink>> Sinks;
  if (Wide)
    for (std::size_t Part = 0; Part < Parts; ++Part) Sinks.push_back(Collector.NewSink(File, Added));
  RunParts(Parts, [&](std::size_t Part) {
    const std::unique_ptr<TData::TDecodingCopy> Copy = Data.CopyForDecodingAgain();
    if (Copy->Definition) Copy->Definition->DeferUnused(Rows);
    TDecodedAgain Again;
    for (std::size_t Frame = Starts[Part]; Frame < Starts[Part + 1]; ++Frame) {
      if (!Data.DecodeAgain(Frame, *Copy, Again))
        throw std::runtime_error("BaseFrame " + std::to_string(Frame) + " of " + Data.FileName +
                                 " cannot be decoded again: the file was changed or replaced.");
      if (Wide) Sinks[Part]->Take(*Again.Root, Messages);
      else Collector.AddFrames(File, static_cast<std::int64_t>(Frame), {&Again.Root, 1}, Messages);
    }
  });
  // The serial numbers decoded again are those of the pass.
  for (const std::unique_ptr<TChunkSink>& Sink : Sinks) Sink->Join(TSerialNumbering{});
}

py::dict Table(TPyProject& P, const py::object& Vars, const std::string& Layout) {
  const bool Wide = WideLayout(Layout);
  const std::vector<std::string> Patterns = VarsList(Vars);
  std::vector<std::string> Unknown;
  TTableArrays Arrays = Locked([&] {
    TTableColumns Columns(*P.Project.Definition);
    Unknown = Columns.Select(Patterns);
    if (!Unknown.empty()) return TTableArrays();
    TTableCollector Collector(*P.Project.Definition, Columns, Wide);
    Collector.Reserve(P.FrameCount());
    int File = 0;
    for (const TData* Data : {P.Project.DataA.get(), P.Project.DataB.get()}) {
      ++File;
      if (Data) AddTableRows(Collector, *Data, File, Columns.RowsInUse(), P.Project.Messages, Wide);
    }
    return Collector.TakeArrays();
  });
  if (!Unknown.empty()) throw py::key_error("Unknown variable " + Unknown.front() + ".");
  return TableDict(std::move(Arrays), P.Project.StartTime);
}

// The bounds of read_table's rows as vorex-cli table takes them; ValueError for a malformed one.
TRowRangeText RowRangeText(const std::string& Frames, const std::string& Start, const std::string& Stop) {
  const std::pair<std::string, std::string> Problems[] = {{"frames", Frames.empty() ? "" : FramesProblem(Frames)},
                                                          {"start", Start.empty() ? "" : TimeBoundProblem(Start)},
                                                          {"stop", Stop.empty() ? "" : TimeBoundProblem(Stop)}};
  for (const auto& [Name, Problem] : Problems)
    if (!Problem.empty()) throw py::value_error(Name + " " + Problem);
  return {Frames, Start, Stop};
}

// The table of the files decoded as vorex-cli table decodes them: the BaseFrames' nodes are not kept.
py::dict ReadTable(const TFileName& Structure, const py::object& Packet, const py::object& Packet2,
                   const py::object& Vars, const std::string& Layout, bool Resync, const py::object& ThreadsAsked,
                   const py::object& Log, const std::optional<std::string>& OffsetTime, bool Progress,
                   const std::string& FrameBounds, const std::string& Start, const std::string& Stop) {
  const bool Wide = WideLayout(Layout);
  const TRowRangeText Range = RowRangeText(FrameBounds, Start, Stop);
  const bool ShowProgress = Progress && StandardErrorIsTerminal();
  const std::optional<std::int64_t> Threads = IntegerValue(ThreadsAsked);
  if (!Threads || *Threads < 0 || *Threads > MaxThreads)
    throw py::value_error("threads must be 0 (one per core) to " + std::to_string(MaxThreads) + ", not " +
                          py::str(ThreadsAsked).cast<std::string>());
  if (!Log.is_none() && !py::isinstance<py::list>(Log)) throw py::type_error("log must be a list or None");
  const std::vector<std::string> Patterns = VarsList(Vars);
  std::unique_ptr<TPyProject> Owned = NewProject(Structure, PacketFileNames(Packet, Packet2), Resync);
  TPyProject& P = *Owned;
  P.Project.Threads = static_cast<int>(*Threads);
  SetOffsetTime(P, OffsetTime);
  LoadStep(P, [&] { return P.Project.LoadDefinition(); });
  std::vector<std::string> Unknown;
  TTableArrays Arrays = Locked(
      [&] {
        return P.Logged([&] {
          TTableColumns Columns(*P.Project.Definition);
          Unknown = Columns.Select(Patterns);
          if (!Unknown.empty()) return TTableArrays();
          P.Project.Definition->DeferUnused(Columns.RowsInUse());
          TTableCollector Collector(*P.Project.Definition, Columns, Wide);
          Collector.Range = RowRangeOf(Range, P.Project.StartTime);
          // Room for as many rows as a file's size holds BaseFrames of the
          // length its pass decodes (which may adjust the structure's).
          const std::vector<std::string> Files = P.Project.PacketFiles();
          std::vector<char> Reserved(Files.size(), 0);
          const auto ReserveFor = [&](int Source) {
            if (std::exchange(Reserved[static_cast<std::size_t>(Source)], 1)) return;
            const std::string& File = Files[static_cast<std::size_t>(Source)];
            const std::int32_t Length = P.Project.Definition->GetFrameLength(BaseFrameName);
            std::error_code Failed;
            const std::uintmax_t Size = std::filesystem::file_size(P.Project.Resolved(File), Failed);
            if (!Failed && Length > 0)
              Collector.Reserve(static_cast<std::int64_t>(Size / static_cast<std::uintmax_t>(Length)));
          };
          std::vector<std::int64_t> Frames(Files.size(), 0);
          P.Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
            ReserveFor(Source);
            std::int64_t& Counted = Frames[static_cast<std::size_t>(Source)];
            Collector.AddFrames(Source + 1, Counted, Roots, P.Project.Messages);
            Counted += static_cast<std::int64_t>(Roots.size());
          };
          // Wide cells are taken on the threads that decode their BaseFrames.
          if (Wide)
            P.Project.NewStreamedSink = [&](int Source) {
              ReserveFor(Source);
              return Collector.NewSink(Source + 1, Frames[static_cast<std::size_t>(Source)]);
            };
          P.Project.StreamedEnough = [&](int Source) {
            return Collector.Range.Passed(Frames[static_cast<std::size_t>(Source)]);
          };
          P.Project.LoadData();
          return Collector.TakeArrays();
        });
      },
      ShowProgress);
  if (!Log.is_none())
    for (const py::handle Entry : LogList(P.Log)) Log.cast<py::list>().append(Entry);
  if (!Unknown.empty()) throw py::key_error("Unknown variable " + Unknown.front() + ".");
  if (P.Project.DataResult() != TPassResult::Complete) {
    py::dict Decoded;
    Decoded["table"] = TableDict(std::move(Arrays), P.Project.StartTime);
    RaiseLoadError(P, FailureText(P), Decoded);
  }
  return TableDict(std::move(Arrays), P.Project.StartTime);
}

py::dict Frame(TPyProject& P, const py::object& Asked, int File) {
  const std::optional<std::int64_t> Index = IntegerValue(Asked);
  if (File != 1 && File != 2) throw py::value_error("file must be 1 or 2");
  const TData* Data = File == 1 ? P.Project.DataA.get() : P.Project.DataB.get();
  if (!Data) throw py::index_error("the project has no second packet file");
  std::int64_t Serial = 0;
  std::int64_t Count = 0;
  std::optional<TNodeCopy> Copy = Locked([&]() -> std::optional<TNodeCopy> {
    Count = Data->FrameCount();
    if (!Index || *Index < -Count || *Index >= Count) return std::nullopt;
    // Decoded again from its record instead of walking the list to it.
    const TDecodedAgain Again = Data->DecodeAgain(static_cast<std::size_t>(*Index < 0 ? *Index + Count : *Index));
    if (!Again.Root) throw std::runtime_error("BaseFrame " + std::to_string(*Index) + " could not be decoded again.");
    Serial = Again.Root->SerialNo;
    return P.CopyNode(*Again.Root);
  });
  if (!Copy)
    throw py::index_error("BaseFrame " + py::str(Asked).cast<std::string>() + " is not in file " +
                          std::to_string(File) + " (" + std::to_string(Count) + " BaseFrames).");
  py::dict Result = NodeObject(*Copy, P.Project.Messages);
  Result["serial"] = Serial;
  return Result;
}

std::int64_t Update(TPyProject& P) {
  return Locked([&] {
    return P.Logged([&] {
      const std::int64_t Before = P.FrameCount();
      for (TData* Data : P.Project.Holders()) Data->UpdateFromFile();
      return P.FrameCount() - Before;
    });
  });
}

py::list Variables(TPyProject& P) {
  std::vector<std::pair<std::string, TEntryKind>> Names = Locked([&] {
    std::vector<std::pair<std::string, TEntryKind>> Result;
    TTableColumns Columns(*P.Project.Definition);
    for (const TTableColumn& Column : Columns.Columns())
      Result.emplace_back(Column.Name, P.Project.Definition->Entries[static_cast<std::size_t>(Column.Row)].Kind);
    return Result;
  });
  py::list Result;
  for (const auto& [Name, Kind] : Names) Result.append(py::make_tuple(Latin1(Name), KindName(Kind)));
  return Result;
}

py::list ColumnInfoList(const std::vector<TColumnInfo>& Infos) {
  py::list Result;
  for (const TColumnInfo& Info : Infos) {
    py::dict Item;
    Item["name"] = Latin1(Info.Name);
    Item["kind"] = Info.Kind;
    Item["unit"] = Latin1(Info.Unit);
    Item["description"] = Latin1(Info.Description);
    Item["transform"] = Latin1(Info.Transform);
    Result.append(Item);
  }
  return Result;
}

py::list VariableDetails(TPyProject& P) {
  const TFramesDefinition& Definition = *P.Project.Definition;
  return ColumnInfoList(Locked([&] { return ColumnInfos(Definition, TTableColumns(Definition)); }));
}

// The columns of the structure file alone; LoadError with its last Error entry when it does not load.
py::list StructureVariables(const TFileName& Structure) {
  TPyProject P;
  const auto Infos = Locked([&] {
    return P.Logged([&]() -> std::optional<std::vector<TColumnInfo>> {
      try {
        return StructureColumnInfos(Structure.Name);
      } catch (const EConvertError& Error) {
        AddEntry(llError, Error.what());
        return std::nullopt;
      }
    });
  });
  if (Infos) return ColumnInfoList(*Infos);
  std::string Failure = "The structure file could not be loaded.";
  for (const auto& [Level, Text] : P.Log)
    if (Level == llError) Failure = Text;
  RaiseLoadError(P, Failure);
}

// The netCDF layout of the wide table of P's columns Vars.
py::tuple ProjectNetcdfLayout(TPyProject& P, const py::object& Vars) {
  const std::vector<std::string> Patterns = VarsList(Vars);
  std::vector<std::string> Unknown;
  const TNetcdfLayout Layout = Locked([&] {
    TTableColumns Columns(*P.Project.Definition);
    Unknown = Columns.Select(Patterns);
    return NetcdfLayout(P.Project, Columns);
  });
  if (!Unknown.empty()) throw py::key_error("Unknown variable " + Unknown.front() + ".");
  return NetcdfLayoutObject(Layout);
}

// The same for files whose structure definition only is loaded here.
py::tuple FilesNetcdfLayout(const TFileName& Structure, const py::object& Packet, const py::object& Packet2,
                            const py::object& Vars, const std::optional<std::string>& OffsetTime) {
  std::unique_ptr<TPyProject> P = NewProject(Structure, PacketFileNames(Packet, Packet2), false);
  SetOffsetTime(*P, OffsetTime);
  LoadStep(*P, [&] { return P->Project.LoadDefinition(); });
  return ProjectNetcdfLayout(*P, Vars);
}

}  // namespace

PYBIND11_MODULE(_vorex, m) {
  m.doc() = "The compiled part of vorex; use the package vorex.";
  LoadErrorType = PyErr_NewExceptionWithDoc(
      "vorex.LoadError",
      "The files could not be loaded or decoded to their end: a missing packet or structure file, a packet file that\n"
      "is not a regular file, a gzip file of 2 GiB or more, a structure file that is rejected, an Offset Time that is\n"
      "not a date, or a pass that stopped before the end of a packet file (a cross dependency between transforms).\n"
      "The message is the log's last Error. Attributes: log, every (level, text) entry; frames, the number of\n"
      "BaseFrames decoded before the load stopped; after a stopped pass also project (from load(): the Project\n"
      "with those BaseFrames) or table (from read_table(): their columns).",
      PyExc_RuntimeError, nullptr);
  m.attr("LoadError") = py::handle(LoadErrorType);
  const py::tuple OffsetTimeBases = py::make_tuple(py::handle(LoadErrorType), py::handle(PyExc_ValueError));
  OffsetTimeErrorType = PyErr_NewExceptionWithDoc(
      "vorex.OffsetTimeError",
      "An offset_time that is not a date and time: a ValueError, and a LoadError as the load that would read it\n"
      "raises one. It is raised before any file is read.",
      OffsetTimeBases.ptr(), nullptr);
  m.attr("OffsetTimeError") = py::handle(OffsetTimeErrorType);
  m.attr("__version__") = VOREX_VERSION;

  py::class_<TPyProject>(m, "Project",
                         "A loaded project: the structure definition and the BaseFrames of one or two packet files.\n"
                         "Made by vorex.load(); it reads the files again only through update().")
      .def_property_readonly(
          "frame_count", [](TPyProject& P) { return Locked([&] { return P.FrameCount(); }); },
          "The number of BaseFrames decoded from all packet files.")
      .def_property_readonly(
          "files", [](const TPyProject& P) { return P.Files; },
          "The packet files read: files[0] is file 1, files[1] (when present) file 2.")
      .def_property_readonly(
          "log", [](TPyProject& P) { return LogList(Locked([&] { return P.Log; })); },
          "The log entries of the load and of every update() as (level, text) tuples; level is \"Message\", \"Info\",\n"
          "\"Warn\" or \"Error\".")
      .def(
          "variables", [](TPyProject& P, bool Details) { return Details ? VariableDetails(P) : Variables(P); },
          py::arg("details") = false,
          "variables(details=False) -> list of (name, kind), or of dicts with details\n\n"
          "Every variable that can occur below a BaseFrame, by its qualified name (\"HKFrame.HK_TEMP1\"), in the\n"
          "order of the structure file, with its kind: \"number\", \"boolean\" or \"text\". With details, the\n"
          "list of vorex.variables(): a dict per variable.")
      .def("series", &Series, py::arg("name"), py::arg("sort") = py::none(),
           "series(name, sort=None) -> (serial, time, value)\n\n"
           "The points a plot window shows for the variable name (\"Frame.Var\", split at the first \".\", or a\n"
           "qualified name from variables()), ordered by the variable sort when given: three float64 arrays of\n"
           "serial numbers, times (the last PLOT_TIME met, in seconds) and values. KeyError for a name no row of\n"
           "the structure file has.")
      .def("table", &Table, py::arg("vars") = py::none(), py::arg("layout") = "wide",
           "table(vars=None, layout=\"wide\") -> dict of numpy arrays\n\n"
           "The columns of vorex-cli table. Wide: one row per BaseFrame, the int64 columns file, frame and serial,\n"
           "the float64 column time, the datetime64[ns] column datetime (the Offset Time plus time, NaT where time\n"
           "is NaN) and one column per variable: float64 with NaN where absent, TEXT variables as object arrays of\n"
           "str (None where absent). Long: one row per decoded variable, the columns file, frame, serial, datetime\n"
           "(of its BaseFrame), name, raw, value (float64, NaN for TEXT variables) and text (an object array: the\n"
           "message of a TEXT variable, None otherwise).\n"
           "vars: qualified names or patterns with * and ?, as a list or one comma-separated string; a plain name\n"
           "that matches no column raises KeyError.")
      .def("frame", &Frame, py::arg("i"), py::arg("file") = 1,
           "frame(i, file=1) -> dict\n\n"
           "BaseFrame i (from 0, negative from the end) of packet file 1 or 2 as nested dicts with the keys name,\n"
           "kind, raw, value, position and children (the sub-frame's or BaseFrame's nodes); the BaseFrame's own\n"
           "dict also has its serial. i: any integer; IndexError for a BaseFrame that is not there.")
      .def("_netcdf_layout", &ProjectNetcdfLayout, py::arg("vars") = py::none(),
           "The netCDF layout of table(vars), which to_xarray() lays its Dataset out by.")
      .def("update", &Update,
           "update() -> int\n\n"
           "Reads what the packet files gained since the last read, as a tracking tick does, and returns the\n"
           "number of new BaseFrames; series(), table() and frame() include them afterwards. Ctrl+C ends the\n"
           "reading with KeyboardInterrupt; the BaseFrames read until then are kept, and the next update() reads on\n"
           "after them.");

  m.def("load", &Load, py::arg("structure"), py::arg("packet"), py::arg("packet2") = py::none(),
        py::arg("offset_time") = py::none(), py::arg("resync") = false,
        "load(structure, packet, packet2=None, offset_time=None, resync=False) -> Project\n\n"
        "Checks the files and loads them as a project load does: the structure definition, then every BaseFrame\n"
        "of packet (and of packet2, with serial numbers from 100000000; a missing packet2 is only a warning).\n"
        "offset_time is the project's Offset Time (\"yyyy-mm-dd [hh:nn:ss]\", no time zone; default 2003-01-01),\n"
        "which the column datetime of table() adds the BaseFrames' times to; another text raises OffsetTimeError, a\n"
        "ValueError. With resync, an invalid BaseFrame is followed by decoding at the next synchronisation marker\n"
        "at any byte, with one warning for the bytes skipped. Raises LoadError when the load stops or a pass ends\n"
        "before the end of a packet file (its project attribute holds the BaseFrames decoded so far),\n"
        "KeyboardInterrupt on Ctrl+C. The log entries are kept in Project.log, not printed. The file names are str,\n"
        "bytes or os.PathLike (pathlib.Path).");
  m.def("variables", &StructureVariables, py::arg("structure"),
        "variables(structure) -> list of dict\n\n"
        "The variable columns of the wide table of the structure file, in their order, as vorex-cli vars lists them:\n"
        "a dict per column with the str values name (qualified), kind (the type in the structure file: \"NUMBER\",\n"
        "\"BOOLEAN\", \"TEXT\", \"TIME\" or \"HEX\"), unit (the text in the last square brackets of the display\n"
        "name, \"\" without), description (the display name without them) and transform. Raises LoadError when the\n"
        "structure file does not load.");
  m.def("_netcdf_layout", &FilesNetcdfLayout, py::arg("structure"), py::arg("packet"), py::arg("packet2") = py::none(),
        py::arg("vars") = py::none(), py::arg("offset_time") = py::none(),
        "The netCDF layout of the files' wide table, which read_xarray() lays its Dataset out by.");
  m.def("read_table", &ReadTable, py::arg("structure"), py::arg("packet"), py::arg("packet2") = py::none(),
        py::arg("vars") = py::none(), py::arg("layout") = "wide", py::arg("resync") = false, py::arg("threads") = 0,
        py::arg("log") = py::none(), py::arg("offset_time") = py::none(), py::arg("progress") = true,
        py::arg("frames") = "", py::arg("start") = "", py::arg("stop") = "",
        "The columns of vorex.read_table, of the BaseFrames frames (\"A:B\") whose time lies in [start, stop) (the\n"
        "texts of vorex-cli table --frames, --from and --to; empty for no bound).");
}
