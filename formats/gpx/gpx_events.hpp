// The calls a GpxParser makes on its handler, kept as a compact stream of
// bytes so that another thread can make the same calls, in the same order,
// later. Between the calls the stream holds the parser's status after each
// step (a record ended, a piece of the document parsed, the end, a fault
// and where it lies), so the one who replays it stops where a reader of the
// parser itself would have stopped.
//
// One entry is a kind byte and what that kind carries:
//   point     two bytes saying which values and texts follow, then each
//             value present (8 bytes, in the order of GpxPoint), then each
//             non-empty text as its length (8 bytes) and its bytes
//   RouteEnd  name and number as texts; TrackEnd: name
//   kError    line and column (8 bytes each); kSplit: the track's name
// Nothing is allocated per field: values and texts are appended to one
// buffer that keeps its room from one use to the next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "formats/gpx/gpx_parser.hpp"

namespace vc::gpx {

// A status of the parser as the stream holds it. `inputFailed`: the bytes
// of the document could not be read (the status is then kError, with no
// place in the document).
struct GpxMark {
  GpxParser::Status status = GpxParser::Status::kEnd;
  bool inputFailed = false;
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// The handler to give a GpxParser: appends every call to Events().
class GpxEventRecorder final : public GpxHandler {
 public:
  // What has been recorded; whoever takes it may swap in an empty buffer.
  std::string& Events() noexcept { return events_; }

  // The parser's status after a step (Parse, Feed, Resume), with the place
  // of a kError.
  void MarkStatus(GpxParser::Status status, const GpxParser& parser);
  void MarkInputFailed();

  void Waypoint(const GpxPoint& point) override;
  void RouteBegin() override;
  void RoutePoint(const GpxPoint& point) override;
  void RouteEnd(std::string_view name, std::string_view number) override;
  void TrackBegin() override;
  void TrackPoint(const GpxPoint& point) override;
  void TrackEnd(std::string_view name) override;
  void TrackEndNamedBefore() override;

 private:
  void Point(std::uint8_t kind, const GpxPoint& point);
  void Text(std::string_view text);
  void Number(std::uint64_t bits);

  std::string events_;
};

// Reads a recorded stream from its start, making its calls on a handler.
class GpxEventReplay {
 public:
  GpxEventReplay() = default;
  explicit GpxEventReplay(std::string_view events) : events_(events) {}

  // From the start of another stream; the texts' room is kept.
  void Reset(std::string_view events) noexcept {
    events_ = events;
    at_ = 0;
  }

  // Makes the calls up to the next status on `handler` and returns that
  // status; nullopt when the stream is used up first, or cut short (or
  // not made by a recorder: then it is passed over).
  std::optional<GpxMark> ReplayToMark(GpxHandler& handler);
  [[nodiscard]] bool AtEnd() const noexcept { return at_ >= events_.size(); }
  // After a kSplit mark: the name of the track so far, valid as long as
  // the stream.
  [[nodiscard]] std::string_view SplitTrackName() const noexcept { return splitTrackName_; }

 private:
  // The rest is no whole entry: the stream counts as used up.
  std::nullopt_t CutShort() noexcept;
  bool Point(GpxPoint& point);
  bool Text(std::string_view& text);
  bool Number(std::uint64_t& bits);
  bool Value(std::optional<double>& value, bool present);

  std::string_view events_;
  std::size_t at_ = 0;
  std::string_view splitTrackName_;
  // Keeps the room of its texts from one point to the next.
  GpxPoint point_;
};

}  // namespace vc::gpx
