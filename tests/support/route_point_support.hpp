// Test support for route points: a point made from the texts of a WptRec,
// and a stored point's texts gathered back into one.
#pragma once

#include <cstddef>
#include <string>

#include "engine/records.hpp"

namespace vc::testing {

inline engine::RtePnt& AddRoutePoint(engine::RoutePoints& points, const engine::WptRec& texts) {
  engine::RtePnt& point = points.Add();
  points.SetText(point, engine::PointText::kName, texts.name);
  points.SetText(point, engine::PointText::kInfo1, texts.info1);
  points.SetText(point, engine::PointText::kInfo2, texts.info2);
  points.SetText(point, engine::PointText::kInfo3, texts.info3);
  points.SetLabels(point, texts.recDatum, texts.recUtcOffset, texts.recCoordFormat);
  points.SetCoord(point, engine::PointField::kLat, texts.lat);
  points.SetCoord(point, engine::PointField::kLon, texts.lon);
  return point;
}

// Point number n of the route, as texts.
inline engine::WptRec RoutePointTexts(const engine::RoutePoints& points, std::size_t n) {
  const engine::RtePnt& point = points[n];
  engine::WptRec texts;
  texts.name = points.Text(point, engine::PointText::kName);
  texts.info1 = points.Text(point, engine::PointText::kInfo1);
  texts.info2 = points.Text(point, engine::PointText::kInfo2);
  texts.info3 = points.Text(point, engine::PointText::kInfo3);
  points.AppendCoordText(texts.lat, point, engine::PointField::kLat);
  points.AppendCoordText(texts.lon, point, engine::PointField::kLon);
  texts.recDatum = points.Datum(point);
  texts.recUtcOffset = points.UtcOffset(point);
  texts.recCoordFormat = points.CoordFormat(point);
  return texts;
}

}  // namespace vc::testing
