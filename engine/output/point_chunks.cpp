#include "engine/output/point_chunks.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

namespace vc::engine {
namespace {

constexpr std::size_t kWorkerThreshold = 8192;

std::atomic<std::size_t> chunkItemsSetting{0};  // 0: the default
std::atomic<std::size_t> minItemsSetting{0};

struct ChunkRange {
  std::size_t begin;
  std::size_t end;
};

// Chunks are claimed by whichever thread is free, into the slot of their
// number modulo kSlots; a chunk may be claimed only while its slot is free,
// so at most kSlots chunks are formatted and not yet added. The calling
// thread formats the chunk it needs next straight into the output.
class TwoThreadChunks {
 public:
  TwoThreadChunks(std::size_t count, std::size_t chunkItems, const ChunkFormat& format)
      : count_(count),
        chunkItems_(chunkItems),
        chunks_((count + chunkItems - 1) / chunkItems),
        format_(format) {}
  TwoThreadChunks(const TwoThreadChunks&) = delete;
  TwoThreadChunks& operator=(const TwoThreadChunks&) = delete;

  // Every way out of a run, an exception included, ends and joins the
  // worker; it notices between two chunks.
  ~TwoThreadChunks() {
    {
      const std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable()) worker_.join();
  }

  // False when the system gives no thread: the run then stays on the
  // calling thread.
  bool Start() {
    try {
      worker_ = std::thread([this] { Work(); });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  bool Run(RecordText& output, const ChunkStart& start) {
    for (std::size_t c = 0; c < chunks_; ++c) {
      const bool own = AwaitOrClaim(c);
      const ChunkRange range = RangeOf(c);
      if (!start(range.begin, range.end)) return false;
      std::string& slot = slots_[c % kSlots];
      if (own) {
        format_(0, range.begin, range.end, output.text());
      } else {
        output.AddFinished(slot);
      }
      {
        const std::lock_guard lock(mutex_);
        ready_[c % kSlots] = false;
        added_ = c + 1;
      }
      changed_.notify_all();
      output.FlushIfLarge();
      if (output.Failed()) return false;
    }
    return true;
  }

 private:
  static constexpr std::size_t kSlots = 6;

  [[nodiscard]] ChunkRange RangeOf(std::size_t chunk) const noexcept {
    const std::size_t begin = chunk * chunkItems_;
    return {begin, std::min(count_, begin + chunkItems_)};
  }
  // Whether the chunk after `next_` may be claimed now (the lock held).
  [[nodiscard]] bool Claimable() const noexcept {
    return next_ < chunks_ && next_ < added_ + kSlots;
  }

  // Until chunk `c` is ready in its slot, the calling thread formats a
  // later chunk when one is free, or waits. True when `c` itself was not
  // claimed yet: the caller then formats it.
  bool AwaitOrClaim(std::size_t c) {
    std::unique_lock lock(mutex_);
    while (true) {
      if (failure_) std::rethrow_exception(failure_);
      if (ready_[c % kSlots]) return false;
      if (next_ == c) {
        ++next_;
        return true;
      }
      if (Claimable()) {
        const std::size_t ahead = next_++;
        lock.unlock();
        FormatIntoSlot(0, ahead);
        lock.lock();
        ready_[ahead % kSlots] = true;
        continue;
      }
      changed_.wait(lock);
    }
  }

  void FormatIntoSlot(std::size_t lane, std::size_t chunk) {
    const ChunkRange range = RangeOf(chunk);
    std::string& slot = slots_[chunk % kSlots];
    slot.clear();
    format_(lane, range.begin, range.end, slot);
  }

  // The worker takes the next free chunk until every chunk is claimed or the
  // run stops; what it throws is kept for the calling thread.
  void Work() noexcept {
    std::unique_lock lock(mutex_);
    while (true) {
      changed_.wait(lock, [this] { return stopped_ || next_ >= chunks_ || Claimable(); });
      if (stopped_ || next_ >= chunks_) return;
      const std::size_t chunk = next_++;
      lock.unlock();
      std::exception_ptr failure;
      try {
        FormatIntoSlot(1, chunk);
      } catch (...) {
        failure = std::current_exception();
      }
      lock.lock();
      if (failure) {
        failure_ = failure;
        changed_.notify_all();
        return;
      }
      ready_[chunk % kSlots] = true;
      changed_.notify_all();
    }
  }

  const std::size_t count_;
  const std::size_t chunkItems_;
  const std::size_t chunks_;
  const ChunkFormat& format_;

  std::mutex mutex_;
  std::condition_variable changed_;
  // Guarded by mutex_: the next chunk to claim, the chunks added to the
  // output, which slots hold a finished chunk, the end of the run.
  std::size_t next_ = 0;
  std::size_t added_ = 0;
  std::array<bool, kSlots> ready_{};
  bool stopped_ = false;
  std::exception_ptr failure_;
  // A slot is written only by the thread that claimed its chunk, and read
  // by the calling thread once the chunk is marked ready.
  std::array<std::string, kSlots> slots_;
  std::thread worker_;
};

bool FormatOnOneThread(std::size_t count, std::size_t chunkItems, RecordText& output,
                       const ChunkFormat& format, const ChunkStart& start) {
  for (std::size_t begin = 0; begin < count; begin += chunkItems) {
    const std::size_t end = std::min(count, begin + chunkItems);
    if (!start(begin, end)) return false;
    format(0, begin, end, output.text());
    output.FlushIfLarge();
    if (output.Failed()) return false;
  }
  return true;
}

}  // namespace

PointChunking DefaultPointChunking() noexcept {
  // Asked once: the library reads it from the system on every call, and a
  // file may hold thousands of short tracks.
  static const bool severalCores = std::thread::hardware_concurrency() > 1;
  PointChunking chunking;
  if (severalCores) chunking.minItemsForWorker = kWorkerThreshold;
  return chunking;
}

PointChunking CurrentPointChunking() noexcept {
  PointChunking chunking = DefaultPointChunking();
  if (const std::size_t items = chunkItemsSetting.load(std::memory_order_relaxed); items != 0) {
    chunking.chunkItems = items;
    chunking.minItemsForWorker = minItemsSetting.load(std::memory_order_relaxed);
  }
  return chunking;
}

void SetPointChunking(const PointChunking& chunking) noexcept {
  minItemsSetting.store(chunking.minItemsForWorker, std::memory_order_relaxed);
  chunkItemsSetting.store(std::max<std::size_t>(chunking.chunkItems, 1), std::memory_order_relaxed);
}

bool FormatChunksInOrder(std::size_t count, RecordText& output, const ChunkFormat& format,
                         const ChunkStart& start) {
  const PointChunking chunking = CurrentPointChunking();
  const std::size_t chunkItems = std::max<std::size_t>(chunking.chunkItems, 1);
  if (count < chunking.minItemsForWorker || count <= chunkItems) {
    return FormatOnOneThread(count, chunkItems, output, format, start);
  }
  TwoThreadChunks chunks(count, chunkItems, format);
  if (!chunks.Start()) return FormatOnOneThread(count, chunkItems, output, format, start);
  return chunks.Run(output, start);
}

}  // namespace vc::engine
