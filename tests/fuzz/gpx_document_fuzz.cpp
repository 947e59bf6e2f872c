// GPX documents: whatever bytes through the streaming parser, fed in pieces
// of a size the first byte chooses, into its own buffer or copied, resumed
// after every record, until the document ends or is refused. The prefixes
// and declarations of any tag go through the parser's namespace rules, which
// must refuse what expat's namespace mode refuses, and nothing else. The
// calls recorded as events and replayed are the calls made directly, and so
// are those of the document split at a track point near its middle and
// parsed in two halves, wherever the first half accepts the split.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "formats/gpx/gpx_events.hpp"
#include "formats/gpx/gpx_parser.hpp"
#include "fuzz_support.hpp"

namespace {

class Handler final : public vc::gpx::GpxHandler {
 public:
  Handler() = default;
  // Goes on from where `before` stands, the track named there until it is
  // named again: the second half of a split document.
  Handler(const Handler& before, std::string_view nameBefore)
      : seen_(before.seen_), nameBefore_(nameBefore) {}

  void Waypoint(const vc::gpx::GpxPoint& point) override { Touch(point); }
  void RouteBegin() override {}
  void RoutePoint(const vc::gpx::GpxPoint& point) override { Touch(point); }
  void RouteEnd(std::string_view name, std::string_view number) override {
    seen_ = seen_ * 31 + name.size() + number.size();
  }
  void TrackBegin() override {}
  void TrackPoint(const vc::gpx::GpxPoint& point) override { Touch(point); }
  void TrackEnd(std::string_view name) override { seen_ = seen_ * 31 + name.size(); }
  void TrackEndNamedBefore() override { TrackEnd(nameBefore_); }

  [[nodiscard]] std::uint64_t Seen() const { return seen_; }

 private:
  void Touch(const vc::gpx::GpxPoint& point) {
    seen_ = seen_ * 31 + point.lat.size() + point.lon.size() + point.name.size() +
            point.cmt.size() + point.desc.size();
    for (const auto& value :
         {point.latValue, point.lonValue, point.elevation, point.speedMps, point.course}) {
      seen_ = seen_ * 31 + (value ? std::bit_cast<std::uint64_t>(*value) : 7);
    }
    seen_ = seen_ * 31 + (point.utc ? static_cast<std::uint64_t>(*point.utc) : 7);
  }
  std::uint64_t seen_ = 0;
  std::string nameBefore_;
};

// Fed in pieces of `piece` bytes, into the parser's buffer or copied,
// resumed after every record; `mark` hears every status. The last status.
template <typename Mark>
vc::gpx::GpxParser::Status ParseInPieces(vc::gpx::GpxParser& parser, std::string_view document,
                                         std::size_t piece, bool intoBuffer, Mark mark) {
  vc::fuzz::TurnLimit limit(2 * document.size() + 2);
  using Status = vc::gpx::GpxParser::Status;
  Status status = Status::kNeedMore;
  std::size_t at = 0;
  while (status == Status::kNeedMore || status == Status::kRecord) {
    limit.Turn();
    if (status == Status::kRecord) {
      status = parser.Resume();
      mark(status, parser);
      continue;
    }
    const std::size_t length = std::min(piece, document.size() - at);
    const bool last = at + length == document.size();
    if (intoBuffer) {
      char* room = parser.Buffer(piece);
      if (room == nullptr) break;
      std::copy_n(document.data() + at, length, room);
      status = parser.Parse(length, last);
    } else {
      status = parser.Feed(document.data() + at, length, last);
    }
    mark(status, parser);
    at += length;
    // The last piece fed, nothing may be asked for any more.
    if (last && status == Status::kNeedMore) std::abort();
  }
  if (status == Status::kError && (parser.ErrorLine() < 1 || parser.ErrorColumn() < 1)) {
    std::abort();
  }
  return status;
}

template <typename Mark>
vc::gpx::GpxParser::Status ParseInPieces(std::string_view document, std::size_t piece,
                                         bool intoBuffer, vc::gpx::GpxHandler& handler, Mark mark) {
  vc::gpx::GpxParser parser(handler);
  return ParseInPieces(parser, document, piece, intoBuffer, mark);
}

// The document split where the reader would split it, when it can be:
// the first half's calls and then the second's must be the calls made
// directly, ending alike.
void CheckSplit(std::string_view document, std::size_t piece, bool intoBuffer,
                const Handler& direct, vc::gpx::GpxParser::Status status) {
  using Status = vc::gpx::GpxParser::Status;
  constexpr std::size_t kHead = std::size_t{1} << 16;
  const std::optional<std::size_t> rootEnd = vc::gpx::RootStartTagEnd(document.substr(0, kHead));
  const std::size_t found = vc::gpx::FindTrackPointTag(document.substr(document.size() / 2));
  if (!rootEnd || found == std::string_view::npos) return;
  const std::size_t splitAt = document.size() / 2 + found;
  if (splitAt < *rootEnd) return;
  Handler first;
  vc::gpx::GpxParser firstHalf(first);
  firstHalf.StopAtTrackPoint(static_cast<std::int64_t>(splitAt));
  const Status firstStatus = ParseInPieces(firstHalf, document, piece, intoBuffer,
                                           [](Status, const vc::gpx::GpxParser&) {});
  if (firstStatus != Status::kSplit) {
    if (first.Seen() != direct.Seen() || firstStatus != status) std::abort();
    return;
  }
  Handler second(first, firstHalf.SplitTrackName());
  vc::gpx::GpxParser secondHalf(second);
  if (!secondHalf.ContinueInsideTrack(document.substr(0, *rootEnd))) std::abort();
  const Status secondStatus = ParseInPieces(secondHalf, document.substr(splitAt), piece, intoBuffer,
                                            [](Status, const vc::gpx::GpxParser&) {});
  if (second.Seen() != direct.Seen() || secondStatus != status) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 64;
  const bool intoBuffer = (data[0] & 0x80) != 0;
  const std::string_view document = vc::fuzz::AsText(data + 1, size - 1);
  using Status = vc::gpx::GpxParser::Status;
  Handler handler;
  std::size_t statuses = 0;
  const Status status = ParseInPieces(document, piece, intoBuffer, handler,
                                      [&](Status, const vc::gpx::GpxParser&) { ++statuses; });
  vc::gpx::GpxEventRecorder recorder;
  ParseInPieces(
      document, piece, intoBuffer, recorder,
      [&](Status step, const vc::gpx::GpxParser& parser) { recorder.MarkStatus(step, parser); });
  Handler replayed;
  vc::gpx::GpxEventReplay replay(recorder.Events());
  std::size_t replayedStatuses = 0;
  std::optional<vc::gpx::GpxMark> lastMark;
  while (const std::optional<vc::gpx::GpxMark> mark = replay.ReplayToMark(replayed)) {
    ++replayedStatuses;
    lastMark = mark;
  }
  if (replayed.Seen() != handler.Seen() || replayedStatuses != statuses ||
      (statuses > 0 && (!lastMark || lastMark->status != status))) {
    std::abort();
  }
  CheckSplit(document, piece, intoBuffer, handler, status);
  // Expat's namespace mode refuses exactly the documents the parser refuses.
  vc::gpx::GpxFaultFinder finder;
  if (finder.Feed(document.data(), document.size(), true) != (status == Status::kError)) {
    std::abort();
  }
  return 0;
}
