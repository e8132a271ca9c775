#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "LogRecorder.h"
#include "TempDir.h"
#include "common/OffThread.h"
#include "data/Data.h"
#include "sim/SimGenerator.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// Runs work on threads of its own and queues their ends and calls for the
// test's thread, as the desktop program does with its window thread.
class TThreadRunner : public TOffThreadRunner {
 public:
  TThreadRunner() : Previous(SetOffThreadRunner(this)) {}
  ~TThreadRunner() override { SetOffThreadRunner(Previous); }

  void Run(TOffThreadWork Work, TOffThreadDone Done) override {
    ++Pending;
    Threads.emplace_back([this, Work = std::move(Work), Done = std::move(Done)] {
      const std::exception_ptr Failure = RunCatching(Work);
      Queue([this, Done, Failure] {
        --Pending;
        Done(Failure);
      });
    });
  }
  void OnWindowThread(std::function<void()> Call) override {
    if (std::this_thread::get_id() == Own) Call();
    else Queue(std::move(Call));
  }
  // Whether a call waits for the test's thread.
  bool Waiting() {
    const std::lock_guard Lock(Mutex);
    return !Calls.empty();
  }
  // Runs the queued calls until every work's end ran.
  void RunUntilIdle() {
    while (Pending > 0) {
      std::unique_lock Lock(Mutex);
      Arrived.wait(Lock, [this] { return !Calls.empty(); });
      const std::function<void()> Call = std::move(Calls.front());
      Calls.pop_front();
      Lock.unlock();
      Call();
    }
  }

 private:
  void Queue(std::function<void()> Call) {
    const std::lock_guard Lock(Mutex);
    Calls.push_back(std::move(Call));
    Arrived.notify_one();
  }
  TOffThreadRunner* Previous;
  const std::thread::id Own = std::this_thread::get_id();
  int Pending = 0;
  std::mutex Mutex;
  std::condition_variable Arrived;
  std::deque<std::function<void()>> Calls;
  std::vector<std::jthread> Threads;  // joined before the queue goes
};

struct TDemoHolder {
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition{VOREX_DEMO_DIR "/demo.structure", Messages};
  std::unique_ptr<TData> Data;
  explicit TDemoHolder(const std::string& File) : Data(std::make_unique<TData>(File, Definition)) { Data->Threads = 2; }
};

std::int64_t ListLength(const TDecodedNode* First) {
  std::int64_t Length = 0;
  for (; First; First = First->Next) ++Length;
  return Length;
}

}  // namespace

TEST(OffThreadPass, WhatWasPublishedStaysReadableUntilTheEndPublishesTheSameAsAPassHere) {
  TTempDir Dir;
  const std::string File = Dir.File("p.dat");
  ASSERT_TRUE(WriteDemoPacketFile(File, 300, 7));
  TLogRecorder Log;
  TDemoHolder Here(File), Off(File);
  Here.Data->StartTracking();
  Off.Data->StartTracking();
  ASSERT_TRUE(WriteDemoPacketFile(File, 20000, 7));
  Here.Data->UpdateFromFile();

  TThreadRunner Runner;
  std::optional<TPassReport> Ended;
  Off.Data->StartUpdate([&](const TPassReport& Report) { Ended = Report; });
  EXPECT_TRUE(Off.Data->Updating());
  EXPECT_TRUE(LoadProgress().Busy);
  // What a window reads meanwhile: the BaseFrames, bytes and messages of before.
  const std::size_t MessagesBefore = Off.Messages.size();
  const std::int64_t ImageBefore = Off.Data->Image.Size();
  const std::int64_t LastSerial = Off.Data->LastFrame()->SerialNo;
  do {
    EXPECT_EQ(ListLength(Off.Data->Frames), 300);
    EXPECT_EQ(Off.Data->Image.Size(), ImageBefore);
    EXPECT_EQ(Off.Messages.size(), MessagesBefore);
    // A published BaseFrame decodes again from what was published.
    const TDecodedAgain Again = Off.Data->DecodeAgain(299);
    ASSERT_NE(Again.Root, nullptr);
    EXPECT_EQ(Again.Root->SerialNo, LastSerial);
  } while (!Runner.Waiting());
  Runner.RunUntilIdle();

  ASSERT_TRUE(Ended);
  EXPECT_EQ(Ended->Frames, 19700);
  EXPECT_FALSE(Off.Data->Updating());
  EXPECT_FALSE(LoadProgress().Busy);
  EXPECT_EQ(Off.Data->FrameCount(), 20000);
  EXPECT_EQ(Off.Messages, Here.Messages);
  EXPECT_EQ(Off.Data->Image.Bytes, Here.Data->Image.Bytes);
  const TDecodedNode* A = Here.Data->Frames;
  const TDecodedNode* B = Off.Data->Frames;
  for (; A && B; A = A->Next, B = B->Next) {
    ASSERT_EQ(A->SerialNo, B->SerialNo);
    ASSERT_EQ(A->Position, B->Position);
  }
  EXPECT_EQ(A, nullptr);
  EXPECT_EQ(B, nullptr);
}

TEST(OffThreadPass, AHolderFreedWhileItsPassRunsEndsItAndNeverPublishes) {
  TTempDir Dir;
  const std::string File = Dir.File("p.dat");
  ASSERT_TRUE(WriteDemoPacketFile(File, 50000, 3));
  TLogRecorder Log;
  TDemoHolder Holder(File);
  TThreadRunner Runner;
  bool Told = false;
  Holder.Data->StartUpdate([&](const TPassReport&) { Told = true; });
  Holder.Data.reset();
  EXPECT_FALSE(LoadProgress().Busy);
  Runner.RunUntilIdle();
  EXPECT_FALSE(Told);
}
