#include "engine/input/gpx_read_ahead.hpp"

#include <utility>

namespace vc::engine {

GpxReadAhead::GpxReadAhead(GpxPieceSource& source, std::size_t chunksAhead)
    : source_(source), chunksAhead_(chunksAhead), worker_([this] { Run(); }) {}

GpxReadAhead::~GpxReadAhead() { Stop(); }

bool GpxReadAhead::Take(std::string& chunk) {
  std::unique_lock lock(mutex_);
  if (chunk.capacity() <= kMostKeptRoom && spares_.size() < kChunksAhead) {
    chunk.clear();
    spares_.push_back(std::move(chunk));
  }
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (!ready_.empty()) {
    chunk = std::move(ready_.front());
    ready_.pop_front();
    changed_.notify_all();
    return true;
  }
  chunk.clear();
  const std::exception_ptr failure = std::exchange(failure_, nullptr);
  lock.unlock();
  if (worker_.joinable()) worker_.join();
  if (failure) std::rethrow_exception(failure);
  return false;
}

void GpxReadAhead::Stop() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (worker_.joinable()) worker_.join();
}

// Waits for room, then hands `events` over and leaves a spare buffer.
void GpxReadAhead::Publish(std::string& events) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return stop_ || ready_.size() < chunksAhead_; });
  if (stop_) return;
  ready_.push_back(std::move(events));
  if (spares_.empty()) {
    events = std::string();
  } else {
    events = std::move(spares_.back());
    spares_.pop_back();
  }
  changed_.notify_all();
}

void GpxReadAhead::Run() {
  // The events of the pieces parsed whole: what a piece that throws leaves
  // before it is still handed over, as the calling thread would have had it.
  std::size_t whole = 0;
  try {
    for (bool more = true; more && !stop_.load(std::memory_order_relaxed);) {
      std::string& events = source_.Events();
      for (int piece = 0; more && piece < kPiecesPerChunk && events.size() < kChunkEventBytes &&
                          !stop_.load(std::memory_order_relaxed);
           ++piece) {
        more = source_.ParsePiece();
        whole = events.size();
      }
      Publish(events);
      whole = 0;
    }
  } catch (...) {
    const std::exception_ptr failure = std::current_exception();
    try {
      std::string& events = source_.Events();
      events.resize(whole);
      if (!events.empty()) Publish(events);
    } catch (...) {
      // The first exception is the one to carry over.
    }
    const std::lock_guard lock(mutex_);
    failure_ = failure;
  }
  const std::lock_guard lock(mutex_);
  finished_ = true;
  changed_.notify_all();
}

}  // namespace vc::engine
