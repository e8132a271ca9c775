#pragma once
// The wide table as a netCDF-4 file (NetcdfLayout): its rows are appended
// along the unlimited dimension "baseframe" as their BaseFrames are decoded,
// into chunked, compressed variables, so memory does not grow with the file.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "project/Project.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "table/NetcdfLayout.h"
#include "table/TableArrays.h"
#include "table/TableColumns.h"

// Why a table command with these options cannot write netCDF, or empty.
std::string NetcdfUsageProblem(const std::string& Layout, const std::string& OutFile, bool Follow, bool Ranged);

// Decodes the packet files of Project, whose definition is loaded, into the
// netCDF file OutFile, replaced only once it is written whole. Returns 0, or
// the status of packet files without BaseFrames (then OutFile is left as it
// was); throws EFileError when it cannot be written.
int WriteNetcdfTable(TProject& Project, const TTableColumns& Columns, const std::string& OutFile);

class TNetcdfTable {
 public:
  // Creates the file Path with the dimension, variables and attributes of
  // Layout. Messages are the texts of TEXT variables; they and Columns must
  // outlive the table. Throws EFileError naming Name when it cannot be written.
  TNetcdfTable(const std::string& Path, const std::string& Name, const TNetcdfLayout& Layout,
               const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
               const TTableColumns& Columns);
  ~TNetcdfTable();
  TNetcdfTable(const TNetcdfTable&) = delete;
  TNetcdfTable& operator=(const TNetcdfTable&) = delete;

  // Appends the rows of Roots, BaseFrames of File 1 or 2 numbered in their
  // file from FirstFrame on; they are written once a few chunks' rows are
  // collected.
  void WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots);
  // Writes out and closes the file; throws EFileError when that or a write
  // before failed.
  void Close();

 private:
  // Throws EFileError when Status is a netCDF error.
  void Check(int Status) const;
  void Define(const TNetcdfLayout& Layout);
  // Writes the rows collected.
  void Flush();
  void Append(const TTableArrays& Arrays);

  std::string Name;
  const TFramesDefinition& Definition;
  const std::vector<std::string>& Messages;
  const TTableColumns& Columns;
  int Id = -1;
  std::vector<int> VariableIds;  // of Layout.Variables
  std::size_t Rows = 0;          // written
  std::unique_ptr<TTableCollector> Pending;
  std::size_t PendingRows = 0;
  std::string Failure;  // of a write, which ends the writing
  double LastTime;      // of the rows written; NaN before the first PLOT_TIME
};
