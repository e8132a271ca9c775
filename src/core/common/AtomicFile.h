#pragma once
// Saving a file whole or not at all: the content goes to a new file in the
// target's folder, which replaces the target only once it is written and on disk.
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

// A file that exists but cannot be read, or cannot be written.
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Makes SIGINT, SIGTERM and SIGHUP remove the temporary files of the saves
// under way, then end the program as they would have. A signal that is
// ignored or handled already is left as it is.
void RemoveTemporaryFilesOnSignals();

class TAtomicFile {
 public:
  // Creates a temporary file next to Path (next to the file a symbolic link
  // Path leads to), named as the target with ".tmp" and six letters or
  // digits, after removing those of the target that nothing has written to
  // for a minute (a crash left them). A Path that exists but is not a regular file (a device, a
  // pipe) is written in place. Throws EFileError when it cannot be created.
  explicit TAtomicFile(const std::string& Path);
  // Removes the temporary file unless Commit succeeded; the target stays as it was.
  ~TAtomicFile();
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Where the content goes. A failed write sets its badbit; Commit then fails.
  std::ostream& Stream();
  // The file written: the temporary file, or Path when written in place, for
  // writers that take a file name; Commit after they closed it.
  const std::string& FileName() const { return Temp.empty() ? Path : Temp; }
  // Writes out what is buffered, syncs the file to disk, closes it and renames
  // it over the target. Throws EFileError when any write or step failed; the
  // temporary file is then removed.
  void Commit();

 private:
  class TBuffer;
  [[noreturn]] void Fail();
  void Discard();
  // Forgets the temporary file for the signal handler.
  void Unregister();

  std::string Path;    // as given, for messages
  std::string Target;  // the file renamed over
  std::string Temp;    // empty when written in place
  int Fd = -1;
  int Slot = -1;  // the temporary file's entry for the signal handler, or -1
  std::unique_ptr<TBuffer> Buffer;
  std::unique_ptr<std::ostream> Out;
};
