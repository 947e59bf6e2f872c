// Test support for the record readers: one input text opened by a reader over
// a context that may outlive it (track numbering continues across readings).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.hpp"
#include "engine/conversion.hpp"
#include "engine/input/record_reader.hpp"
#include "support/engine_support.hpp"
#include "text/line_source.hpp"

namespace vc::testing {

class ReaderHarness {
 public:
  ReaderHarness(engine::ReaderFactory makeReader, std::string_view text,
                engine::ConversionContext& context)
      : source_(text), conversion_(options_, context, observer, 0), reader_(makeReader(source_)) {
    reader_->Open(conversion_);
  }

  engine::RecordKind Next() { return reader_->ReadNextRecord(conversion_); }
  // What the readings so far counted as skipped.
  [[nodiscard]] const engine::ConversionReport& Report() const { return conversion_.report; }

  // Every record up to and including the end: "WPT <name>", "RTE <pntNum>
  // <points held>", "TRK <pntNum> <points held>", "none", "EOF".
  std::vector<std::string> Summary() {
    std::vector<std::string> out;
    const engine::RecordBuffers& buffers = conversion_.context.buffers;
    for (int call = 0; call < 1000; ++call) {
      switch (Next()) {
        case engine::RecordKind::kWpt:
          out.push_back("WPT " + std::string(buffers.wpt.store.Text(buffers.wpt.Point(),
                                                                    engine::PointText::kName)));
          break;
        case engine::RecordKind::kRte:
          out.push_back("RTE " + buffers.rteHdr.pntNum + " " +
                        std::to_string(buffers.rtePnt.Count()));
          break;
        case engine::RecordKind::kTrk:
          out.push_back("TRK " + buffers.trkHdr.pntNum + " " +
                        std::to_string(buffers.trkPnt.Count()));
          break;
        case engine::RecordKind::kNone:
          out.emplace_back("none");
          break;
        case engine::RecordKind::kEof:
          out.emplace_back("EOF");
          return out;
      }
    }
    out.emplace_back("no end");
    return out;
  }

  [[nodiscard]] const engine::ConversionReport& report() const { return conversion_.report; }

  RecordingObserver observer;

 private:
  text::StringLineSource source_;
  engine::ConvertOptions options_;
  engine::Conversion conversion_;
  std::unique_ptr<engine::RecordReader> reader_;
};

}  // namespace vc::testing
