// Formatting the held points of a long track on two threads.
//
// Each point's text depends only on the held points, the output frame and
// the options, so the points can be cut into chunks of a few thousand and
// formatted by the calling thread and one worker at the same time, each
// chunk into its own text with its own scratch state. The calling thread
// adds the chunks to the output strictly in order, so the bytes never depend
// on which thread formatted what. Only the calling thread touches the output
// and the observer (progress, the stop check); the worker is at most a few
// chunks ahead, and never outlives the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/output/record_writer.hpp"

namespace vc::engine {

inline constexpr std::size_t kNeverTwoThreads = SIZE_MAX;

struct PointChunking {
  // Items (points or point statements) per chunk.
  std::size_t chunkItems = 2048;
  // The fewest items worth a second thread; kNeverTwoThreads keeps every
  // run on the calling thread.
  std::size_t minItemsForWorker = kNeverTwoThreads;
};

// A worker costs some tens of microseconds to start, which a run of 8192
// items (one to a few milliseconds of formatting) repays many times over;
// below that, and on a machine with one core, the calling thread works
// alone.
PointChunking DefaultPointChunking() noexcept;
// The chunking every writer uses from now on, for the whole process: tests
// force either path with it.
PointChunking CurrentPointChunking() noexcept;
void SetPointChunking(const PointChunking& chunking) noexcept;

// Formats the items [begin, end) into `out` with the scratch state of
// `lane` (0 on the calling thread, 1 on the worker). It runs on either
// thread, so it may change only its lane's state and the result slots of its
// own items.
using ChunkFormat =
    std::function<void(std::size_t lane, std::size_t begin, std::size_t end, std::string& out)>;
// Runs on the calling thread before the chunk [begin, end) is added to the
// output: the progress and stop checks its items make. False stops the run.
using ChunkStart = std::function<bool(std::size_t begin, std::size_t end)>;

// Items 0 to count - 1, chunk by chunk in order, into output.text(), which
// is handed to the file as it grows. False when `start` stopped the run or
// a write failed; the text added so far is then incomplete. An exception of
// either thread ends the run and comes out of this call.
bool FormatChunksInOrder(std::size_t count, RecordText& output, const ChunkFormat& format,
                         const ChunkStart& start);

}  // namespace vc::engine
