// The reading side of the record stream: one reader per input type, working
// on the lines of one open file. Each call reads as far as the end of the
// next complete record, leaves it in the context's buffers and says its kind.
#pragma once

#include <cstddef>
#include <memory>

#include "engine/conversion.hpp"
#include "engine/records.hpp"
#include "text/line_source.hpp"

namespace vc::engine {

class RecordReader {
 public:
  virtual ~RecordReader() = default;
  // Work done when the file is opened, before the first record (the datum
  // line of a Waypoint+ file).
  virtual void Open(Conversion& /*conversion*/) {}
  // kNone is allowed only when input was consumed, so the driver always
  // makes progress; kEof once the input is exhausted, and again on every
  // later call.
  virtual RecordKind ReadNextRecord(Conversion& conversion) = 0;
};

std::unique_ptr<RecordReader> MakeMpsReader(text::LineSource& lines);
// An MPS statement of this many bytes or more holds its position list packed
// while its points are made (1 MiB unless set; 0 sets that again). For the
// whole process, from the next reader made on: tests lower it to take that
// path with small scripts.
void SetMpsLargeStatementBytes(std::size_t bytes) noexcept;
std::unique_ptr<RecordReader> MakeWaypointPlusReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeVrcReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeVrpReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeVrmReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeVrnReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeNmeaReader(text::LineSource& lines);
std::unique_ptr<RecordReader> MakeGpxReader(text::LineSource& lines);

}  // namespace vc::engine
