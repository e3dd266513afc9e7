// The frame buffer pool: sizes, the buffer states and their transitions,
// the order in which loaded buffers are served, row access, the queue bound
// and the images it hands back, and the process-wide load numbers.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "camera/image_buffers.h"
#include "camera_fixture.h"

namespace ecocam::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class ImageBuffersTest : public CameraFixture {
 protected:
  static CameraParameters Sized(unsigned type, int width, int height) {
    CameraParameters p(CameraInfo{type, type == 2 ? "eco424CVGE" : "eco424MVGE"});
    SetSize(p, width, height, 0);
    return p;
  }
  // Puts a frame of the buffer's own memory into it and loads it.
  static void Load(ImageBuffer& buffer, int sizeX, int sizeY) {
    ASSERT_TRUE(buffer.BeginFill());
    buffer.Info().imageData = buffer.Memory();
    buffer.Info().sizeX = sizeX;
    buffer.Info().sizeY = sizeY;
    ASSERT_TRUE(buffer.MarkLoaded());
  }
  static SvsImageInfo Record(int image) {
    SvsImageInfo record;
    record.imageHandle = image;
    return record;
  }
  ImageBuffers _pool;
};

TEST_F(ImageBuffersTest, InitRefusesAZeroWidth) {
  const CameraParameters p = Sized(1, 0, 100);
  EXPECT_FALSE(_pool.Init(p.Info(), p, 3));
  EXPECT_EQ(0u, _pool.Size());
  EXPECT_TRUE(
      DriverLog::Contains(DriverLog::Take(),
                          " ImageBuffers::Init: ERROR: incorrect image buffer allocation parameters bufferCount=10, "
                          "width=0, height=100"));
}

TEST_F(ImageBuffersTest, TenBuffersOfTheFullSizeForColourAndMono) {
  for (const auto& [type, bytes] : {std::pair<unsigned, int>{2, 3932160}, {1, 1310720}}) {
    const CameraParameters p = Sized(type, 1280, 1024);
    ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
    ASSERT_EQ(10u, _pool.Size());
    for (std::size_t i = 0; i < _pool.Size(); ++i) {
      EXPECT_EQ(bytes, _pool[i].Size());
      EXPECT_FALSE(_pool[i].IsLoaded());
    }
    EXPECT_EQ(&_pool[0], _pool.ClaimFreeBuffer().get());
  }
  EXPECT_EQ(10, _pool.GetBufferCount());
}

// The oldest buffer found is remembered between rows; a buffer freed and
// loaded again is newer than every other, however it was remembered, and a
// rebuilt pool forgets it.
TEST_F(ImageBuffersTest, ARememberedBufferLoadedAgainIsServedAfterOlderOnes) {
  const CameraParameters p = Sized(1, 8, 4);
  ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
  Load(_pool[0], 8, 4);
  Load(_pool[1], 8, 4);
  ASSERT_EQ(&_pool[0], _pool.FindLoadedBuffer());
  ASSERT_EQ(&_pool[0], _pool.FindLoadedBuffer());
  _pool[0].Release();
  Load(_pool[0], 8, 4);
  EXPECT_EQ(&_pool[1], _pool.FindLoadedBuffer());
  _pool[1].Release();
  EXPECT_EQ(&_pool[0], _pool.FindLoadedBuffer());

  ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
  EXPECT_EQ(nullptr, _pool.FindLoadedBuffer());
  Load(_pool[2], 8, 4);
  EXPECT_EQ(&_pool[2], _pool.FindLoadedBuffer());
}

TEST_F(ImageBuffersTest, OlderLoadIsServedFirstAndRowsAreReadWithoutSideEffects) {
  const CameraParameters p = Sized(1, 8, 4);
  ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
  EXPECT_EQ(nullptr, _pool.FindLoadedBuffer());
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(), "ERROR: Loaded buffer not found"));

  Load(_pool[3], 8, 4);  // loaded first, though later in pool order
  Load(_pool[1], 8, 4);
  EXPECT_EQ(&_pool[0], _pool.ClaimFreeBuffer().get());
  ImageBuffer* first = _pool.FindLoadedBuffer();
  ASSERT_EQ(&_pool[3], first);

  // Rows in any order, the last one too, as often as asked: reading frees
  // nothing; the release does, and the freed buffer has no rows.
  EXPECT_EQ(first->Memory() + 2 * 8, first->Row(2));
  EXPECT_EQ(first->Memory(), first->Row(0));
  EXPECT_EQ(first->Memory() + 3 * 8, first->Row(3));
  EXPECT_EQ(first->Memory() + 3 * 8, first->Row(3));
  EXPECT_TRUE(first->IsLoaded());
  first->Release();
  EXPECT_EQ(BufferState::kFree, first->State());
  EXPECT_EQ(&_pool[1], _pool.FindLoadedBuffer());
  DriverLog::Take();
  EXPECT_EQ(nullptr, first->Row(0));
  EXPECT_THAT(DriverLog::Take(), ElementsAre("ImageBuffer::GetLine: ERROR: _svsImageInfo.imageData==0, row=0"));

  // Outside the frame: null with the sizeY message, nothing changes.
  EXPECT_EQ(nullptr, _pool[1].Row(-1));
  EXPECT_EQ(nullptr, _pool[1].Row(4));
  EXPECT_THAT(DriverLog::Take(),
              ElementsAre("ImageBuffer::GetLine: ERROR: _svsImageInfo.sizeY==4 and is lower than requested line=-1",
                          "ImageBuffer::GetLine: ERROR: _svsImageInfo.sizeY==4 and is lower than requested line=4"));
  EXPECT_TRUE(_pool[1].IsLoaded());
  EXPECT_EQ(nullptr, _pool[0].Row(0));
  EXPECT_THAT(DriverLog::Take(), ElementsAre("ImageBuffer::GetLine: ERROR: _svsImageInfo.imageData==0, row=0"));
}

