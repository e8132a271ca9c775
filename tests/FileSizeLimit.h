#pragma once
// Makes writes fail part way, as on a full disk: while it lives, a write to a
// file beyond Bytes fails (the file size limit, with SIGXFSZ ignored).
#include <sys/resource.h>

#include <csignal>

class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t Bytes) : Handler(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &Previous);
    rlimit Lowered = Previous;
    Lowered.rlim_cur = Bytes;
    ::setrlimit(RLIMIT_FSIZE, &Lowered);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &Previous);
    std::signal(SIGXFSZ, Handler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  void (*Handler)(int);
  rlimit Previous{};
};
