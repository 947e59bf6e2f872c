// A file's bytes read in order on a thread of its own, a few chunks ahead of
// the thread that parses them, so that the system's copying of the file
// overlaps the parsing.
//
// The worker only reads into a ring of chunks that exist before it starts;
// it never touches anything else. A read error is recorded with the chunk
// where it happened, in the system's words taken on the worker (the error
// code belongs to the thread), and the taker meets it when it reaches that
// point of the file. After the end or an error the worker ends by itself;
// destroying the object stops it at once and joins it, so no thread outlives
// it.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/platform_files.hpp"

namespace vc::engine {

class ReadAhead {
 public:
  struct Chunk {
    const char* data = nullptr;
    // The bytes read, 0 at the end of the file, -1 after a read error.
    std::int64_t size = 0;
    std::string error;  // why the read failed, when `size` is -1
  };

  // Starts reading `file` from where it stands, in `chunkCount` chunks of
  // `chunkSize` bytes. The file must not be read by anyone else until the
  // object is destroyed. May throw std::system_error when no thread can be
  // started.
  ReadAhead(platform::FileHandle file, std::size_t chunkSize, std::size_t chunkCount);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next chunk of the file, waiting for the worker where it is not read
  // yet. Its bytes stay as they are until Next has been called twice more:
  // the chunk before the one in hand stays too, for views into it that
  // reach back. Rethrows what was thrown on the worker once the chunks read
  // before it are taken. After a chunk of size 0 or -1, a chunk of size 0.
  const Chunk& Next();

 private:
  void Work();
  bool ReadOneChunk();

  platform::FileHandle file_;
  std::size_t chunkSize_;
  std::vector<std::vector<char>> storage_;
  std::vector<Chunk> chunks_;
  std::mutex mutex_;
  std::condition_variable chunkRead_;
  std::condition_variable chunkFree_;
  // Chunks counted from the start: read by the worker, taken by the caller.
  std::size_t read_ = 0;
  std::size_t taken_ = 0;
  bool stop_ = false;
  bool workerDone_ = false;
  std::exception_ptr failure_;
  std::thread worker_;
};

}  // namespace vc::engine
