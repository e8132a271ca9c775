#include "cli/NetcdfTable.h"

#include <hdf5.h>
#include <netcdf.h>

#include <cmath>
#include <limits>
#include <utility>

#include "cli/CliStatus.h"
#include "common/AtomicFile.h"

namespace {

// Rows per chunk of a variable: 32 KiB of doubles.
constexpr std::size_t ChunkRows = 4096;
constexpr int DeflateLevel = 1;
// The chunks a variable keeps in memory: the one that rows are appended to,
// which a piece of the file's BaseFrames leaves unfinished, and the next.
// Whole chunks between them are written at once. The library's default
// would keep 16 MiB of each variable's chunks.
constexpr std::size_t CachedChunks = 2;
// Bytes of an element: a string is held by reference.
constexpr std::size_t ElementBytes = 16;
// Slots of its hash table: a prime above four per chunk.
constexpr std::size_t CacheSlots = 11;
// Rows written at once: the pieces the BaseFrames come in may be small, and
// each write costs the library a search.
constexpr std::size_t FlushRows = 2 * ChunkRows;
// Fully written chunks leave the cache first.
constexpr float Preemption = 1.0f;

nc_type TypeOf(TNetcdfType Type) {
  switch (Type) {
    case TNetcdfType::Int64: return NC_INT64;
    case TNetcdfType::Double: return NC_DOUBLE;
    case TNetcdfType::String: return NC_STRING;
  }
  return NC_DOUBLE;
}

}  // namespace

std::string NetcdfUsageProblem(const std::string& Layout, const std::string& OutFile, bool Follow, bool Ranged) {
  if (OutFile == "-") return "--format netcdf needs --out FILE: a netCDF file cannot go to standard output";
  if (Layout != "wide") return "--format netcdf writes the wide layout only";
  if (Follow) return "--format netcdf cannot be followed";
  if (Ranged) return "--format netcdf writes every row: --frames, --from and --to cannot choose them";
  return "";
}

int WriteNetcdfTable(TProject& Project, const TTableColumns& Columns, const std::string& OutFile) {
  TAtomicFile File(OutFile);
  TNetcdfTable Table(File.FileName(), OutFile, NetcdfLayout(Project, Columns), *Project.Definition, Project.Messages,
                     Columns);
  std::vector<std::int64_t> Frames(Project.PacketFiles().size(), 0);
  Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
    Table.WriteFrames(Source + 1, Frames[Source], Roots);
    Frames[Source] += static_cast<std::int64_t>(Roots.size());
  };
  Project.LoadData();
  if (const int Status = BaseFramesFoundStatus(Project)) return Status;
  Table.Close();
  File.Commit();
  return 0;
}

TNetcdfTable::TNetcdfTable(const std::string& Path, const std::string& Name, const TNetcdfLayout& Layout,
                           const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                           const TTableColumns& Columns)
    : Name(Name),
      Definition(Definition),
      Messages(Messages),
      Columns(Columns),
      LastTime(std::numeric_limits<double>::quiet_NaN()) {
  // At the program's exit, HDF5's own clean-up would crash on a file whose
  // close failed (a full disk); the end of the process frees what it holds.
  H5dont_atexit();
  Check(nc_create(Path.c_str(), NC_CLOBBER | NC_NETCDF4, &Id));
  Define(Layout);
}

TNetcdfTable::~TNetcdfTable() {
  if (Id >= 0) nc_close(Id);
}

void TNetcdfTable::Check(int Status) const {
  if (Status != NC_NOERR) throw EFileError("Cannot write file \"" + Name + "\": " + nc_strerror(Status) + ".");
}

