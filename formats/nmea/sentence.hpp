// NMEA 0183 sentences as receivers and logging apps write them: one a line,
// no empty line between the fixes.
//
//   $GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D
//   $GNGGA,093156.500,5333.4037,N,00951.9345,E,1,06,1.7,47.8,M,46.0,M,,0000*68
//   $PGRME,9.1,M,15.0,M,12.0,M*21
//
// "$", the address, the fields each after a comma, then "*" and the
// checksum: two hexadecimal digits of the XOR of every byte between "$" and
// "*". The address is a talker of two letters and the sentence's three (GP
// GPS, GN several systems, GL GLONASS, GA Galileo, GB and BD BeiDou, QZ
// QZSS; the kind of a sentence does not depend on its talker), or "P", a
// maker's code and a sentence letter for proprietary sentences ($PGRME is
// Garmin's "E"). Serial captures hold cut lines, lost line starts and
// binary noise between the sentences.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

namespace vc::nmea {

enum class SentenceState {
  kValid,            // its checksum matches
  kWithoutChecksum,  // no "*": some loggers leave checksums out
  kBadChecksum,      // the checksum does not match the bytes
  kCut,              // ends inside its checksum ("...*7", "...*")
  kNotSentence,      // does not start with "$" and an address
};

// `line` without its line end; spaces at its end are ignored.
SentenceState CheckSentence(std::string_view line) noexcept;

enum class SentenceKind {
  kOther,
  kRmc,    // recommended minimum: time, status, position, speed, course, date, variation
  kGga,    // fix data: time, position, quality, height
  kGll,    // position, time, status
  kVtg,    // course and speed over ground
  kZda,    // time and date with a four-digit year
  kHdg,    // magnetic heading, deviation and variation
  kHdt,    // true heading
  kPgrme,  // Garmin: estimated position error
  kPgrmz,  // Garmin: altitude in feet
  kPgrmm,  // Garmin: the datum of the positions
};

SentenceKind KindOf(std::string_view sentence) noexcept;

// The fields of a sentence, viewing into it: field 0 is the address with its
// "$", the checksum is not a field. Fields past the last are empty.
class SentenceFields {
 public:
  static constexpr std::size_t kMaxFields = 24;

  // Only fields 0 to `wanted` - 1 are split out; Count() is at most that.
  explicit SentenceFields(std::string_view sentence, std::size_t wanted = kMaxFields) noexcept;
  // The fields of `text` as SplitFields cuts it at every `a` and `b`, at
  // most `wanted`: no end trimmed, no checksum taken off.
  static SentenceFields Cut(std::string_view text, char a, char b, std::size_t wanted) noexcept {
    return SentenceFields(text, a, b, wanted);
  }
  [[nodiscard]] std::string_view operator[](std::size_t i) const noexcept {
    return i < count_ ? std::string_view(text_ + pieces_[i].start, pieces_[i].size)
                      : std::string_view();
  }
  [[nodiscard]] std::size_t Count() const noexcept { return count_; }

 private:
  // Where each field lies in the sentence; left unset past the count, so a
  // sentence is not paid for by the fields it does not have.
  SentenceFields(std::string_view text, char a, char b, std::size_t wanted) noexcept;

  struct Piece {
    std::size_t start;
    std::size_t size;
  };
  const char* text_ = nullptr;
  std::array<Piece, kMaxFields> pieces_;
  std::size_t count_ = 0;
};

// Cuts `text` at every `a` and every `b` into fields, viewing into it, and
// returns how many it made: one more than the separators, or fields.size()
// when there are more, the last field then ending at its separator and the
// rest of the text not looked at. Fields past the count are not touched.
std::size_t SplitFields(std::string_view text, char a, char b,
                        std::span<std::string_view> fields) noexcept;

// Field `number` of what SplitFields would cut `text` into (field 0 before
// the first separator), looked for only up to its end; empty when the text
// has fewer fields.
std::string_view NthField(std::string_view text, char a, char b, std::size_t number) noexcept;

// "hhmmss" or "hhmmss.sss" as seconds since midnight, fractions kept;
// negative for a field that is not such a time.
double TimeOfDaySeconds(std::string_view field) noexcept;

}  // namespace vc::nmea
