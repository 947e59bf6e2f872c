// VornPointer log lines: the VRP field layout shared by all three log kinds.
//
// The standard log (.vrp) writes one fix per line as up to 32 fields
// separated by TABs or commas; spaces around a field are not part of it.
// The Garmin log (.vrm) and the NMEA log (.vrn) are brought into the same
// layout (garmin_text.hpp, nmea_block.hpp), so the engine reads every log
// through one record, `LogLine`.
//
//   field  content                                   example
//    1     datum name of the position                WGS84 ("-" from VRM/VRN)
//    2     UTC offset of the time, hours             0
//    3     date and time "yyyy/mm/dd hh:nn:ss"       2002/07/15 03:04:05
//    4     horizontal position error, metres         12
//    5     latitude hemisphere letter                N
//    6     latitude, decimal degrees, - for S        35.20575
//    7     longitude hemisphere letter               E
//    8     longitude, decimal degrees, - for W       139.7525
//    9     altitude, metres                          34
//   10     speed over ground, metres per second      5
//   11     course over ground, degrees from north    36.87
//   12     vertical speed, metres per second         0.12
//   13     vertical direction, "+" up, "-" down      +
//   14     fix type: "2D" "3D", "2d" "3d" (differential), "SM", "--"
//   15     magnetic variation, degrees               3.1
//   16     side of the variation                     "1" E, "-1" W, "0"
//   17     heading, degrees                          ---.-
//   18-32  written by the logger, not read here
//
// Sample VRP line:
//   WGS84,9,2002/07/15 12:04:05,12,N,35.20575,E,139.7525,34,5,36.87,0.12,+,3d,-.-,*,---.-
//
// The logger writes coordinates unsigned, with the hemisphere letters in
// fields 5 and 7. The readers apply the letters: S and W make the degrees
// negative, so a fix south of the equator or west of Greenwich lands there;
// N, E, any other letter or none leave the degrees as written. The letters
// stay in their fields. A line of more than 32 fields keeps its first 32.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/datetime.hpp"
#include "text/line_source.hpp"

namespace vc::vp {

inline constexpr std::size_t kLogFieldCount = 32;

// Field numbers of the VRP layout.
inline constexpr std::size_t kLogDatum = 1;
inline constexpr std::size_t kLogUtcOffset = 2;
inline constexpr std::size_t kLogDateTime = 3;
inline constexpr std::size_t kLogPosError = 4;
inline constexpr std::size_t kLogLatHemisphere = 5;
inline constexpr std::size_t kLogLat = 6;
inline constexpr std::size_t kLogLonHemisphere = 7;
inline constexpr std::size_t kLogLon = 8;
inline constexpr std::size_t kLogAltitude = 9;
inline constexpr std::size_t kLogSpeed = 10;
inline constexpr std::size_t kLogCourse = 11;
inline constexpr std::size_t kLogVerticalSpeed = 12;
inline constexpr std::size_t kLogVerticalDirection = 13;
inline constexpr std::size_t kLogFixType = 14;
inline constexpr std::size_t kLogVariation = 15;
inline constexpr std::size_t kLogVariationSign = 16;
inline constexpr std::size_t kLogHeading = 17;

// What one reading of a log produced. Only kFix becomes a track point.
enum class LogRecord {
  kEnd,         // the file was at its end; field 0 is "EOF"
  kFix,         // a position and a time
  kNoPosition,  // a blank line or block, a Garmin line without a usable fix,
                // or an NMEA block while no position has been seen yet
  kNoTime,      // an NMEA block with a known position but no time in it
};

// Working texts of the readers. They live in the caller's LogLine so that
// their capacity carries over from one record to the next and a long log is
// read without a heap allocation per field.
struct LogWork {
  // The line or the block as read; a VRN block of one fix whose lines all
  // start with "$" is read in `lines` instead, valid until the next reading.
  std::string text;
  std::vector<std::string_view> lines;
  bool textInLines = false;
  // A block of several fixes (a stream without empty lines): the fixes
  // after the one in `text`, from `restAt` on.
  std::string rest;
  std::size_t restAt = 0;
  std::string vrpLine;  // the VRP line made from a Garmin line or NMEA block
  std::string scratch;
  NmeaSentences sentences;
  NmeaDayMemo days;

  // Whether the record's text held anything but spaces.
  [[nodiscard]] bool HeldText() const noexcept;
};

struct LogFixState;

struct LogLine {
  // field[0] is the status, "EOF" or empty; fields 1 to 32 as in the layout.
  std::array<std::string, kLogFieldCount + 1> field;
  LogWork work;
  // A reader that takes each record's fields at once may set `direct`: a
  // record made from the last known values then refers to them instead of
  // copying them into `field`, and is read through Field().
  bool direct = false;
  const LogFixState* fromState = nullptr;
  bool withoutTime = false;  // field 14 reads "--" (a record made from the state)