// Each transition holds only from its own state, so a buffer is never
// claimed twice, loaded without a fill or freed while the wait thread
// writes it; a claim dropped unloaded frees its buffer.
TEST_F(ImageBuffersTest, TransitionsOnlyFromTheirOwnState) {
  const CameraParameters p = Sized(1, 8, 4);
  ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
  ImageBuffer& buffer = _pool[0];
  EXPECT_FALSE(buffer.MarkLoaded());  // free: not being filled
  EXPECT_EQ(BufferState::kFree, buffer.State());
  ASSERT_TRUE(buffer.BeginFill());
  EXPECT_FALSE(buffer.BeginFill());
  buffer.Release();  // not loaded: stays the wait thread's
  EXPECT_EQ(BufferState::kFilling, buffer.State());
  EXPECT_EQ(nullptr, _pool.FindLoadedBuffer());
  ASSERT_TRUE(buffer.MarkLoaded());
  EXPECT_FALSE(buffer.BeginFill());
  buffer.AbandonFill();  // loaded: only the host frees it
  EXPECT_TRUE(buffer.IsLoaded());
  buffer.Release();
  EXPECT_EQ(BufferState::kFree, buffer.State());

  {
    BufferClaim claim = _pool.ClaimFreeBuffer();
    ASSERT_EQ(&_pool[0], claim.get());
    EXPECT_EQ(&_pool[1], _pool.ClaimFreeBuffer().get());  // the held one is skipped
    BufferClaim moved = std::move(claim);
    EXPECT_EQ(1u, _pool.CountIn(BufferState::kFilling));
  }
  EXPECT_EQ(10u, _pool.CountIn(BufferState::kFree));
  BufferClaim loaded = _pool.ClaimFreeBuffer();
  loaded.Load();
  EXPECT_FALSE(loaded);
  EXPECT_EQ(1u, _pool.CountIn(BufferState::kLoaded));
}

TEST_F(ImageBuffersTest, ColourRowsAreThreeBytesPerPixel) {
  const CameraParameters p = Sized(2, 8, 4);
  ASSERT_TRUE(_pool.Init(p.Info(), p, 1));
  Load(_pool[0], 8, 4);
  EXPECT_EQ(_pool[0].Memory() + 2 * 8 * 3, _pool[0].Row(2));
}

TEST_F(ImageBuffersTest, FullQueueDropsTheNewRecordAndHandsItsImageBack) {
  Discover();  // the SDK loaded, so handed-back images reach the journal
  sim.SimSdk_clearJournal();
  for (int i = 1; i <= 100; ++i) ASSERT_TRUE(_pool.AddSvsInfo(Record(i)));
  EXPECT_TRUE(_pool.AddSvsInfo(Record(101)));   // 100 queued: still taken
  EXPECT_FALSE(_pool.AddSvsInfo(Record(102)));  // 101 queued: dropped
  EXPECT_EQ(101u, _pool.QueuedCount());
  EXPECT_EQ(101, _pool.Counters().queued);
  EXPECT_EQ(1, _pool.Counters().droppedFull);
  EXPECT_THAT(sim.Journal(), ElementsAre("Image_release(102)"));
  EXPECT_TRUE(DriverLog::Contains(DriverLog::Take(),
                                  "ImageBuffers::AddSvsInfo: WARNING: Frame dropped: Image buffer already contains "
                                  "more than 100 frames."));

  SvsImageInfo out;
  ASSERT_TRUE(_pool.TakeSvsInfo(out));
  EXPECT_EQ(1, out.imageHandle);
  EXPECT_TRUE(_pool.AddSvsInfo(Record(103)));
}