void TNetcdfTable::Define(const TNetcdfLayout& Layout) {
  for (const TNetcdfAttribute& Attribute : Layout.Global) {
    const auto& Text = std::get<std::string>(Attribute.Value);
    Check(nc_put_att_text(Id, NC_GLOBAL, Attribute.Name.c_str(), Text.size(), Text.data()));
  }
  int Dimension = 0;
  Check(nc_def_dim(Id, "baseframe", NC_UNLIMITED, &Dimension));
  for (const TNetcdfVariable& Variable : Layout.Variables) {
    int Var = 0;
    Check(nc_def_var(Id, Variable.Name.c_str(), TypeOf(Variable.Type), 1, &Dimension, &Var));
    Check(nc_def_var_chunking(Id, Var, NC_CHUNKED, &ChunkRows));
    Check(nc_set_var_chunk_cache(Id, Var, CachedChunks * ChunkRows * ElementBytes, CacheSlots, Preemption));
    const bool Strings = Variable.Type == TNetcdfType::String;
    // Every row is written: filling them first would only cost time. Strings
    // are filled whatever is asked, with no string, their _FillValue (an
    // empty one would take the library a heap object per row); it compresses
    // none.
    if (Strings) {
      const char* NoString = nullptr;
      Check(nc_def_var_fill(Id, Var, 0, &NoString));
    } else {
      Check(nc_def_var_fill(Id, Var, 1, nullptr));
      Check(nc_def_var_deflate(Id, Var, 1, 1, DeflateLevel));
    }
    for (const TNetcdfAttribute& Attribute : Variable.Attributes) {
      if (Strings && Attribute.Name == "_FillValue") continue;
      if (const auto* Text = std::get_if<std::string>(&Attribute.Value))
        Check(nc_put_att_text(Id, Var, Attribute.Name.c_str(), Text->size(), Text->data()));
      else if (const auto* Numbers = std::get_if<std::vector<double>>(&Attribute.Value))
        Check(nc_put_att_double(Id, Var, Attribute.Name.c_str(), NC_DOUBLE, Numbers->size(), Numbers->data()));
    }
    VariableIds.push_back(Var);
  }
  Check(nc_enddef(Id));
}

void TNetcdfTable::WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots) {
  if (!Failure.empty()) return;
  if (!Pending) {
    Pending = std::make_unique<TTableCollector>(Definition, Columns, true);
    Pending->Reserve(FlushRows);
  }
  Pending->AddFrames(File, FirstFrame, Roots, Messages);
  PendingRows += Roots.size();
  if (PendingRows >= FlushRows) Flush();
}

void TNetcdfTable::Flush() {
  if (PendingRows == 0) return;
  TTableArrays Arrays = Pending->TakeArrays();
  Pending.reset();
  PendingRows = 0;
  // Rows before the first PLOT_TIME of these BaseFrames have the time of the rows before them.
  for (double& Time : Arrays.Time) {
    if (!std::isnan(Time)) break;
    Time = LastTime;
  }
  LastTime = Arrays.Time.back();
  // The pass that hands the rows over goes on; Close tells of the failure.
  try {
    Append(Arrays);
  } catch (const EFileError& Error) {
    Failure = Error.what();
  }
}

void TNetcdfTable::Append(const TTableArrays& Arrays) {
  const std::size_t Count = Arrays.Serial.size();
  const std::size_t Start = Rows;
  const auto PutIntegers = [&](int Var, const std::vector<std::int64_t>& Values) {
    static_assert(sizeof(long long) == sizeof(std::int64_t));
    Check(nc_put_vara_longlong(Id, Var, &Start, &Count, reinterpret_cast<const long long*>(Values.data())));
  };
  PutIntegers(VariableIds[0], Arrays.File);
  PutIntegers(VariableIds[1], Arrays.Frame);
  PutIntegers(VariableIds[2], Arrays.Serial);
  Check(nc_put_vara_double(Id, VariableIds[3], &Start, &Count, Arrays.Time.data()));
  std::vector<std::string> Texts;
  for (const std::string& Message : Arrays.Messages) Texts.push_back(Latin1ToUtf8(Message));
  std::vector<const char*> Cells(Count);
  for (std::size_t C = 0; C < Arrays.Names.size(); ++C) {
    const int Var = VariableIds[NetcdfFixedVariables + C];
    if (!Arrays.IsText[C]) {
      Check(nc_put_vara_double(Id, Var, &Start, &Count, Arrays.Column(C)));
      continue;
    }
    // An absent TEXT cell holds no string, the fill.
    for (std::size_t Row = 0; Row < Count; ++Row) {
      const std::int32_t Text = Arrays.Texts[C][Row];
      Cells[Row] = Text < 0 ? nullptr : Texts[static_cast<std::size_t>(Text)].c_str();
    }
    Check(nc_put_vara_string(Id, Var, &Start, &Count, Cells.data()));
  }
  Rows += Count;
}

void TNetcdfTable::Close() {
  Flush();
  if (!Failure.empty()) throw EFileError(Failure);
  Check(nc_close(std::exchange(Id, -1)));
}
