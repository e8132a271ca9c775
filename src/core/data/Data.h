#pragma once
// The packet data holder of one packet file: reads the file (or takes its
// bytes from memory), restores its byte order, cuts it into BaseFrames,
// decodes them and follows the file's growth.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/FileWatch.h"
#include "common/Timer.h"
#include "data/ChunkSink.h"
#include "data/FrameColumns.h"
#include "data/FrameRecord.h"
#include "data/FrameShapes.h"
#include "data/Framer.h"
#include "data/PacketFile.h"
#include "data/PacketStream.h"
#include "data/ParallelDecoder.h"
#include "data/Pass.h"
#include "data/PassReader.h"
#include "data/PassReport.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "structure/MemoryStream.h"
#include "structure/SerialNumbers.h"

constexpr int TrackingInterval = 60000;
constexpr int DelayedUpdateIncrement = 10000;
constexpr std::int64_t SecondFileSerialBase = FileSerialSpacing;

// A BaseFrame decoded again: the bytes its decoding read (word-swapped, the
// file's byte Origin first), the pool its nodes live in and its root.
struct TDecodedAgain {
  std::unique_ptr<TMemoryStream> Image;
  std::int64_t Origin = 0;
  std::unique_ptr<TNodePool> Pool;
  TDecodedNode* Root = nullptr;
};

class TData {
 public:
  TData(const std::string& FileName, TFramesDefinition& Definition);
  ~TData();
  TData(const TData&) = delete;
  TData& operator=(const TData&) = delete;

  TDecodedNode* Frames = nullptr;
  // The last root of Frames (none while Frames is empty).
  const TDecodedNode* LastFrame() const { return LastRoot; }
  // The serial number of the first node, and the base of the project's next
  // file, where this file's numbers move away (with a warning) if they get there.
  std::int64_t SerialBase = 0;
  std::int64_t SerialLimit = NoSerialLimit;
  std::function<void(TData& Sender)> OnNewFrames;
  TFramesDefinition& Definition;
  std::string FileName;
  double LastFileTime = 0;
  std::int64_t ProcessedSize = 0;
  TMemoryStream Image;
  std::unique_ptr<TTimer> Timer;
  // With the BaseFrame IDs checked: after an invalid BaseFrame, decode on
  // from the next synchronisation marker at any byte of the file (its words
  // paired from there), with one Warn entry for the bytes skipped, instead of
  // one per BaseFrame position. When the data ends before a marker, the next
  // pass looks again from the invalid BaseFrame. A BaseFrame whose next
  // marker comes before its length has lost bytes: it is skipped with a Warn
  // entry and decoding goes on at that marker.
  bool Resync = false;
  // Threads a whole-file pass over many new BaseFrames decodes them on, in
  // chunks joined in file order into exactly what one thread makes (not
  // while resynchronising); 0: one per core, for passes of at least 4096
  // BaseFrames per core.
  int Threads = 0;
  // Bytes a part of a whole-file read takes at least: a big file is read in
  // parts side by side, one per thread.
  std::int64_t ReadPartBytes = std::int64_t{4} << 20;
  // BaseFrames a part of the columns filled by decoding again takes at least:
  // many are decoded in parts side by side, one per thread.
  std::uint32_t FillPartFrames = 4096;

  using TThen = std::function<void(const TPassReport& Report)>;

