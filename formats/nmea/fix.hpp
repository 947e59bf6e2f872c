// Fixes from a stream of NMEA 0183 sentences.
//
// A receiver sends the sentences of one measurement cycle one after the
// other, then those of the next, with nothing between the cycles. A new fix
// starts when a position sentence ($--RMC, $--GGA or $--GLL) of a kind
// already seen in the current fix comes again with another time. A repeat
// with the same time, as serial glitches make, stays in the fix; so does
// every other sentence. Of each kind the last one counts. The time alone
// does not split a cycle: receivers do not always stamp the RMC and GGA of
// one cycle with the same second (a Garmin 48 sends its GLL a second later).
//
// What a fix takes from its sentences:
//   position, time  $--RMC (status A), else $--GGA (quality not 0), else
//                   $--GLL (status A); S and W make a coordinate negative
//   date            $--RMC ddmmyy (years 2000 to 2099), else $--ZDA
//   speed, course   $--RMC, else $--VTG
//   heading         $--HDG or $--HDT, minus the $--RMC magnetic variation
//                   (east positive) of the fix or the last one seen
//   height          $--GGA, metres above mean sea level
//   altitude        $PGRMZ (feet, or metres with the unit "m")
//   position error  $PGRME, metres
// $PGRMM names the datum of the positions; it holds for the whole stream.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "formats/nmea/sentence.hpp"

namespace vc::nmea {

// Where one measurement cycle ends and the next begins: at a position
// sentence of a kind already seen in the cycle, with another time.
class CycleBoundary {
 public:
  // True when a position sentence of `kind` with `time` (TimeOfDaySeconds)
  // begins a new cycle; it then counts as the first of that cycle. Other
  // kinds never begin one.
  bool Begins(SentenceKind kind, double time) noexcept;
  void Reset() noexcept { seen_ = {}; }

 private:
  std::array<bool, 3> seen_{};  // RMC, GGA, GLL
  std::array<double, 3> times_{};
};

struct NmeaFix {
  bool hasPosition = false;
  // Decimal degrees, north and east positive, as their general texts read
  // back.
  double lat = 0;
  double lon = 0;
  // Seconds since midnight, fractions kept; negative when no position
  // sentence of the fix carried a time.
  double timeOfDay = -1;
  int year = 0;  // 0: the fix has no date
  int month = 0;
  int day = 0;
  std::optional<double> speedKmh;
  // Course and heading as their general texts read back.
  std::optional<double> course;   // degrees over ground, true
  std::optional<double> heading;  // degrees
  std::optional<double> height;
  std::optional<double> altitude;
  std::optional<double> positionError;  // as its general text reads back
};

class FixAssembler {
 public:
  // Adds a sentence that passed its checks. True when it began a new fix;
  // the fix before it is then in `completed`.
  bool Add(std::string_view sentence, NmeaFix& completed);
  // The fix still being gathered at the end of the stream; false when no
  // sentence has been added since the last fix was handed out.
  bool Finish(NmeaFix& completed);
  // The datum the last $PGRMM named, as sent; empty before any.
  [[nodiscard]] std::string_view DatumName() const noexcept { return datumName_; }

 private:
  struct PositionSentence {
    bool valid = false;
    double time = -1;
    double lat = 0;
    double lon = 0;
  };

  // The degrees of the last coordinate field read, with its hemisphere: a
  // receiver repeats the position of a cycle in each position sentence.
  class CoordMemo {
   public:
    std::optional<double> Degrees(std::string_view field, std::string_view hemisphere);

   private:
    std::array<char, 32> key_{};  // the field, a comma, the hemisphere
    std::size_t size_ = 0;        // 0: nothing kept
    std::optional<double> degrees_;
  };

  void Complete(NmeaFix& completed) const;
  void Clear();
  // `time` is the sentence's TimeOfDaySeconds.
  void TakePosition(const SentenceFields& fields, SentenceKind kind, double time);

  CycleBoundary boundary_;
  PositionSentence rmc_;
  PositionSentence gga_;
  PositionSentence gll_;
  CoordMemo latMemo_;
  CoordMemo lonMemo_;
  bool any_ = false;
  int year_ = 0;
  int month_ = 0;
  int day_ = 0;
  int zdaYear_ = 0;
  int zdaMonth_ = 0;
  int zdaDay_ = 0;
  std::optional<double> rmcSpeedKmh_;
  std::optional<double> rmcCourse_;
  std::optional<double> vtgSpeedKmh_;
  std::optional<double> vtgCourse_;
  std::optional<double> heading_;
  std::optional<double> height_;
  std::optional<double> altitude_;
  std::optional<double> positionError_;
  // East positive; kept from fix to fix, as receivers send it now and then.
  double variation_ = 0;
  std::string datumName_;
};

}  // namespace vc::nmea
