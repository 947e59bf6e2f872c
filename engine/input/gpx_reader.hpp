// When the GPX reader parses on a second thread. Expat's share of reading a
// large document is more than the rest of the conversion together, so on a
// machine with more than one core the file is read and parsed on a worker
// while the calling thread makes the records; a small file is not worth the
// thread's start, and is read on the calling thread alone. A large one is
// split at a track point near its middle, and its second half parsed on a
// second worker meanwhile, when the first half confirms the split. Every
// way the records, messages and progress are the same.
#pragma once

#include <cstdint>

namespace vc::engine {

struct GpxReadingPolicy {
  // About 5 000 track points: read in well under 10 ms on one thread, where
  // starting and joining a thread and handing the first chunk over would
  // take a good part of what the second core saves.
  static constexpr std::int64_t kDefaultWorkerFromBytes = std::int64_t{1} << 20;
  // About 40 000 track points: a second worker parses the document's
  // second half meanwhile, where the parser alone takes longer than the
  // rest of the reading.
  static constexpr std::int64_t kDefaultSplitFromBytes = std::int64_t{8} << 20;

  // Files of at least this many bytes are parsed on the worker.
  std::int64_t workerFromBytes = kDefaultWorkerFromBytes;
  // Use the worker even where the machine reports a single core.
  bool evenOnOneCore = false;
  // Files of at least this many bytes, parsed on the worker, are parsed in
  // two halves at once when they can be split at a track point.
  std::int64_t splitFromBytes = kDefaultSplitFromBytes;
};

// The policy of the GPX readers made from now on, for the whole process
// (tests force one path or the other with it).
void SetGpxReadingPolicy(const GpxReadingPolicy& policy);
GpxReadingPolicy CurrentGpxReadingPolicy();

// How many documents this process has read in two halves, for tests.
std::int64_t GpxDocumentsSplit();

}  // namespace vc::engine
