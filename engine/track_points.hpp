// The points of a track, held as numbers.
//
// A track may hold a million points, so a point is a small trivially
// copyable struct: each field is the number its text stands for, and the
// text is made again when it is written. That gives the same bytes for
// every text the program could have written itself (a general number
// "36.0072", a date and time "2002/07/15 09:04:05"). The rare field whose
// text is not the canonical text of its value (an input's own spelling
// "0.50", the "-" of a value the receiver did not give, a text that reads as
// no number) keeps its own text in the track's text store, and a bit of the
// point says so. The point's datum, UTC offset and coordinate form are the
// same for almost every point of a track: the point holds the number of
// that triple in the track's table of labels.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "engine/point_list.hpp"
#include "engine/point_store.hpp"
#include "geo/coord_text.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

enum class PointField : std::uint8_t {
  kLat,
  kLon,
  kDateTime,
  kVelocity,   // km/h
  kTrkDegree,  // course over ground, degrees from north
  kPosError,   // metres
  kHeadDegree,
};
inline constexpr std::size_t kPointFieldCount = 7;

// How a time kept as seconds is written: in full ("2002/07/15 09:04:05",
// a time of day alone as "09:04:05") or in the general form
// ("2002/07/15 9:04:05").
enum class TimeForm : std::uint8_t { kDateTime, kGeneralDateTime };

struct TrkPnt {
  union Slot {
    double number;               // the value whose general text is the field's text
    text::LocalSeconds seconds;  // kDateTime: the time, written in timeForm
    std::uint64_t textAt;        // the field's own text, in the track's store
  };
  static constexpr unsigned kLabelBits = 24;
  static constexpr unsigned kLegTimeBits = 23;

  std::array<Slot, kPointFieldCount> slot{};
  double legLength = 0;  // metres from the previous point
  // The rest in eight bytes, as a track may hold millions of points; the
  // bits asked for most at the ends of the word, where they need no shift
  // or no mask.
  std::uint64_t ownText : kPointFieldCount = 0;  // a bit per field whose slot is textAt
  // A bit per coordinate whose number is the decimal degrees its text was
  // written from in the point's own form; otherwise the text of a number is
  // its general text.
  std::uint64_t fromDegrees : 2 = 0;
  TimeForm timeForm : 1 = TimeForm::kDateTime;
  // Hundredths of a second after the time's whole seconds (a receiver's
  // fractional times): the legs count them, the texts do not.
  std::uint64_t hundredths : 7 = 0;
  // The leg time (TrackPoints::LegTime) as whole hundredths of a second;
  // a leg too long for that is kept by the track instead.
  std::uint64_t legTimeCode : kLegTimeBits = 0;
  // Datum, UTC offset and form, in the track's table.
  std::uint64_t labels : kLabelBits = 0;

  [[nodiscard]] bool HasOwnText(PointField field) const noexcept {
    return (ownText & Bit(field)) != 0;
  }
  [[nodiscard]] bool IsFromDegrees(PointField field) const noexcept {
    return (fromDegrees & Bit(field)) != 0;
  }
  static constexpr std::uint8_t Bit(PointField field) noexcept {
    return static_cast<std::uint8_t>(1U << static_cast<unsigned>(field));
  }
  // The number of the point's labels in the track's table (< 2^24).
  [[nodiscard]] std::uint32_t LabelNumber() const noexcept {
    return static_cast<std::uint32_t>(labels);
  }
  void SetLabelNumber(std::uint32_t number) noexcept { labels = number & ((1U << kLabelBits) - 1); }
  // 0 to 99; anything else is clamped.
  void SetHundredths(int count) noexcept {
    hundredths = static_cast<unsigned>(count < 0 ? 0 : count > 99 ? 99 : count) & 0x7FU;
  }
  void SetOwnTextBit(PointField field, bool own) noexcept {
    const unsigned bits = own ? (ownText | Bit(field)) : (ownText & ~unsigned{Bit(field)});
    ownText = bits & ((1U << kPointFieldCount) - 1);
  }
  void SetFromDegreesBit(PointField field, bool from) noexcept {
    const unsigned bits = from ? (fromDegrees | Bit(field)) : (fromDegrees & ~unsigned{Bit(field)});
    fromDegrees = bits & 3U;
  }
};
static_assert(std::is_trivially_copyable_v<TrkPnt>);
static_assert(sizeof(TrkPnt) == 72);