  [[nodiscard]] bool AtEnd() const noexcept { return field[0] == "EOF"; }
  // Field `number` (1 to 32) of the record, however it was made.
  [[nodiscard]] std::string_view Field(std::size_t number) const;
  // The field's number, when the record refers to the state and the field
  // was set as one; its text is the number's general text.
  [[nodiscard]] const double* Number(std::size_t number) const noexcept;
  // Field 3 as a date and time, when the record refers to the state and
  // the field was set as one.
  [[nodiscard]] std::optional<text::LocalSeconds> DateTime() const noexcept;
};

// The last known values of fields 3 to 17. The Garmin reading sets all of
// them from every non-empty line; the NMEA reading updates those that a block
// carries and keeps the rest, so a block without a sentence repeats the
// value of an earlier block. The owner resets it at the start of each file.
//
// A value computed by the program is kept as the number its general text
// reads back as; the text is made only when someone asks for it, so a
// reader that takes numbers never formats them.
struct LogFixState {
  static constexpr std::size_t kFirst = kLogDateTime;
  static constexpr std::size_t kLast = kLogHeading;
  static constexpr std::size_t kCount = kLast - kFirst + 1;

  // True once a record of the current file gave a position (the NMEA
  // reading); for a Garmin line, whether its fix was usable.
  bool positionSeen = false;

  // The text of LogLine field `logField` (3 to 17).
  [[nodiscard]] const std::string& Field(std::size_t logField) const;
  // The text to change; the field is no longer a number. The reference is
  // for the change at hand, not to be kept.
  std::string& Text(std::size_t logField) noexcept;
  // The field as `text`, changed only when it is not that text already.
  void SetText(std::size_t logField, std::string_view text);
  // The general text of `value`, kept as its number.
  void SetGeneral(std::size_t logField, double value);
  // The same for a value that is already what its general text reads back
  // as (text::RoundToGeneral).
  void SetRounded(std::size_t logField, double rounded) noexcept;
  // The field's number when it was set as one.
  [[nodiscard]] const double* Number(std::size_t logField) const noexcept;
  // The field's leading numeric value.
  [[nodiscard]] double Value(std::size_t logField) const;
  // Field 3 as the date and time its canonical text stands for.
  void SetDateTime(text::LocalSeconds seconds) noexcept;
  // That date and time, when field 3 was set as one.
  [[nodiscard]] std::optional<text::LocalSeconds> DateTime() const noexcept;
  // A comma or a TAB in a field kept as a text (garbage in a sentence).
  [[nodiscard]] bool TextsHoldSeparator() const noexcept;
  // Empties every value and keeps the capacity of the texts.
  void Reset() noexcept;

 private:
  static std::uint32_t Bit(std::size_t logField) noexcept {
    return std::uint32_t{1} << (logField - kFirst);
  }

  mutable std::array<std::string, kCount> value_;
  std::array<double, kCount> number_{};
  text::LocalSeconds dateTime_ = 0;
  std::uint32_t numbers_ = 0;        // fields set as numbers
  std::uint32_t times_ = 0;          // field 3 set as a date and time
  mutable std::uint32_t stale_ = 0;  // numbers whose text is not made yet
  // What TextsHoldSeparator found, for these fields as texts: the texts of a
  // log change seldom (hemisphere letters, the fix mode).
  mutable std::uint32_t checkedTexts_ = 0;
  mutable bool checked_ = false;
  mutable bool separator_ = false;
};

// Cuts the line at every TAB and comma; each piece, without its leading and
// trailing spaces, becomes the next field. A line of N separators gives N + 1
// fields ("" gives one empty field); fields past 32 are dropped and the rest
// of `out` is emptied. The status becomes empty. `text` must not be one of
// the fields of `out`.
void SplitLogLine(std::string_view text, LogLine& out);

// Reads one VRP line and applies its hemisphere letters. At the end of the
// file the status is "EOF" and every field empty. A line without latitude
// and longitude is kNoPosition.
LogRecord ReadVrpLine(text::LineSource& source, LogLine& out);

// Makes the VRP line "-,0," followed by fields 3 to 17 of `state` joined by
// commas, and splits it into `out`, as the Garmin and NMEA readings deliver
// their records. With `out.direct` and values without separators, the
// record refers to `state` instead, which must not change until it is read.
void MakeLogLineFromState(const LogFixState& state, LogLine& out);
// Marks field 14 of a record made from the state as "--".
void MarkWithoutTime(LogLine& out);

// Makes `degrees` negative when `letter` is exactly `negativeLetter` ("S"
// for a latitude, "W" for a longitude). Degrees already negative, and 0
// (which has no side), stay as they are; a leading "+" becomes "-".
void ApplyHemisphere(std::string& degrees, std::string_view letter, char negativeLetter);

// Every field and the status empty.
void ClearLogLine(LogLine& out) noexcept;

}  // namespace vc::vp