  // Reads the file once (whole, or in pieces while streaming), then enables
  // the timer; returns the report of that pass.
  TPassReport StartTracking();
  // The same with the pass started as StartUpdate starts it; Then gets its
  // report once the timer is enabled.
  void StartTracking(const TThen& Then);
  // Stops the timer, ends the watch of the file and frees the memory kept
  // for the next read.
  void StopTracking();
  // While tracking, a change notification of the file (when the program
  // watches files) starts a pass as a tick of the timer does.
  void WatchFile();
  // One update pass, run here. Returns how it ended, with its entries (which
  // reach the log as well).
  TPassReport UpdateFromFile();
  // The same pass, the timer's tick: where the program runs passes off the
  // window thread (RunOffThread), it reads and decodes there and comes back
  // to publish its BaseFrames, messages and image, tell OnNewFrames and hand
  // its report to Then; meanwhile the holder's BaseFrames, image and the
  // definition's messages stay as they were. Elsewhere all runs at once.
  void StartUpdate(const TThen& Then = {});
  // Whether a pass of this holder runs.
  bool Updating() const { return Running; }
  // The same pass over Bytes, the file's content as read (before the word
  // swap), instead of the file: the same BaseFrames, numbers, messages (which
  // name FileName) and notification; a longer content later goes on from
  // ProcessedSize as a grown file does. The timer is left as it is. False,
  // with the delay logged and nothing done, while another pass runs.
  bool UpdateFromBytes(std::span<const std::uint8_t> Bytes);
  // UpdateFromBytes, returning how the pass ended (Delayed when it did not run).
  TPassReport PassOverBytes(std::span<const std::uint8_t> Bytes);
  // Streaming mode, while set: the passes read the data in pieces of about
  // StreamPieceBytes (whole BaseFrames and the bytes their decoding can reach)
  // instead of whole, with the same checks and messages. The BaseFrames,
  // decoded and numbered as the whole-file mode numbers them, are handed to
  // OnFrames in file order: those of a piece together when its BaseFrames are
  // decoded on several threads (as a whole-file pass would), else one by one.
  // Their nodes go back to the pool when OnFrames returns, so Frames stays
  // empty and the memory keeps its size. An exception from OnFrames is logged
  // and ends the pass after the BaseFrames handed over. OnNewFrames is still
  // called after every pass that reached the BaseFrame loop, once, after its
  // last BaseFrame. A pass goes on from ProcessedSize either way.
  std::function<void(std::span<TDecodedNode* const> Roots)> OnFrames;
  // When set, the BaseFrames a streaming pass decodes on several threads go
  // to a sink per chunk (made on the pass's thread) instead of to OnFrames:
  // taken on the chunk's thread, joined in file order.
  std::function<std::unique_ptr<TChunkSink>()> NewChunkSink;
  std::int64_t StreamPieceBytes = std::int64_t{4} << 20;
  // When set, a streaming pass asks it before each piece it reads (or
  // BaseFrame, on one thread) whether the BaseFrames handed over so far are
  // enough: then it ends there, Complete, the rest of the data unread.
  std::function<bool()> Enough;

  // When set, a FileName "-" is standard input and one ending in ".gz" a
  // gzip file decompressed as it is read (PacketStream.h): either is read
  // once, by the first pass, to its end, positions counting its data as read.
  // Data that ends before its first byte is an Error, damaged data an Error
  // after the BaseFrames before the damage; both make the pass Unreadable.
  bool ReadsStreams = false;

