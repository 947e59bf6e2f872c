// Texts of the XML documents the converter writes (GPX, KML): escaping, and
// numbers and times in the forms the schemas accept.
//
// XML 1.0 allows no control characters but TAB, LF and CR, so any other is
// written as "?"; "&", "<", ">", '"' and "'" become their entities, which
// serves element content and attribute values alike. Numbers are plain
// decimals: xsd:decimal has no exponent, and GPX forbids one.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/datetime.hpp"

namespace vc::xml {

void AppendEscaped(std::string& out, std::string_view text);

// A plain decimal with at most `decimals` digits after the point, trailing
// zeros dropped: 35.6812361 with 9 gives "35.6812361", 1e-10 gives "0".
void AppendDecimal(std::string& out, double value, int decimals);
// The same text written at `p` (at most text::kShortNumberRoom bytes used);
// returns its end, or nullptr with nothing written when the value has no
// short form: AppendDecimal then writes it.
char* PutDecimal(char* p, double value, int decimals) noexcept;

// xsd:dateTime in UTC: "2002-07-15T03:04:05Z".
inline constexpr std::size_t kUtcDateTimeSize = 20;
void AppendUtcDateTime(std::string& out, text::LocalSeconds utc);

// The same for the times of a track, which mostly follow each other within
// a minute: the last text is kept, and a time in its minute only writes
// its seconds into it.
class RecentUtcDateTime {
 public:
  void Append(std::string& out, text::LocalSeconds utc);
  // The text written at `p` (kUtcDateTimeSize bytes); nullptr, with nothing
  // written, for a year beyond 0 to 9999, which Append writes.
  char* Put(char* p, text::LocalSeconds utc) noexcept;

 private:
  static constexpr text::LocalSeconds kNone = -1;
  text::LocalSeconds minute_ = kNone;  // the first second of the minute kept
  std::array<char, kUtcDateTimeSize> text_{};
};

// An xsd:dateTime as UTC seconds: "2009-10-17T18:37:26Z", fractions of a
// second dropped, an offset ("+09:00") taken off; a time without a zone is
// taken as UTC. False for anything else.
bool ParseUtcDateTime(std::string_view text, text::LocalSeconds& utc);
// The same for a run of times, as a track's are: the day of the last one
// read is kept, and a time of the same day skips the calendar.
struct UtcDay {
  std::array<char, 10> date{};  // "yyyy-mm-dd"
  text::LocalSeconds start = 0;
  bool known = false;
};
bool ParseUtcDateTime(std::string_view text, text::LocalSeconds& utc, UtcDay& day);

}  // namespace vc::xml