// The value of `text` when the text is exactly the general text of that
// value, so that the value can stand for the text; nullopt otherwise.
std::optional<double> GeneralTextValue(std::string_view text) noexcept;

// Points of one track, numbered from 1 as in the files, with the texts and
// labels they refer to. Clearing keeps the storage for the next track.
class TrackPoints {
 public:
  TrackPoints() { Clear(); }
  TrackPoints(const TrackPoints&) = delete;
  TrackPoints& operator=(const TrackPoints&) = delete;

  void Clear() noexcept;
  // The next point: every field "", labels all empty, no legs.
  TrkPnt& Add();
  // Takes back the point last added; its own texts stay stored until Clear.
  void DropLast() noexcept { points_.DropLast(); }
  [[nodiscard]] std::size_t Count() const noexcept { return points_.Count(); }
  TrkPnt& operator[](std::size_t n) noexcept { return points_[n]; }
  const TrkPnt& operator[](std::size_t n) const noexcept { return points_[n]; }

  // --- setting fields
  // The text as it stands: kept as its number when it is that number's
  // general text (a date and time: when it is one of the two forms the
  // program writes), as its own text otherwise.
  void SetText(TrkPnt& point, PointField field, std::string_view text);
  // The general text of `value` ("0" for what is not finite).
  static void SetNumber(TrkPnt& point, PointField field, double value) noexcept;
  // The same for a value that is already what its general text reads back
  // as (text::RoundToGeneral), and not -0.
  static void SetRoundedNumber(TrkPnt& point, PointField field, double rounded) noexcept {
    point.SetOwnTextBit(field, false);
    point.SetFromDegreesBit(field, false);
    point.slot[static_cast<std::size_t>(field)].number = rounded;
  }
  // A coordinate whose text is `degrees` (decimal degrees, as read from a
  // "D" text) written in the point's own form, "MPS" or "PAO".
  static void SetCoordFromDegrees(TrkPnt& point, PointField field, double degrees) noexcept {
    point.SetOwnTextBit(field, false);
    point.SetFromDegreesBit(field, true);
    point.slot[static_cast<std::size_t>(field)].number = degrees;
  }
  // The time written for `seconds` in `form`; `seconds` must be writable.
  static void SetTime(TrkPnt& point, text::LocalSeconds seconds,
                      TimeForm form = TimeForm::kDateTime) noexcept {
    point.SetOwnTextBit(PointField::kDateTime, false);
    point.slot[static_cast<std::size_t>(PointField::kDateTime)].seconds = seconds;
    point.timeForm = form;
  }
  void SetLabels(TrkPnt& point, std::string_view datum, std::string_view utcOffset,
                 std::string_view coordFormat);
  void SetDatum(TrkPnt& point, std::string_view datum);

  // --- legs
  // Seconds from the previous point, never negative.
  [[nodiscard]] double LegTime(const TrkPnt& point) const noexcept {
    if (point.legTimeCode == kLongLeg) return LongLegTime(point);
    return static_cast<double>(point.legTimeCode) / kHundredthsPerSecond;
  }
  void SetLegTime(TrkPnt& point, double seconds) {
    // Exact when whole hundredths give back the same double; a leg
    // computed from the times always does, unless it is too long.
    const double hundredths = seconds * kHundredthsPerSecond;
    if (hundredths >= 0 && hundredths < kLongLeg) {
      const auto code = static_cast<std::uint32_t>(hundredths + 0.5);
      if (static_cast<double>(code) / kHundredthsPerSecond == seconds) {
        point.legTimeCode = code & kLongLeg;
        return;
      }
    }
    SetLongLegTime(point, seconds);
  }
  // Km/h from the previous point, as its general text reads back; 0 when the
  // leg took no time.
  [[nodiscard]] double LegVelocity(const TrkPnt& point) const noexcept;