  // Bytes of the blocks the decoded nodes live in.
  std::size_t NodeBytes() const { return Pool.ReservedBytes(); }
  // The bytes of data the last pass found: of a stream, as decompressed.
  std::int64_t DataSize() const { return Reader.DataEnd(); }
  // The bytes of the data from Start on into Into, word-swapped, as the last
  // pass read them: from the image, or from the file it read in pieces;
  // false when they cannot be read so (the file was replaced, or data read
  // in pieces was not a file).
  bool ReadData(std::int64_t Start, std::span<std::uint8_t> Into) const;
  // Of each BaseFrame in Frames, in order.
  std::span<const TFrameRecord> Index() const { return Records; }
  // The shapes the records of Index() number; a pass adds to them on its
  // thread, so read them only while no pass runs.
  const TFrameShapes& Shapes() const { return FrameShapes; }
  // BaseFrame Frame of Index() decoded again alone, with the serial numbers,
  // messages (numbered as the pass numbered them, not added again) and
  // values of its pass, from the data as that pass saw it (the image, or
  // the file while streaming), without log entries; none when the
  // definition cannot be copied, the file cannot be read or was replaced,
  // or the decoding fails.
  TDecodedAgain DecodeAgain(std::size_t Frame) const;
  // A copy of the definition to decode many BaseFrames again with; its
  // Definition is none when the definition cannot be copied.
  struct TDecodingCopy {
    std::vector<std::string> Messages;  // the copy's, emptied before each BaseFrame
    std::unique_ptr<TFramesDefinition> Definition;
    // The bytes around a BaseFrame its decoding reads, its length and the root's row.
    TReach Reach;
    std::int64_t Length = 0;
    std::int16_t RootRow = 0;
    // The bytes read ahead from a file read in pieces, from AheadStart on,
    // word-swapped as AheadPairing pairs them: BaseFrames decoded again one
    // after another read the file once per block.
    std::vector<std::uint8_t> Ahead;
    std::int64_t AheadStart = 0;
    std::shared_ptr<const TPacketFile> AheadFile;
    TWordPairing AheadPairing;
  };
  std::unique_ptr<TDecodingCopy> CopyForDecodingAgain() const;
  // DecodeAgain with a copy made once for many BaseFrames, into Into, whose
  // image and pool are reused when it has them (the nodes decoded into it
  // before are gone); false when none is decoded.
  bool DecodeAgain(std::size_t Frame, TDecodingCopy& Copy, TDecodedAgain& Into) const;
  // While streaming, the records of the BaseFrames handed to OnFrames are
  // kept as well (not of those a chunk sink takes).
  bool IndexStreamed = false;
  // When false, a pass over a regular file reads it in pieces as streaming
  // does and keeps no trees: only the index, shapes, columns and messages of
  // its BaseFrames, whose trees are decoded again when asked for. Streams
  // and bytes in memory are still read whole.
  bool KeepTrees = true;
  // The columns of the definition rows Rows (TFrameColumns) holding the
  // BaseFrames of Index() from From on: the passes take them from then on,
  // the BaseFrames published before are decoded again (as DecodeAgain,
  // leaving the transforms no column asks for). A BaseFrame that cannot be
  // decoded again gives none. Read them on the window thread; they stay
  // until the next call.
  std::vector<const TFrameColumn*> ColumnsOf(std::span<const std::int32_t> Rows, std::uint32_t From = 0);
  // The same for the BaseFrames from From to before To (of Index()), decoded
  // again on up to Threads threads and not kept: the columns of each thread's
  // part, in order.
  std::vector<TFrameColumns> DecodeColumns(const std::vector<std::int32_t>& Rows, std::uint32_t From,
                                           std::uint32_t To) const;
  // Hands Each(Frame, Place, Value) every value DecodeColumns gives, row
  // after row of each part.
  template <typename TEach>
  void ForEachValue(const std::vector<std::int32_t>& Rows, std::uint32_t From, std::uint32_t To, TEach&& Each) const {
    for (const TFrameColumns& Part : DecodeColumns(Rows, From, To))
      for (const std::int32_t Row : Rows) {
        if (const TFrameColumn* Column = Part.Column(Row))
          for (std::size_t I = 0; I < Column->Size(); ++I)
            Each(Column->Frames[I], Column->Places[I], Column->Values[I]);
      }
  }
  // The passes that start from now on take only the rows that Keep flags
  // (per definition row).
  void KeepOnlyColumns(const std::vector<char>& Keep) { Columns.KeepOnly(Keep); }
  // The serial number of the node at Place (TFrameColumn) in BaseFrame Frame.
  std::int64_t SerialOf(std::uint32_t Frame, std::uint32_t Place) const;
  // Number of BaseFrame roots decoded: those in Frames, and those handed to
  // OnFrames (not those of a running pass that are not published yet).
  std::int64_t FrameCount() const { return Count; }
  // The worst end of the updates since StartTracking (Complete before any).
  TPassResult Result() const { return Worst; }

 private:
  friend class TPass;

  // What a pass shares with the thread it runs on, which may outlive the holder.
  struct TRunState {
    std::atomic<bool> Cancel = false;  // the holder is freed: end the pass
    std::mutex Mutex;
    std::condition_variable Ended;
    bool Working = false;
    bool Freed = false;  // guarded by Mutex, read on the window thread
  };

