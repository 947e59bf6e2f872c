// Test support for waypoints and route points: a point made from its texts,
// and a stored point's texts gathered back.
#pragma once

#include <cstddef>
#include <string>

#include "engine/records.hpp"

namespace vc::testing {

// Every text of a waypoint or route point.
struct PointTexts {
  std::string name{};
  std::string lat{};
  std::string lon{};
  std::string info1{};
  std::string info2{};
  std::string info3{};
  std::string recDatum{};
  std::string recUtcOffset{};
  std::string recCoordFormat{};
};

inline void SetPointTexts(engine::RoutePoints& points, engine::RtePnt& point,
                          const PointTexts& texts) {
  points.SetText(point, engine::PointText::kName, texts.name);
  points.SetText(point, engine::PointText::kInfo1, texts.info1);
  points.SetText(point, engine::PointText::kInfo2, texts.info2);
  points.SetText(point, engine::PointText::kInfo3, texts.info3);
  points.SetLabels(point, texts.recDatum, texts.recUtcOffset, texts.recCoordFormat);
  points.SetCoord(point, engine::PointField::kLat, texts.lat);
  points.SetCoord(point, engine::PointField::kLon, texts.lon);
}

inline engine::RtePnt& AddRoutePoint(engine::RoutePoints& points, const PointTexts& texts) {
  engine::RtePnt& point = points.Add();
  SetPointTexts(points, point, texts);
  return point;
}

inline void SetWaypoint(engine::WptRec& waypoint, const PointTexts& texts) {
  SetPointTexts(waypoint.store, waypoint.Begin(), texts);
}

// Point number n of the route, as texts.
inline PointTexts RoutePointTexts(const engine::RoutePoints& points, std::size_t n) {
  const engine::RtePnt& point = points[n];
  PointTexts texts;
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

inline PointTexts WaypointTexts(const engine::WptRec& waypoint) {
  return RoutePointTexts(waypoint.store, 1);
}

}  // namespace vc::testing