  // --- reading fields
  void AppendText(std::string& out, const TrkPnt& point, PointField field) const;
  // As AppendText, without the spaces around an own text.
  void AppendTrimmed(std::string& out, const TrkPnt& point, PointField field) const;
  [[nodiscard]] std::string Text(const TrkPnt& point, PointField field) const;
  // The field's own text; nullopt when it is kept as a number or a time.
  [[nodiscard]] std::optional<std::string_view> OwnText(const TrkPnt& point,
                                                        PointField field) const noexcept;
  // The text's leading numeric value (of a coordinate's text too).
  [[nodiscard]] double Value(const TrkPnt& point, PointField field) const;
  // "-" with or without spaces around it: no value.
  [[nodiscard]] bool IsNotAvailable(const TrkPnt& point, PointField field) const noexcept;
  // The time read as a date and time; nullopt when it does not read as one.
  [[nodiscard]] std::optional<text::LocalSeconds> Seconds(const TrkPnt& point) const noexcept {
    if (point.HasOwnText(PointField::kDateTime)) return OwnTextSeconds(point);
    return point.slot[static_cast<std::size_t>(PointField::kDateTime)].seconds;
  }

  [[nodiscard]] const PointLabels& Labels(const TrkPnt& point) const noexcept {
    return labels_[point.labels];
  }
  [[nodiscard]] std::string_view Datum(const TrkPnt& point) const noexcept {
    return Labels(point).datum;
  }
  [[nodiscard]] std::string_view UtcOffset(const TrkPnt& point) const noexcept {
    return Labels(point).utcOffset;
  }
  [[nodiscard]] std::string_view CoordFormat(const TrkPnt& point) const noexcept {
    return Labels(point).coordFormat;
  }

  // The coordinate in decimal degrees, as its "D" text reads.
  [[nodiscard]] double Degrees(const TrkPnt& point, PointField field) const {
    // The usual case, a log's points in "D": a stored number is its own
    // rounding. Asked for every point while a track is read.
    if (((point.ownText | point.fromDegrees) & TrkPnt::Bit(field)) != 0 ||
        Labels(point).reading != FormReading::kDegrees) {
      return OtherDegrees(point, field);
    }
    return geo::GeneralDecimalDegrees(point.slot[static_cast<std::size_t>(field)].number);
  }
  // Appends the coordinate converted from its own form to `toForm`.
  void AppendCoordIn(std::string& out, const TrkPnt& point, PointField field,
                     std::string_view toForm) const;
  // The coordinate's text: its own text, or written into `scratch`.
  std::string_view CoordText(const TrkPnt& point, PointField field, std::string& scratch) const;

 private:
  // Leg times of whole hundredths below this are held by the point.
  static constexpr std::uint32_t kLongLeg = (1U << TrkPnt::kLegTimeBits) - 1;
  static constexpr double kHundredthsPerSecond = 100;
  struct LongLeg {
    std::size_t number;  // of the point
    double seconds;
  };

  [[nodiscard]] double LongLegTime(const TrkPnt& point) const noexcept;
  void SetLongLegTime(TrkPnt& point, double seconds);
  void SetOwnText(TrkPnt& point, PointField field, std::string_view text);
  void SetTimeText(TrkPnt& point, std::string_view text);
  [[nodiscard]] std::optional<text::LocalSeconds> OwnTextSeconds(
      const TrkPnt& point) const noexcept;
  [[nodiscard]] double OtherDegrees(const TrkPnt& point, PointField field) const;
  [[nodiscard]] std::string_view StoredText(std::uint64_t at) const noexcept {
    return texts_.Text(at);
  }

  PointList<TrkPnt> points_;
  // Own texts; the short texts most often repeated are stored once.
  TextStore texts_;
  LabelTable labels_;
  // The leg times the points cannot hold, by point number.
  std::vector<LongLeg> longLegs_;
  std::string scratch_;
};

}  // namespace vc::engine
