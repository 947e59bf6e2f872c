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

// A measured value of a track point: "-" when the receiver gave none.
void AppendMeasured(std::string& out, const TrackPoints& points, const TrkPnt& point,
                    PointField field, std::string_view unit) {
  if (points.IsNotAvailable(point, field)) {
    out += '-';
  } else {
    text::AppendPattern(out, points.Value(point, field), text::kPattern0_00);
  }
  out += unit;
}

void AppendComputed(std::string& out, double value, text::NumberPattern pattern,
                    std::string_view unit) {
  text::AppendPattern(out, value, pattern);
  out += unit;
}

void AppendJoined(std::string& out, const TrackPoints& points, const TrkPnt& point,
                  const ConvertedPoint& converted, const ConvertOptions& options, std::size_t first,
                  std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) {
    if (i > first) out += ',';
    if (IsChosen(kAll[i], options)) AppendAnnotation(out, kAll[i], points, point, converted);
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
  switch (annotation) {
    case PointAnnotation::kDate:
      AppendPointTime(out, points, point, converted, true);
      break;
    case PointAnnotation::kVelocity:
      AppendMeasured(out, points, point, PointField::kVelocity, "(km/hr)");
      break;
    case PointAnnotation::kCourse:
      AppendMeasured(out, points, point, PointField::kTrkDegree, "(deg[tr])");
      break;
    case PointAnnotation::kHeading:
      AppendMeasured(out, points, point, PointField::kHeadDegree, "(deg[hd])");
      break;
    case PointAnnotation::kLegTime:
      AppendComputed(out, point.legTime, text::kPattern0, "(s)");
      break;
    case PointAnnotation::kLegLength:
      AppendComputed(out, point.legLength, text::kPattern0_0, "(m)");
      break;
    case PointAnnotation::kLegVelocity:
      AppendComputed(out, LegVelocity(point), text::kPattern0_00, "(km/hr)");
      break;
  }
}

void AppendMpsPointStr(std::string& out, const TrackPoints& points, const TrkPnt& point,
                       const ConvertedPoint& converted, const ConvertOptions& options) {
  AppendJoined(out, points, point, converted, options, 0, 3);
}

void AppendMpsPointInfo(std::string& out, const TrackPoints& points, const TrkPnt& point,
                        const ConvertedPoint& converted, const ConvertOptions& options) {
  AppendJoined(out, points, point, converted, options, 4, 6);
}

void AppendChosenAnnotations(std::string& out, const TrackPoints& points, const TrkPnt& point,
                             const ConvertedPoint& converted, const ConvertOptions& options) {
  bool first = true;
  for (const PointAnnotation annotation : kAll) {
    if (!IsChosen(annotation, options)) continue;
    if (!first) out += ", ";
    first = false;
    AppendAnnotation(out, annotation, points, point, converted);
  }
}

}  // namespace vc::engine
