#include "engine/read_ahead.hpp"

#include <algorithm>

namespace vc::engine {
namespace {

// The chunk in hand and the one before it stay put for the caller.
constexpr std::size_t kChunksHeld = 2;

}  // namespace

ReadAhead::ReadAhead(platform::FileHandle file, std::size_t chunkSize, std::size_t chunkCount)
    : file_(file),
      chunkSize_(chunkSize),
      storage_(std::max(chunkCount, kChunksHeld + 1), std::vector<char>(chunkSize)),
      chunks_(storage_.size()) {
  for (std::size_t i = 0; i < chunks_.size(); ++i) chunks_[i].data = storage_[i].data();
  worker_ = std::thread(&ReadAhead::Work, this);
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  chunkFree_.notify_one();
  worker_.join();
}

const ReadAhead::Chunk& ReadAhead::Next() {
  std::unique_lock lock(mutex_);
  ++taken_;
  // The worker may be waiting for the caller to move on.
  chunkFree_.notify_one();
  chunkRead_.wait(lock, [this] { return read_ >= taken_ || workerDone_; });
  if (read_ < taken_) {
    if (failure_) std::rethrow_exception(failure_);
    // Asked again after the end: the end again.
    static const Chunk kEnd;
    return kEnd;
  }
  return chunks_[(taken_ - 1) % chunks_.size()];
}

void ReadAhead::Work() {
  try {
    while (ReadOneChunk()) {
    }
  } catch (...) {
    const std::lock_guard lock(mutex_);
    failure_ = std::current_exception();
  }
  {
    const std::lock_guard lock(mutex_);
    workerDone_ = true;
  }
  chunkRead_.notify_one();
}

// False when the worker is done: at the end of the file, after an error, or
// when told to stop.
bool ReadAhead::ReadOneChunk() {
  std::unique_lock lock(mutex_);
  const std::size_t ring = chunks_.size();
  chunkFree_.wait(lock, [&] { return stop_ || read_ + kChunksHeld < taken_ + ring; });
  if (stop_) return false;
  Chunk& chunk = chunks_[read_ % ring];
  lock.unlock();
  // The chunk is the worker's alone until read_ counts it.
  chunk.size = platform::ReadSome(file_, storage_[read_ % ring].data(), chunkSize_);
  if (chunk.size < 0) chunk.error = platform::ErrorText(platform::LastError());
  lock.lock();
  ++read_;
  lock.unlock();
  chunkRead_.notify_one();
  return chunk.size > 0;
}

}  // namespace vc::engine
