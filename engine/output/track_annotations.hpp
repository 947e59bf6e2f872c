// The annotations of a track point that the user ticks, in the words of the
// MPS point statements, which the GPX and KML outputs repeat:
//
//   date          the point's time as the output writes it
//   velocity      "36.00(km/hr)", "-(km/hr)" when the receiver gave none
//   course        "45.00(deg[tr])"         heading  "45.00(deg[hd])"
//   leg time      "10(s)"   leg length "100.0(m)"   leg velocity "36.00(km/hr)"
#pragma once

#include <string>

#include "engine/options.hpp"
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
bool AnyPointAnnotationChosen(const ConvertOptions& options);

void AppendAnnotation(std::string& out, PointAnnotation annotation, const TrkPnt& point,
                      const ConvertedPoint& converted);

// The MPS point's str "[date],[velocity],[course],[heading]" and info
// "[leg time],[leg length],[leg velocity]": an annotation not chosen leaves
// its place empty, so the commas are always there.
void AppendMpsPointStr(std::string& out, const TrkPnt& point, const ConvertedPoint& converted,
                       const ConvertOptions& options);
void AppendMpsPointInfo(std::string& out, const TrkPnt& point, const ConvertedPoint& converted,
                        const ConvertOptions& options);

// The chosen annotations alone, joined by ", " (GPX and KML descriptions).
void AppendChosenAnnotations(std::string& out, const TrkPnt& point, const ConvertedPoint& converted,
                             const ConvertOptions& options);

}  // namespace vc::engine