  // Forgets what the passes before read.
  void ResetTracking();
  // A pass of UpdateFromFile or StartUpdate (Here: run here).
  void Update(bool Here, const TThen& Then);
  // Looks at the file on the window thread; true when it is to be read.
  bool LookAtChange();
  // The report of a look while another pass runs: logged and delayed.
  TPassReport Delayed(bool File);
  // Runs Work, the reading and decoding of a pass (Here: on this thread),
  // then Finish, then Then with the report.
  void RunPass(bool Here, bool PauseTimer, std::function<void()> Work, const TThen& Then);
  // The transforms the definition evaluates in a pass that is about to run:
  // a pass over a file that keeps no trees and hands none over evaluates only
  // those its columns and the BaseFrames' times ask for.
  void ChooseTransforms(bool OverFile);
  // The end of a pass on the window thread: publishes what it decoded, tells
  // OnNewFrames and hides the progress. A failure of the pass is thrown on
  // when it ran here, else logged.
  void Finish(bool PauseTimer, bool WasEnabled, const std::exception_ptr& Failure, bool Here);
  // Makes the BaseFrames, messages and image of the pass the holder's.
  void Publish();
  // The reading and decoding of a pass over the file / over Bytes.
  void ReadTheFile();
  void ReadTheBytes(std::span<const std::uint8_t> Bytes);
  bool ReadsStream() const { return ReadsStreams && IsPacketStream(FileName); }
  // Whether the running pass reads its data in pieces, and keeps the records
  // of the BaseFrames it reads so.
  bool ReadsInPieces() const { return OnFrames || (!KeepTrees && PassOverFile); }
  bool IndexesPieces() const { return IndexStreamed || !KeepTrees; }
  // The reading and decoding of the pass over a stream.
  void ReadTheStream();
  // Decodes the data: read in pieces by Pieces (DataEnd bytes) while
  // streaming, into the image by ReadWhole otherwise; false, noted, when it
  // cannot be read.
  bool DecodeRead(const TPieceReader& Pieces, std::int64_t DataEnd, const std::function<bool()>& ReadWhole);
  // Logs the pass; false, with the message, when the file seen by Look is
  // refused, or could not be opened (Look none).
  bool BeginPass(const TFileLook* Look);
  // Whether data of Size bytes holds no whole BaseFrame after ProcessedSize
  // and the last pass warned of that already: the look does nothing.
  bool WarnedOfRest(std::int64_t Size) const;
  // Takes the data starting with Start (as read, before the word swap), of
  // the file seen by Look (none for bytes in memory), as the data to go on
  // with. When it starts otherwise than the data the passes before read
  // (another inode: unless it starts the same; the same file: unless it
  // still starts so, as a file cut short does), it was replaced: logs so
  // and reads it from its start, numbering on after the BaseFrames before.
  void TakeData(std::span<const std::uint8_t> Start, const TFileLook* Look);
  // Logs "What paket file FileName." as an Error; the file is Unreadable.
  void ReadFailed(const std::string& What);
  // Keeps Ended when it is worse than the results before.
  void Note(TPassResult Ended);
  // Checks the BaseFrame length, then decodes and numbers the whole
  // BaseFrames of the reader's data after ProcessedSize, appends them to
  // the BaseFrames to publish (the whole data in the image) or reads them in
  // pieces and hands them to OnFrames.
  void DecodePass();
  // The root of the BaseFrame at the file position Position over Child;
  // numbered after its tree.
  TDecodedNode* NewRoot(std::int64_t Position, TDecodedNode* Child, std::int16_t DefIndex);
  // Appends the roots linked from First to Last, with their records.
  void AppendRoots(TDecodedNode* First, TDecodedNode* Last, std::span<const TFrameRecord> Records);

