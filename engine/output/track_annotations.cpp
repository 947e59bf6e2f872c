#include "engine/output/track_annotations.hpp"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>

#include "text/numbers.hpp"

namespace vc::engine {
namespace {

constexpr PointAnnotation kAll[] = {
    PointAnnotation::kDate,        PointAnnotation::kVelocity, PointAnnotation::kCourse,
    PointAnnotation::kHeading,     PointAnnotation::kLegTime,  PointAnnotation::kLegLength,
    PointAnnotation::kLegVelocity,
};

// A number in a pattern with `Decimals` decimals (the patterns "0", "0.0"
// and "0.00"), then its unit, put in one piece of the buffer.
template <int Decimals, std::size_t N>
void PutComputed(BufferedText& out, double value, const char (&unit)[N]) {
  constexpr std::size_t kUnitSize = N - 1;
  char* const p = out.Room(text::kShortNumberRoom + kUnitSize);
  if (char* const end = text::PutSmallPattern<Decimals>(p, value)) {
    std::memcpy(end, unit, kUnitSize);
    out.Commit(end + kUnitSize);
    return;
  }
  text::AppendPattern(out.String(), value, text::NumberPattern{1, Decimals});
  out.Append(std::string_view(unit, kUnitSize));
}

// A measured value of a track point: "-" when the receiver gave none,
// which only a point's own text can say.
template <std::size_t N>
void PutMeasured(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                 PointField field, const char (&unit)[N]) {
  if (point.HasOwnText(field) && points.IsNotAvailable(point, field)) {
    out.Append('-');
    out.Append(std::string_view(unit, N - 1));
  } else {
    PutComputed<2>(out, points.Value(point, field), unit);
  }
}

void PutAnnotation(BufferedText& out, PointAnnotation annotation, const TrackPoints& points,
                   const TrkPnt& point, ConvertedPoint& converted) {
  switch (annotation) {
    case PointAnnotation::kDate:
      PutPointTime(out, points, point, converted);
      break;
    case PointAnnotation::kVelocity:
      PutMeasured(out, points, point, PointField::kVelocity, "(km/hr)");
      break;
    case PointAnnotation::kCourse:
      PutMeasured(out, points, point, PointField::kTrkDegree, "(deg[tr])");
      break;
    case PointAnnotation::kHeading:
      PutMeasured(out, points, point, PointField::kHeadDegree, "(deg[hd])");
      break;
    case PointAnnotation::kLegTime:
      PutComputed<0>(out, points.LegTime(point), "(s)");
      break;
    case PointAnnotation::kLegLength:
      PutComputed<1>(out, point.legLength, "(m)");
      break;
    case PointAnnotation::kLegVelocity:
      PutComputed<2>(out, points.LegVelocity(point), "(km/hr)");
      break;
  }
}

constexpr std::uint8_t BitOf(std::size_t index) noexcept {
  return static_cast<std::uint8_t>(1U << index);
}

}  // namespace

std::size_t PointStepOf(std::int16_t step) noexcept {
  const int size = std::abs(static_cast<int>(step));
  return size == 0 ? 1 : static_cast<std::size_t>(size);
}

bool IsChosen(PointAnnotation annotation, const ConvertOptions& options) {
  switch (annotation) {
    case PointAnnotation::kDate:
      return options.pointPastDate;
    case PointAnnotation::kVelocity:
      return options.pointPastVelocity;
    case PointAnnotation::kCourse:
      return options.pointPastDegree;
    case PointAnnotation::kHeading:
      return options.pointHeadDegree;
    case PointAnnotation::kLegTime:
      return options.pointLegTime;
    case PointAnnotation::kLegLength:
      return options.pointLegLength;
    case PointAnnotation::kLegVelocity:
      return options.pointLegVelocity;
  }
  return false;
}

bool AnyPointAnnotationChosen(const ConvertOptions& options) {
  for (const PointAnnotation annotation : kAll) {
    if (IsChosen(annotation, options)) return true;
  }
  return false;
}

void AppendAnnotation(std::string& out, PointAnnotation annotation, const TrackPoints& points,
                      const TrkPnt& point, ConvertedPoint& converted) {
  BufferedText buffered(out);
  PutAnnotation(buffered, annotation, points, point, converted);
  buffered.Flush();
}

ChosenAnnotations::ChosenAnnotations(const ConvertOptions& options) noexcept {
  for (std::size_t i = 0; i < std::size(kAll); ++i) {
    if (IsChosen(kAll[i], options)) chosen_ |= BitOf(i);
  }
}

void ChosenAnnotations::PutPlaces(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                                  ConvertedPoint& converted, std::size_t first,
                                  std::size_t last) const {
  for (std::size_t i = first; i <= last; ++i) {
    if (i > first) out.Append(',');
    if ((chosen_ & BitOf(i)) != 0) PutAnnotation(out, kAll[i], points, point, converted);
  }
}

// Every annotation ticked, the usual choice for a log: the str and the
// info written straight, without going through the places one by one.
constexpr std::uint8_t kStrPlaces = 0x0f;
constexpr std::uint8_t kInfoPlaces = 0x70;

void ChosenAnnotations::PutMpsStr(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                                  ConvertedPoint& converted) const {
  if ((chosen_ & kStrPlaces) != kStrPlaces) {
    PutPlaces(out, points, point, converted, 0, 3);
    return;
  }
  PutPointTime(out, points, point, converted);
  out.Append(',');
  PutMeasured(out, points, point, PointField::kVelocity, "(km/hr)");
  out.Append(',');
  PutMeasured(out, points, point, PointField::kTrkDegree, "(deg[tr])");
  out.Append(',');
  PutMeasured(out, points, point, PointField::kHeadDegree, "(deg[hd])");
}

void ChosenAnnotations::PutMpsInfo(BufferedText& out, const TrackPoints& points,
                                   const TrkPnt& point, ConvertedPoint& converted) const {
  if ((chosen_ & kInfoPlaces) != kInfoPlaces) {
    PutPlaces(out, points, point, converted, 4, 6);
    return;
  }
  PutComputed<0>(out, points.LegTime(point), "(s)");
  out.Append(',');
  PutComputed<1>(out, point.legLength, "(m)");
  out.Append(',');
  PutComputed<2>(out, points.LegVelocity(point), "(km/hr)");
}

void ChosenAnnotations::PutJoined(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                                  ConvertedPoint& converted) const {
  bool first = true;
  for (std::size_t i = 0; i < std::size(kAll); ++i) {
    if ((chosen_ & BitOf(i)) == 0) continue;
    if (!first) out.Append(", ");
    first = false;
    PutAnnotation(out, kAll[i], points, point, converted);
  }
}

void AppendMpsPointStr(std::string& out, const TrackPoints& points, const TrkPnt& point,
                       ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  ChosenAnnotations(options).PutMpsStr(buffered, points, point, converted);
  buffered.Flush();
}

void AppendMpsPointInfo(std::string& out, const TrackPoints& points, const TrkPnt& point,
                        ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  ChosenAnnotations(options).PutMpsInfo(buffered, points, point, converted);
  buffered.Flush();
}

void AppendChosenAnnotations(std::string& out, const TrackPoints& points, const TrkPnt& point,
                             ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  ChosenAnnotations(options).PutJoined(buffered, points, point, converted);
  buffered.Flush();
}

}  // namespace vc::engine
