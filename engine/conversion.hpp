// One conversion in progress: what the readers and writers share while a
// single call of ConvertFile runs.
#pragma once

#include <cstdint>

#include "engine/context.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "engine/output/output_frame.hpp"
#include "engine/report.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

struct WrittenCounts {
  std::int64_t waypoints = 0;
  std::int64_t routes = 0;
  std::int64_t tracks = 0;
  std::int64_t points = 0;  // route and track points
};

struct Conversion {
  Conversion(const ConvertOptions& options_, ConversionContext& context_, Observer& observer_,
             text::LocalSeconds now_)
      : options(options_), context(context_), observer(observer_), now(now_) {}

  // The snapshot of the options, as the user chose them.
  const ConvertOptions& options;
  // What the output is; decided once the input is open, before the output's
  // header is written.
  OutputFrame frame;
  ConversionContext& context;
  Observer& observer;
  // "Now" for points that carry no time of their own, taken once.
  text::LocalSeconds now = 0;
  WrittenCounts written;
  ConversionReport report;
  // Set once the front asked to stop; long loops then end early and the
  // driver leaves the output as it was.
  bool cancelled = false;

  // Called once per point of a long record: polls the front every few
  // thousand points. True when the loop should end.
  bool PointTick() {
    if ((++ticks_ & 0xFFF) == 0 && !cancelled) cancelled = observer.StopRequested();
    return cancelled;
  }

 private:
  std::uint32_t ticks_ = 0;
};

}  // namespace vc::engine
