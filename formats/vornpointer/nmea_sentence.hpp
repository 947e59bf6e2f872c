// NMEA 0183 sentences of a Garmin receiver, as the VornPointer NMEA log
// (.vrn) records them.
//
// A sentence starts with "$" and its identifier; its fields follow, each after
// a comma; "*" and two hexadecimal digits end it. The checksum is not
// verified: "*" simply ends a field like a comma, and a sentence cut short or
// holding garbage gives empty or zero values. Field 0 is the identifier;
// fields past number 50 are not kept. Only these fields are read:
//
// $GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A
//   1 time hhmmss[.ss]  3 latitude ddmm.mmmm  4 N/S  5 longitude dddmm.mmmm
//   6 E/W  7 speed, knots  8 course over ground, degrees  9 date ddmmyy
//   10 magnetic variation, degrees  11 E/W of the variation
//   (2, the status A or V, is ignored: demo receivers send positions with V)
// $GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53
//   1 time  2 latitude  3 N/S  4 longitude  5 E/W  6 fix quality (1 GPS,
//   2 differential)  9 antenna altitude above mean sea level, metres
//   (11, the geoid separation, is not added: the altitude is above sea level)
// $GPGLL,4527.458,S,16709.165,E,225309,A*3E
//   1 latitude  2 N/S  3 longitude  4 E/W  5 time
// $PGRME,9.1,M,15.0,M,12.0,M*21       1 horizontal position error, metres
// $PGRMZ,48,f,3*27                    1 altitude, feet
// $GPGSA,A,3,01,,,,13,20,22,,,,28,,3.1,2.1,2.0*3A
//                                     2 fix mode: 1 none, 2 2-D, 3 3-D
// $HCHDG,101.1,,,7.1,W*3C             1 heading, degrees
//
// The parsers read each field once: a field the log layout takes as it
// stands stays a view into the sentence, a number is read as its leading
// numeric value; an empty field gives no value, so a missing value can be
// told from a zero:
//   time       hhmmss[.ss] as sent; its log text is "hh:nn:ss" from
//              characters 1-6, fractions of a second dropped
//   date       ddmmyy as sent; its log text is "20yy/mm/dd": every year lies
//              in 2000 to 2099
//   speed      knots * 1.852 / 3.6, metres per second
//   altitude   feet * 0.3048, metres ($PGRMZ); metres as sent ($GPGGA)
//   quality    normal for 1, differential for 2, none for any other value
//   fix mode   "2D" for 2, "3D" for 3, empty for any other value
//   variation  its number; its side 1 for E, -1 for W, 0 otherwise
//   course, heading, position error: as sent
// A position stays as sent; only the one a block uses is converted to
// decimal degrees (NmeaDegrees): ddmm.mmmm divided by 100 is the "DM"
// coordinate form, degrees and then the minutes as the first two decimals.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/datetime.hpp"

namespace vc::vp {

// Fields 0 to fields.size() - 1 of a sentence, viewing into it; absent
// fields are empty. The rest of the sentence is not looked at, which is how
// fields past number 50 are dropped.
void SplitSentence(std::string_view sentence, std::span<std::string_view> fields) noexcept;

// The first sentence of `block` that starts with `identifier` ("$GPRMC"), up
// to the next "$" or the end of the block; its checksum stays at its end.
// Empty when the block has none.
std::string_view ExtractSentence(std::string_view block, std::string_view identifier) noexcept;

// The decimal degrees of a latitude or longitude sent as ddmm.mmmm
// (unsigned), as the general text of that value reads back.
double NmeaDegrees(std::string_view ddmm);

// The texts of the log layout made from a time or date field (see above);
// nothing for an empty field.
void AppendLogTime(std::string& out, std::string_view hhmmss);
void AppendLogDate(std::string& out, std::string_view ddmmyy);
// The date and time whose canonical text ("yyyy/mm/dd hh:nn:ss") is the log
// text of these two fields: both start with six digits that make a real
// date and time. nullopt otherwise; the log texts then stand as made.
std::optional<text::LocalSeconds> NmeaDateTime(std::string_view ddmmyy,
                                               std::string_view hhmmss) noexcept;

// NmeaDateTime for the fixes of a log one after the other: the seconds of
// the start of the day are made again only when the date field changes,
// which in a log of one day is once.
class NmeaDayMemo {
 public:
  std::optional<text::LocalSeconds> DateTime(std::string_view ddmmyy,
                                             std::string_view hhmmss) noexcept;

 private:
  std::uint64_t date_ = 0;  // the six characters of the last date; 0 before any
  std::optional<text::LocalSeconds> dayStart_;
};

enum class FixQuality : std::uint8_t { kNone, kNormal, kDifferential };

// Every view points into the sentence that was parsed.
struct NmeaPosition {
  std::string_view latHemisphere;  // "N", "S" or whatever the sentence sent
  std::string_view lat;            // ddmm.mmmm as sent
  std::string_view lonHemisphere;
  std::string_view lon;  // dddmm.mmmm as sent
};

struct RmcResult {
  std::string_view date;  // ddmmyy
  std::string_view time;  // hhmmss[.ss]
  NmeaPosition position;
  std::optional<double> speed;       // metres per second
  std::string_view course;           // degrees, as sent
  std::optional<double> variation;   // degrees
  std::optional<int> variationSign;  // 1, -1 or 0
};

struct GgaResult {
  std::string_view time;
  NmeaPosition position;
  // Metres above mean sea level, as sent: read (GgaHeight) only when the
  // block has no $PGRMZ altitude.
  std::string_view height;
  FixQuality quality = FixQuality::kNone;
};

// The $GPGGA height as its general text reads back; nothing when it is empty.
std::optional<double> GgaHeight(const GgaResult& gga) noexcept;

struct GllResult {
  std::string_view time;
  NmeaPosition position;
};

// The results of every sentence that a block is read for, valid while the
// block's text is.
struct NmeaSentences {
  RmcResult rmc;
  GgaResult gga;
  GllResult gll;
  std::string_view positionError;
  std::optional<double> altitude;
  std::string_view fixMode;  // "2D", "3D" or empty
  std::string_view heading;
};

// Each parser takes the sentence text (empty when the block has none) and
// replaces its results; an empty sentence gives empty results.
void ParseRmc(std::string_view sentence, RmcResult& out);
void ParseGga(std::string_view sentence, GgaResult& out);
void ParseGll(std::string_view sentence, GllResult& out);
void ParseErrorEstimate(std::string_view sentence, std::string_view& positionError);  // $PGRME
void ParseAltitude(std::string_view sentence, std::optional<double>& altitude);       // $PGRMZ
void ParseGsa(std::string_view sentence, std::string_view& fixMode);
void ParseHchdg(std::string_view sentence, std::string_view& heading);

}  // namespace vc::vp
