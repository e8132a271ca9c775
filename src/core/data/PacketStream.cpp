#include "data/PacketStream.h"

#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::size_t ReadBytes = std::size_t{1} << 20;

gzFile GzOf(void* Zipped) { return static_cast<gzFile>(Zipped); }

// What zlib says of an Error, without the file name it puts first.
std::string ZlibMessage(int Error, const std::string& Text) {
  if (Error == Z_BUF_ERROR) return "cut short";
  const std::size_t Colon = Text.rfind(": ");
  return Colon == std::string::npos ? Text : Text.substr(Colon + 2);
}

}  // namespace

bool IsPacketStream(const std::string& Name) { return IsStandardInput(Name) || Name.ends_with(".gz"); }

TPacketStream::TPacketStream(const std::string& Name) {
  if (IsStandardInput(Name)) {
    Descriptor = STDIN_FILENO;
    return;
  }
  Zipped = gzopen(Name.c_str(), "rb");
  if (!Zipped) FFailure = "cannot be opened";
}

TPacketStream::~TPacketStream() {
  if (Zipped) gzclose(GzOf(Zipped));
}

void TPacketStream::Fill(std::size_t Wanted) {
  const std::size_t Before = Kept.size();
  Kept.resize(Before + std::max(Wanted, ReadBytes));
  std::uint8_t* Target = Kept.data() + Before;
  std::int64_t Got = 0;
  if (Zipped) {
    Got = gzread(GzOf(Zipped), Target, static_cast<unsigned>(Kept.size() - Before));
    int Error = Z_OK;
    const char* Text = gzerror(GzOf(Zipped), &Error);
    // Data that is not gzip is read as it is: it is refused, none of it taken.
    const bool NotGzip = gzdirect(GzOf(Zipped)) != 0;
    if (NotGzip) Got = 0;
    if (NotGzip) FFailure = "is not gzip data";
    else if (Error != Z_OK) FFailure = "is damaged (" + ZlibMessage(Error, Text) + ")";
  } else {
    do Got = ::read(Descriptor, Target, Kept.size() - Before);
    while (Got < 0 && errno == EINTR);
    if (Got < 0) FFailure = std::string("cannot be read on (") + std::strerror(errno) + ")";
  }
  // Bytes read before damage count.
  Kept.resize(Before + static_cast<std::size_t>(std::max<std::int64_t>(0, Got)));
  Ended = Got <= 0 || !FFailure.empty();
}

std::int64_t TPacketStream::ReadAt(std::int64_t Offset, std::span<std::uint8_t> Target) {
  if (Offset < KeptStart) return -1;
  // What no later read asks again goes.
  const std::int64_t Forget = std::min(Offset - KeepBack, Size());
  if (Forget > KeptStart) {
    Kept.erase(Kept.begin(), Kept.begin() + (Forget - KeptStart));
    KeptStart = Forget;
  }
  const std::int64_t Stop = Offset + static_cast<std::int64_t>(Target.size());
  while (!Ended && Size() < Stop) Fill(static_cast<std::size_t>(Stop - Size()));
  const std::int64_t Count = std::clamp<std::int64_t>(Size() - Offset, 0, static_cast<std::int64_t>(Target.size()));
  if (Count > 0) std::memcpy(Target.data(), Kept.data() + (Offset - KeptStart), static_cast<std::size_t>(Count));
  return Count;
}
