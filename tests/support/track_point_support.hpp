// Track points as texts, the way the tests state them and compare them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/records.hpp"

namespace vc::testing {

struct TrackPointTexts {
  std::string lat;
  std::string lon;
  std::string dateTime;
  std::string velocity = "-";
  std::string trkDegree = "-";
  std::string posError = "-";
  std::string headDegree = "-";
  std::string recDatum = "TOKYO";
  std::string recUtcOffset = "+9";
  std::string recCoordFormat = "D";
  double legTime = 0;
  double legLength = 0;
  double legVelocity = 0;
};

// Point n of the list, every field as the writers would see its text.
inline TrackPointTexts TextsOf(const engine::TrackPoints& points, std::size_t n) {
  using engine::PointField;
  const engine::TrkPnt& point = points[n];
  TrackPointTexts texts;
  texts.lat = points.Text(point, PointField::kLat);
  texts.lon = points.Text(point, PointField::kLon);
  texts.dateTime = points.Text(point, PointField::kDateTime);
  texts.velocity = points.Text(point, PointField::kVelocity);
  texts.trkDegree = points.Text(point, PointField::kTrkDegree);
  texts.posError = points.Text(point, PointField::kPosError);
  texts.headDegree = points.Text(point, PointField::kHeadDegree);
  texts.recDatum = points.Datum(point);
  texts.recUtcOffset = points.UtcOffset(point);
  texts.recCoordFormat = points.CoordFormat(point);
  texts.legTime = points.LegTime(point);
  texts.legLength = point.legLength;
  texts.legVelocity = points.LegVelocity(point);
  return texts;
}

// Adds a point holding the texts; its legs are those of the texts, except
// the leg velocity, which follows from them.
inline engine::TrkPnt& AddPoint(engine::TrackPoints& points, const TrackPointTexts& texts) {
  using engine::PointField;
  engine::TrkPnt& point = points.Add();
  points.SetLabels(point, texts.recDatum, texts.recUtcOffset, texts.recCoordFormat);
  points.SetText(point, PointField::kLat, texts.lat);
  points.SetText(point, PointField::kLon, texts.lon);
  points.SetText(point, PointField::kDateTime, texts.dateTime);
  points.SetText(point, PointField::kVelocity, texts.velocity);
  points.SetText(point, PointField::kTrkDegree, texts.trkDegree);
  points.SetText(point, PointField::kPosError, texts.posError);
  points.SetText(point, PointField::kHeadDegree, texts.headDegree);
  points.SetLegTime(point, texts.legTime);
  point.legLength = texts.legLength;
  return point;
}

}  // namespace vc::testing
