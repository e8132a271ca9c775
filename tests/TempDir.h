#pragma once
// A scratch folder for test files, removed with everything in it.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class TTempDir {
 public:
  TTempDir() {
    static int Counter = 0;
    Path = std::filesystem::temp_directory_path() /
           ("vorex-test-" + std::to_string(::getpid()) + "-" + std::to_string(++Counter));
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(Path, Ignored);
  }
  TTempDir(const TTempDir&) = delete;
  TTempDir& operator=(const TTempDir&) = delete;

  std::string File(const std::string& Name) const { return (Path / Name).string(); }

  std::string Write(const std::string& Name, const std::string& Content) const {
    std::ofstream(File(Name), std::ios::binary) << Content;
    return File(Name);
  }
  std::string Write(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const {
    std::ofstream(File(Name), std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
    return File(Name);
  }
  void Append(const std::string& Name, const std::vector<std::uint8_t>& Bytes) const {
    std::ofstream(File(Name), std::ios::binary | std::ios::app)
        .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
  }

  std::filesystem::path Path;
};