TEST_F(ImageBuffersTest, StoppedQueueHandsBackEveryQueuedImageAndRefusesNewOnes) {
  Discover();
  ASSERT_TRUE(_pool.AddSvsInfo(Record(7)));
  ASSERT_TRUE(_pool.AddSvsInfo(Record(8)));
  sim.SimSdk_clearJournal();
  _pool.StopQueue();
  EXPECT_EQ(0u, _pool.QueuedCount());
  EXPECT_FALSE(_pool.AddSvsInfo(Record(9)));
  EXPECT_THAT(sim.Journal(), ElementsAre("Image_release(7)", "Image_release(8)", "Image_release(9)"));
  // The two queued ones were discarded; the refused one was never queued,
  // nor dropped for a full queue.
  const QueueCounters counters = _pool.Counters();
  EXPECT_EQ(2, counters.queued);
  EXPECT_EQ(2, counters.discarded);
  EXPECT_EQ(0, counters.droppedFull);
  _pool.StartQueue();
  EXPECT_TRUE(_pool.AddSvsInfo(Record(10)));
}

// The queue's signal stands for a waiting record, never for nothing: one
// signal may cover several records, and taking one signals again while
// others wait behind it.
TEST_F(ImageBuffersTest, TheQueueSignalsOnlyWhileARecordWaits) {
  platform::Event signal;
  SvsImageInfo out;
  ASSERT_TRUE(_pool.AddSvsInfo(Record(0), &signal));
  ASSERT_TRUE(_pool.AddSvsInfo(Record(0), &signal));
  EXPECT_TRUE(signal.Wait(0));
  EXPECT_FALSE(signal.Wait(0));
  ASSERT_TRUE(_pool.TakeSvsInfo(out, &signal));
  EXPECT_TRUE(signal.Wait(0)) << "a record waits behind the one taken";
  ASSERT_TRUE(_pool.TakeSvsInfo(out, &signal));
  EXPECT_FALSE(signal.Wait(0)) << "the queue is empty";
  _pool.StopQueue();
  EXPECT_FALSE(_pool.AddSvsInfo(Record(0), &signal));
  EXPECT_FALSE(signal.Wait(0)) << "a record not queued is not signalled";
}

// The same with the SDK's threads and the wait thread racing for a while
// (more threads than cores, so any of them may stop anywhere): every signal
// the taker wakes on finds a record, and no record is left unsignalled.
TEST_F(ImageBuffersTest, NoSignalFindsAnEmptyQueueUnderRacingThreads) {
  constexpr int kProducers = 3;
  platform::Event signal;
  std::atomic<bool> stop{false};
  std::atomic<int> produced{0};
  std::atomic<int> finished{0};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&] {
      while (!stop.load()) {
        while (_pool.QueuedCount() > 50) std::this_thread::yield();
        if (_pool.AddSvsInfo(Record(0), &signal)) ++produced;
      }
      ++finished;
    });
  }
  const auto start = std::chrono::steady_clock::now();
  int taken = 0;
  int empty = 0;
  while (finished.load() < kProducers || taken < produced.load()) {
    const auto elapsed = std::chrono::steady_clock::now() - start;
    if (elapsed > std::chrono::milliseconds(1500)) stop = true;
    if (elapsed > std::chrono::seconds(10)) break;  // a record lost its signal
    if (!signal.Wait(100)) continue;
    SvsImageInfo out;
    if (_pool.TakeSvsInfo(out, &signal)) {
      ++taken;
    } else {
      ++empty;
    }
  }
  stop = true;
  for (std::thread& producer : producers) producer.join();
  EXPECT_GT(taken, 1000);
  EXPECT_EQ(produced.load(), taken);
  EXPECT_EQ(0, empty);
}

TEST_F(ImageBuffersTest, LoadNumbersNeverDecreaseAcrossPoolsAndThreads) {
  const CameraParameters p = Sized(1, 4, 2);
  constexpr int kThreads = 4;
  constexpr int kLoads = 2000;
  std::vector<std::unique_ptr<ImageBuffers>> pools;
  for (int t = 0; t < kThreads; ++t) {
    pools.push_back(std::make_unique<ImageBuffers>());
    ASSERT_TRUE(pools.back()->Init(p.Info(), p, t));
  }
  std::vector<std::vector<std::uint64_t>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLoads; ++i) {
        ImageBuffer& buffer = (*pools[static_cast<std::size_t>(t)])[static_cast<std::size_t>(i % 10)];
        buffer.BeginFill();
        buffer.MarkLoaded();
        seen[static_cast<std::size_t>(t)].push_back(buffer.LoadSequence());
        buffer.Release();
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<std::uint64_t> all;
  for (const auto& numbers : seen) {
    EXPECT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
    EXPECT_EQ(0u, std::count(numbers.begin(), numbers.end(), 0u));
    all.insert(all.end(), numbers.begin(), numbers.end());
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all.end(), std::adjacent_find(all.begin(), all.end()));  // every number once
}

}  // namespace
}  // namespace ecocam::testing
