// The record model: one waypoint, one whole route or one whole track at a
// time, streamed from the reader to the writer.
//
// Every field is a text, kept exactly as read; numbers are taken from a text
// by its leading numeric value. The leg and total values are computed by the
// program, so they are kept as numbers already rounded to what their general
// text reads back as (RoundToGeneral): arithmetic on them is arithmetic on
// the stored texts, and the text is formatted on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vc::engine {

// The option text that lets each record keep its own value.
inline constexpr const char* kDataPriority = "データ優先";

enum class RecordKind {
  kNone,  // a reading that consumed input without producing a record
  kWpt,
  kRte,
  kTrk,
  kEof,
};

struct WptRec {
  std::string name;
  std::string lat;
  std::string lon;
  std::string info1;
  std::string info2;
  std::string info3;
  std::string recDatum;
  std::string recUtcOffset;
  std::string recCoordFormat;
};

struct RteHdr {
  std::string rteNo;
  std::string rteName;
  std::string pntNum;
};

struct TrkHdr {
  std::string pntNum;
  double totalTripTime = 0;    // seconds
  double totalTripLength = 0;  // metres
  double totalVelocity = 0;    // km/h
  std::string trkFlag;
  std::string trkCode;
  std::string trkName;
};

// "-" in velocity, trkDegree, posError and headDegree means not available.
struct TrkPnt {
  std::string lat;
  std::string lon;
  std::string dateTime;
  std::string velocity;   // km/h
  std::string trkDegree;  // course over ground, degrees from north
  std::int64_t legTime = 0;  // seconds from the previous point, never negative
  double legLength = 0;      // metres from the previous point
  double legVelocity = 0;    // km/h
  std::string posError;
  std::string headDegree;
  std::string recDatum;
  std::string recUtcOffset;
  std::string recCoordFormat;
};

// Points of one record, numbered from 1 as in the files. Clearing keeps the
// elements, so reading the next record reuses their string buffers instead of
// allocating again.
template <typename Point>
class PointList {
 public:
  void Clear() noexcept { count_ = 0; }
  // The next point; its fields hold whatever an earlier record left there, so
  // a reader assigns every field.
  Point& Add() {
    if (count_ == points_.size()) points_.emplace_back();
    return points_[count_++];
  }
  [[nodiscard]] std::size_t Count() const noexcept { return count_; }
  // Point number n, 1 <= n <= Count().
  Point& operator[](std::size_t n) noexcept { return points_[n - 1]; }
  const Point& operator[](std::size_t n) const noexcept { return points_[n - 1]; }
  // Returns memory kept from a longer earlier record.
  void ShrinkTo(std::size_t keep) {
    if (points_.size() > keep && points_.size() > count_) {
      points_.resize(count_ > keep ? count_ : keep);
      points_.shrink_to_fit();
    }
  }

 private:
  std::vector<Point> points_;
  std::size_t count_ = 0;
};

struct RecordBuffers {
  WptRec wpt;
  RteHdr rteHdr;
  PointList<WptRec> rtePnt;
  TrkHdr trkHdr;
  PointList<TrkPnt> trkPnt;
};

}  // namespace vc::engine
