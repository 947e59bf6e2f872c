#include "engine/output/track_annotations.hpp"

#include <cstdlib>
#include <string_view>

#include "text/numbers.hpp"

namespace vc::engine {
namespace {

constexpr PointAnnotation kAll[] = {
    PointAnnotation::kDate,        PointAnnotation::kVelocity, PointAnnotation::kCourse,
    PointAnnotation::kHeading,     PointAnnotation::kLegTime,  PointAnnotation::kLegLength,
    PointAnnotation::kLegVelocity,
};

// A number in a pattern, then its unit.
void PutComputed(BufferedText& out, double value, text::NumberPattern pattern,
                 std::string_view unit) {
  char* const p = out.Room(text::kShortNumberRoom);
  if (char* const end = text::PutShortPattern(p, value, pattern)) {
    out.Commit(end);
  } else {
    text::AppendPattern(out.String(), value, pattern);
  }
  out.Append(unit);
}

// A measured value of a track point: "-" when the receiver gave none.
void PutMeasured(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                 PointField field, std::string_view unit) {
  if (points.IsNotAvailable(point, field)) {
    out.Append('-');
    out.Append(unit);
  } else {
    PutComputed(out, points.Value(point, field), text::kPattern0_00, unit);
  }
}

void PutAnnotation(BufferedText& out, PointAnnotation annotation, const TrackPoints& points,
                   const TrkPnt& point, const ConvertedPoint& converted) {
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
      PutComputed(out, points.LegTime(point), text::kPattern0, "(s)");
      break;
    case PointAnnotation::kLegLength:
      PutComputed(out, point.legLength, text::kPattern0_0, "(m)");
      break;
    case PointAnnotation::kLegVelocity:
      PutComputed(out, points.LegVelocity(point), text::kPattern0_00, "(km/hr)");
      break;
  }
}

void PutJoined(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
               const ConvertedPoint& converted, const ConvertOptions& options, std::size_t first,
               std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) {
    if (i > first) out.Append(',');
    if (IsChosen(kAll[i], options)) PutAnnotation(out, kAll[i], points, point, converted);
  }
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
                      const TrkPnt& point, const ConvertedPoint& converted) {
  BufferedText buffered(out);
  PutAnnotation(buffered, annotation, points, point, converted);
  buffered.Flush();
}

void PutMpsPointStr(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                    const ConvertedPoint& converted, const ConvertOptions& options) {
  PutJoined(out, points, point, converted, options, 0, 3);
}

void PutMpsPointInfo(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                     const ConvertedPoint& converted, const ConvertOptions& options) {
  PutJoined(out, points, point, converted, options, 4, 6);
}

void AppendMpsPointStr(std::string& out, const TrackPoints& points, const TrkPnt& point,
                       const ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  PutMpsPointStr(buffered, points, point, converted, options);
  buffered.Flush();
}

void AppendMpsPointInfo(std::string& out, const TrackPoints& points, const TrkPnt& point,
                        const ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  PutMpsPointInfo(buffered, points, point, converted, options);
  buffered.Flush();
}

void AppendChosenAnnotations(std::string& out, const TrackPoints& points, const TrkPnt& point,
                             const ConvertedPoint& converted, const ConvertOptions& options) {
  BufferedText buffered(out);
  bool first = true;
  for (const PointAnnotation annotation : kAll) {
    if (!IsChosen(annotation, options)) continue;
    if (!first) buffered.Append(", ");
    first = false;
    PutAnnotation(buffered, annotation, points, point, converted);
  }
  buffered.Flush();
}

}  // namespace vc::engine
