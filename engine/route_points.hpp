// The points of a route, held as numbers and stored texts.
//
// A route may hold a million points, so a point is a small trivially
// copyable struct in the manner of a track point (track_points.hpp): each
// coordinate is the number its text stands for, the name and the comments
// are stored once in the route's text store, and the datum, UTC offset and
// coordinate form are the number of that triple in the route's table of
// labels. A coordinate keeps its text exactly: as the general text of its
// number, as a decimal with a fixed count of decimals after blanks (the
// " 35.731200" of Waypoint+ files), as the decimal degrees it was read from
// (an MPS script's points), or else as its own text in the store.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "engine/point_list.hpp"
#include "engine/track_points.hpp"

namespace vc::engine {

// The texts of a route point besides its coordinates.
enum class PointText : std::uint8_t { kName, kInfo1, kInfo2, kInfo3 };
inline constexpr std::size_t kPointTextCount = 4;

struct RtePnt {
  // Indexed by PointField::kLat and kLon: a number, or textAt.
  std::array<TrkPnt::Slot, 2> coord{};
  // Where each text of PointText starts in the route's store (0 is "").
  std::array<std::uint64_t, kPointTextCount> textAt{};
  std::uint32_t labels = 0;  // datum, UTC offset and form, in the route's table
  // Per coordinate: 0 for the general text of `coord`; otherwise the fixed
  // spelling, (blanks << 4) | (decimals + 1).
  std::array<std::uint8_t, 2> spelling{};
  // A bit per coordinate (PointField bit) whose text is in the store.
  std::uint8_t ownText = 0;
  // A bit per coordinate whose number is the decimal degrees its text was
  // written from in the point's own form.
  std::uint8_t fromDegrees = 0;

  [[nodiscard]] bool HasOwnText(PointField field) const noexcept {
    return (ownText & TrkPnt::Bit(field)) != 0;
  }
  [[nodiscard]] bool IsFromDegrees(PointField field) const noexcept {
    return (fromDegrees & TrkPnt::Bit(field)) != 0;
  }
};
static_assert(std::is_trivially_copyable_v<RtePnt>);
static_assert(sizeof(RtePnt) <= 56);

// Points of one route (or the one point of a waypoint), numbered from 1 as
// in the files. Clearing keeps the storage for the next record.
class RoutePoints {
 public:
  RoutePoints() { Clear(); }
  RoutePoints(const RoutePoints&) = delete;
  RoutePoints& operator=(const RoutePoints&) = delete;

  void Clear() noexcept;
  // The next point: every text "", labels all empty.
  RtePnt& Add();
  [[nodiscard]] std::size_t Count() const noexcept { return points_.Count(); }
  RtePnt& operator[](std::size_t n) noexcept { return points_[n]; }
  const RtePnt& operator[](std::size_t n) const noexcept { return points_[n]; }

  // --- setting fields
  void SetText(RtePnt& point, PointText field, std::string_view text);
  // A coordinate's text as it stands (kLat or kLon).
  void SetCoord(RtePnt& point, PointField field, std::string_view text);
  // A coordinate whose text is `degrees` (decimal degrees) written in the
  // point's own form.
  static void SetCoordFromDegrees(RtePnt& point, PointField field, double degrees) noexcept;
  void SetLabels(RtePnt& point, std::string_view datum, std::string_view utcOffset,
                 std::string_view coordFormat);

  // --- reading fields
  [[nodiscard]] std::string_view Text(const RtePnt& point, PointText field) const noexcept {
    return StoredText(point.textAt[static_cast<std::size_t>(field)]);
  }
  [[nodiscard]] const PointLabels& Labels(const RtePnt& point) const noexcept {
    return labels_[point.labels];
  }
  [[nodiscard]] std::string_view Datum(const RtePnt& point) const noexcept {
    return Labels(point).datum;
  }
  [[nodiscard]] std::string_view UtcOffset(const RtePnt& point) const noexcept {
    return Labels(point).utcOffset;
  }
  [[nodiscard]] std::string_view CoordFormat(const RtePnt& point) const noexcept {
    return Labels(point).coordFormat;
  }
  void AppendCoordText(std::string& out, const RtePnt& point, PointField field) const;
  // The coordinate's text: its own text, or written into `scratch`.
  std::string_view CoordText(const RtePnt& point, PointField field, std::string& scratch) const;
  // The coordinate in decimal degrees, as its "D" text reads.
  [[nodiscard]] double Degrees(const RtePnt& point, PointField field) const;
  // Appends the coordinate converted from its own form to `toForm`.
  void AppendCoordIn(std::string& out, const RtePnt& point, PointField field,
                     std::string_view toForm) const;

 private:
  [[nodiscard]] std::string_view StoredText(std::uint64_t at) const noexcept {
    return texts_.Text(at);
  }
  // The number of a coordinate that reads by its leading value alone.
  [[nodiscard]] bool IsDecimalNumber(const RtePnt& point, PointField field) const noexcept;
  PointList<RtePnt> points_;
  TextStore texts_;
  LabelTable labels_;
};

}  // namespace vc::engine
