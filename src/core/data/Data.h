#pragma once
// The packet data holder of one packet file: reads the file (or takes its
// bytes from memory), restores its byte order, cuts it into BaseFrames,
// decodes them and follows the file's growth.
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "common/Timer.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "structure/MemoryStream.h"

constexpr int TrackingInterval = 60000;
constexpr int DelayedUpdateIncrement = 10000;
constexpr std::int32_t SecondFileSerialBase = 100000000;

class TData {
 public:
  TData(const std::string& FileName, TFramesDefinition& Definition);
  ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  TDecodedNode* Frames = nullptr;
  std::int32_t SerialBase = 0;
  std::function<void(TData& Sender)> OnNewFrames;
  TFramesDefinition& Definition;
  std::string FileName;
  double LastFileTime = 0;
  std::int64_t ProcessedSize = 0;
  TMemoryStream Image;
  std::unique_ptr<TTimer> Timer;

  // Reads the whole file once, then enables the timer.
  void StartTracking();
  void StopTracking() { Timer->SetEnabled(false); }
  // One update pass; also the timer's tick.
  void UpdateFromFile();
  // The same pass over Bytes, the file's content as read (before the word
  // swap), instead of the file: the same BaseFrames, numbers, messages (which
  // name FileName) and notification; a longer content later goes on from
  // ProcessedSize as a grown file does. The timer is left as it is. False,
  // with the delay logged and nothing done, while another pass runs.
  bool UpdateFromBytes(std::span<const std::uint8_t> Bytes);
  // Gives serial numbers to the nodes of the BaseFrames appended since the
  // last numbering (children before their node, from SerialBase on).
  void NumberNodes();

  // Bytes of the blocks the decoded nodes live in.
  std::size_t NodeBytes() const { return Pool.ReservedBytes(); }
  // Number of BaseFrame roots in Frames.
  std::int64_t FrameCount() const { return Count; }

 private:
  // Logs the pass; false, with the message, when Size is too large.
  bool BeginPass(std::int64_t Size);
  // Replaces Image with the word-swapped file; false, Image untouched, when
  // the file cannot be read.
  bool ReadImage(std::int64_t Size);
  // Makes the spare image Size bytes long, with room to grow; false, with
  // the message, when there is not enough memory.
  bool SizeSpareImage(std::size_t Size);
  // Swaps the words of the spare image and makes it the image; the image
  // before becomes the spare one.
  void InstallSpareImage();
  // Checks the BaseFrame length against the image, then decodes and numbers
  // the whole BaseFrames after ProcessedSize and tells OnNewFrames. The timer
  // is off while it runs when PauseTimer is set, and on afterwards.
  void DecodeImage(bool PauseTimer);
  void AppendRoot(TDecodedNode* Root);

  TNodePool Pool{&Image};
  std::vector<std::uint8_t> SpareImage;
  TDecodedNode* LastRoot = nullptr;
  TDecodedNode* FirstUnnumbered = nullptr;
  std::int64_t NextSerial = 0;
  std::int64_t Count = 0;
  // Size seen with LastFileTime: a file that changes within the resolution
  // of its time stamp is still read again.
  std::int64_t LastFileSize = -1;
};
