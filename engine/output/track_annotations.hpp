// The annotations of a track point that the user ticks, in the words of the
// MPS point statements, which the GPX and KML outputs repeat:
//
//   date          the point's time as the output writes it
//   velocity      "36.00(km/hr)", "-(km/hr)" when the receiver gave none
//   course        "45.00(deg[tr])"         heading  "45.00(deg[hd])"
//   leg time      "10(s)"   leg length "100.0(m)"   leg velocity "36.00(km/hr)"
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/options.hpp"
#include "engine/output/buffered_text.hpp"
#include "engine/output/point_conversion.hpp"
#include "engine/records.hpp"

namespace vc::engine {

enum class PointAnnotation {
  kDate,
  kVelocity,
  kCourse,
  kHeading,
  kLegTime,
  kLegLength,
  kLegVelocity,
};

bool IsChosen(PointAnnotation annotation, const ConvertOptions& options);

// The points annotated are 1, 1 + step, 1 + 2 step, ...: the sign of the
// step is ignored, and a step of 0, which would never advance, counts as 1.
std::size_t PointStepOf(std::int16_t step) noexcept;
bool AnyPointAnnotationChosen(const ConvertOptions& options);

void AppendAnnotation(std::string& out, PointAnnotation annotation, const TrackPoints& points,
                      const TrkPnt& point, ConvertedPoint& converted);

// The annotations chosen for the points of a track, looked up once per
// track instead of once per point.
class ChosenAnnotations {
 public:
  explicit ChosenAnnotations(const ConvertOptions& options) noexcept;

  // The MPS point's str "[date],[velocity],[course],[heading]" and info
  // "[leg time],[leg length],[leg velocity]": an annotation not chosen
  // leaves its place empty, so the commas are always there.
  void PutMpsStr(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                 ConvertedPoint& converted) const;
  void PutMpsInfo(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                  ConvertedPoint& converted) const;
  // The chosen annotations alone, joined by ", " (GPX and KML descriptions).
  void PutJoined(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                 ConvertedPoint& converted) const;

 private:
  void PutPlaces(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                 ConvertedPoint& converted, std::size_t first, std::size_t last) const;

  std::uint8_t chosen_ = 0;  // a bit per annotation
};

// The same, for one point, into a string.
void AppendMpsPointStr(std::string& out, const TrackPoints& points, const TrkPnt& point,
                       ConvertedPoint& converted, const ConvertOptions& options);
void AppendMpsPointInfo(std::string& out, const TrackPoints& points, const TrkPnt& point,
                        ConvertedPoint& converted, const ConvertOptions& options);
void AppendChosenAnnotations(std::string& out, const TrackPoints& points, const TrkPnt& point,
                             ConvertedPoint& converted, const ConvertOptions& options);

}  // namespace vc::engine
