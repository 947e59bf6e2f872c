// One conversion in progress: what the readers and writers share while a
// single call of ConvertFile runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/context.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "engine/output/output_frame.hpp"
#include "engine/report.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

struct Conversion {
  Conversion(const ConvertOptions& options_, ConversionContext& context_, Observer& observer_,
             text::LocalSeconds now_, text::LocalSeconds nowUtc_ = 0)
      : options(options_), context(context_), observer(observer_), now(now_), nowUtc(nowUtc_) {}

  // The snapshot of the options, as the user chose them.
  const ConvertOptions& options;
  // What the output is; decided once the input is open, before the output's
  // header is written.
  OutputFrame frame;
  ConversionContext& context;
  Observer& observer;
  // "Now" for points that carry no time of their own, taken once.
  text::LocalSeconds now = 0;
  // The same moment in UTC (the GPX metadata).
  text::LocalSeconds nowUtc = 0;
  ConversionReport report;
  // Set once the front asked to stop; long loops then end early and the
  // driver leaves the output as it was.
  bool cancelled = false;

  // A reader that cannot go on says why; the driver stops the conversion
  // with that message and leaves the output as it was.
  void FailReading(Message message, std::string name) {
    if (readFailure) return;
    readFailure = message;
    readFailureName = std::move(name);
  }
  std::optional<Message> readFailure;
  std::string readFailureName;

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