  TPassReader Reader{Image, FileName};
  TFramer Framer{Reader, Definition};
  TNodePool Pool{&Image};
  TFrameShapes FrameShapes{Definition};
  // The columns of the BaseFrames published, and of those the running pass decodes.
  TFrameColumns Columns{Definition.Entries.size()};
  TFrameColumns NewColumns;
  TParallelDecoder Decoder{Definition, Reader, FileName, Pool, FrameShapes, NewColumns};
  TDecodedNode* LastRoot = nullptr;
  // The BaseFrames a running pass decoded, linked, not yet in Frames.
  TDecodedNode* NewFirst = nullptr;
  TDecodedNode* NewLast = nullptr;
  std::int64_t NewCount = 0;
  std::vector<TFrameRecord> NewRecords;
  std::vector<TFrameRecord> Records;
  // Fills the columns of Rows, which reach up to From, up to the BaseFrames
  // published, decoding them again on up to Threads threads.
  void FillColumns(const std::vector<std::int32_t>& Rows, std::uint32_t From);
  // Of each pass that made records: its first record, the end of its data
  // and the file it read (none: bytes in memory).
  struct TRecordedPass {
    std::size_t FirstRecord = 0;
    std::int64_t DataEnd = 0;
    std::optional<TFileLook> File;
    std::int64_t Replaced = 0;  // the data's replacements before it
    bool Pieces = false;        // it read the data in pieces, not into the image
    // The file it read in pieces, kept open so that its BaseFrames are
    // decoded again from it after another file took its name, and how it
    // paired the words.
    std::shared_ptr<const TPacketFile> Opened;
    TWordPairing Pairing;
  };
  // Times the data was found replaced and read from its start again.
  std::int64_t Replaced = 0;
  std::vector<TRecordedPass> RecordedPasses;
  // What decoding again reads, as the last pass published it: the file it
  // read (none: bytes in memory) and the replacements of the data, for a
  // pass changes its own on its thread.
  std::optional<TFileLook> PublishedFile;
  std::int64_t PublishedReplaced = 0;
  // The file the running pass reads in pieces.
  std::shared_ptr<const TPacketFile> PassFile;
  // Records the pass that published records.
  void RecordPass();
  // Whether the running pass reads the file (not bytes in memory).
  bool PassOverFile = false;
  // A pass read the stream.
  bool StreamRead = false;
  // The bytes the decoding of the BaseFrame at Position may read, as Pass
  // read them (word-swapped), and the position of the first; none when they
  // cannot be read so. They stay until the holder's image changes or Copy
  // reads ahead again (its next window).
  struct TDataWindow {
    std::span<const std::uint8_t> Bytes;
    std::int64_t Origin = 0;
  };
  std::optional<TDataWindow> WindowAgain(std::int64_t Position, const TRecordedPass& Pass, TDecodingCopy& Copy) const;
  // The same bytes copied into Again's image; false when they cannot be read.
  bool ReadAgain(std::int64_t Position, const TRecordedPass& Pass, TDecodingCopy& Copy, TDecodedAgain& Again) const;
  // The pass that recorded BaseFrame Frame of Index().
  const TRecordedPass& PassOf(std::size_t Frame) const;
  // Rows whose values are read from the fields their BaseFrames' shapes
  // place, without the trees (TFramesDefinition::ReadsAlone).
  struct TRowsAlone {
    std::vector<char> Wanted;                                     // per definition row
    std::vector<std::optional<std::vector<TShapeField>>> Fields;  // per shape, once asked for
    std::vector<TPlacedValue> Values;                             // of the BaseFrame read last
    std::vector<TFramesDefinition::TAloneValue> Known;            // room for ValueAlone
  };
  // Reads the values of BaseFrame Frame's nodes of those rows into Rows.Values
  // from its bytes; false when it has no shape, its bytes cannot be read or
  // a field lies outside them.
  bool ReadAlone(std::uint32_t Frame, TRowsAlone& Rows, TDecodingCopy& Copy) const;
  // The bytes [Start, Stop) widened to the whole words of Pass's data.
  static std::pair<std::int64_t, std::int64_t> WholeWords(const TRecordedPass& Pass, std::int64_t Start,
                                                          std::int64_t Stop);
  // The bytes of the file Pass read in pieces from Start on into Bytes, word-swapped as it paired them.
  static bool ReadPassWords(const TRecordedPass& Pass, std::int64_t Start, std::span<std::uint8_t> Bytes);
  // Count bytes of that file from Start on, word-swapped, from the bytes
  // Copy read ahead, which are read anew when they do not hold them.
  static std::optional<std::span<const std::uint8_t>> ReadAhead(const TRecordedPass& Pass, std::int64_t Start,
                                                                std::int64_t Count, TDecodingCopy& Copy);
  TSerialCounter Serials;
  bool Numbered = false;
  bool SerialsMoved = false;
  std::int64_t Count = 0;
  // The file as the look before the running pass saw it.
  TFileLook Seen;
  // The file as the last update saw it (with LastFileTime): a file that
  // changes within the resolution of its time stamp is still read again.
  std::optional<TFileLook> LastLook;
  // The file the passes read (none yet, or bytes in memory) and its first bytes.
  std::vector<std::uint8_t> Head;
  std::optional<TFileLook> ReadFile;
  // The ProcessedSize at which the last pass warned that the data held no
  // whole new BaseFrame; -1 after a pass that did not.
  std::int64_t WarnedAt = -1;
  std::int32_t WarnedLength = 0;  // the BaseFrame length then
  TPassResult Worst = TPassResult::Complete;
  // The pass running.
  TPassReport Report;
  bool Running = false;
  // It reached the BaseFrame loop: OnNewFrames is told, the progress hidden.
  bool Decoded = false;
  // Tracking was stopped: the timer stays off after a pass.
  bool Stopped = false;
  std::shared_ptr<TRunState> RunState = std::make_shared<TRunState>();
  std::unique_ptr<TFileWatch> Watch;
};
