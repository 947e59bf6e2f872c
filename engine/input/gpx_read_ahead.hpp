// A document parsed ahead on a worker thread and handed over in chunks of
// recorded events (formats/gpx/gpx_events.hpp). The worker only reads,
// parses and records into memory; whoever takes the chunks makes every call
// that anyone else sees. It is never more than a few chunks ahead, ends at
// the document's last status, when stopped, or on an exception, which Take
// then throws on the taking thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vc::engine {

// What the worker runs: a document parsed piece by piece, its events
// recorded.
class GpxPieceSource {
 public:
  virtual ~GpxPieceSource() = default;
  // The events recorded so far; whoever takes them leaves another buffer.
  virtual std::string& Events() = 0;
  // Parses the next piece; false once the last status has been recorded.
  virtual bool ParsePiece() = 0;
};

class GpxReadAhead {
 public:
  // A chunk closes at about 5 000 track points of the usual kind, or after
  // 16 pieces (1 MiB) of a document that holds few records, and at the
  // document's end; at most four wait to be taken, so the worker is never
  // more than a few MB ahead, whatever the size of the file.
  static constexpr std::size_t kChunkEventBytes = std::size_t{1} << 17;
  static constexpr int kPiecesPerChunk = 16;
  static constexpr std::size_t kChunksAhead = 4;
  // The second half of a split document is parsed while the first is
  // read: its chunks wait until the records reach them, up to about 16 MB.
  static constexpr std::size_t kSecondHalfChunksAhead = 128;
  // A chunk that once held a long text is not kept for another use.
  static constexpr std::size_t kMostKeptRoom = 4 * kChunkEventBytes;

  // Starts the worker, at most `chunksAhead` chunks ahead; std::system_error
  // when no thread can be started.
  explicit GpxReadAhead(GpxPieceSource& source, std::size_t chunksAhead = kChunksAhead);
  ~GpxReadAhead();
  GpxReadAhead(const GpxReadAhead&) = delete;
  GpxReadAhead& operator=(const GpxReadAhead&) = delete;

  // The next chunk in place of `chunk` (whose room the worker uses again),
  // waiting for it. False when the worker has ended without another; the
  // exception it ended on, if any, is thrown here.
  bool Take(std::string& chunk);
  // Ends the worker, wherever it is, and waits for it.
  void Stop();

 private:
  void Run();
  void Publish(std::string& events);

  GpxPieceSource& source_;
  const std::size_t chunksAhead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> ready_;
  std::vector<std::string> spares_;
  // Set under the mutex; read without it between pieces.
  std::atomic<bool> stop_ = false;
  bool finished_ = false;
  std::exception_ptr failure_;
  // Last: started once everything it uses exists.
  std::thread worker_;
};

}  // namespace vc::engine
