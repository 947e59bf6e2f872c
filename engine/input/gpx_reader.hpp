// When the GPX reader parses on a second thread. Expat's share of reading a
// large document is more than the rest of the conversion together, so on a
// machine with more than one core the file is read and parsed on a worker
// while the calling thread makes the records; a small file is not worth the
// thread's start, and is read on the calling thread alone. Either way the
// records, messages and progress are the same.
#pragma once

#include <cstdint>

namespace vc::engine {

struct GpxReadingPolicy {
  // About 5 000 track points: read in well under 10 ms on one thread, where
  // starting and joining a thread and handing the first chunk over would
  // take a good part of what the second core saves.
  static constexpr std::int64_t kDefaultWorkerFromBytes = std::int64_t{1} << 20;

  // Files of at least this many bytes are parsed on the worker.
  std::int64_t workerFromBytes = kDefaultWorkerFromBytes;
  // Use the worker even where the machine reports a single core.
  bool evenOnOneCore = false;
};

// The policy of the GPX readers made from now on, for the whole process
// (tests force one path or the other with it).
void SetGpxReadingPolicy(const GpxReadingPolicy& policy);
GpxReadingPolicy CurrentGpxReadingPolicy();

}  // namespace vc::engine
