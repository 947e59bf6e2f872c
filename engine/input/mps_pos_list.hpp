// The lists inside the attribute values of MPS record statements.
//
// A "pos" value is a list of coordinates in the "MPS" form, latitude and
// longitude taking turns. The program writes a route or track line as
//   pos="> 35/39/13.2,139/44/26.0,35/39/14.0,139/44/27.5"
// and a single point without the "> ". Besides "," the list knows a few
// marks of the map program's own scripts, which stay with the coordinate:
//   ","    ends a token (and is dropped)
//   "&"    ends a token, and stays at its end
//   "!"    moves to the front of its token:  35/1/2!  reads as  !35/1/2
//   LF, CR are dropped, so a list broken over lines reads as one line
//   "<" ">" are dropped when the list is read as a line's points
// A text always holds at least one token: "" is one empty token, "a," two.
//
// An "info" value is a plain comma-separated list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "geo/coord_text.hpp"
#include "text/strings.hpp"

namespace vc::engine {

// Items of `text` between the separators, untrimmed; an empty text gives no
// item, "a," gives "a" and "". The items point into `text`.
void SplitList(std::string_view text, char separator, std::vector<std::string_view>& items);

// Item `number` (from 1) of a split list, empty when the list is shorter.
std::string_view ListItem(const std::vector<std::string_view>& items, std::size_t number) noexcept;

// Hands out the tokens of a position list one at a time, in one pass. A
// token is a view into the list whenever it is a plain slice of it, and is
// built in a buffer of the tokenizer only when a mark has to be moved or
// dropped.
class PosTokenizer {
 public:
  PosTokenizer(std::string_view text, bool dropAngleBrackets) noexcept
      : text_(text), dropAngleBrackets_(dropAngleBrackets) {}

  // The next token, valid until the following call; false after the last.
  bool Next(std::string_view& token);

 private:
  [[nodiscard]] bool IsDropped(char c) const noexcept {
    return c == '\n' || c == '\r' || (dropAngleBrackets_ && (c == '<' || c == '>'));
  }

  std::string_view text_;
  std::size_t next_ = 0;
  bool dropAngleBrackets_;
  bool finished_ = false;
  std::string built_;
};

// Tokens 1 and 2 of a position list as they stand: the first point of a
// "point" statement. Missing tokens are empty.
void ParsePosFirst(std::string_view pos, std::string& lat, std::string& lon);

// Reads the points of a line statement's position list: for every whole
// pair of tokens, `onPoint(lat, lon)` gets the two coordinates trimmed and
// read from "MPS" into decimal degrees, rounded as their "D" text would read
// back (geo::CoordDegrees): the numbers the texts would give, without the
// texts. `onPoint` returns false to stop: the reading ends there and the
// count covers the tokens read so far.
//
// Returns half the number of tokens, a fraction when a latitude is left
// without its longitude (that token is not handed out). A text of three
// characters or fewer is no list: it gives 0.5 and no point.
template <typename OnPoint>
double ParsePosList(std::string_view pos, OnPoint&& onPoint) {
  constexpr std::size_t kMaxBytesOfThreeChars = 12;
  if (pos.size() <= kMaxBytesOfThreeChars && text::CharCount(pos) <= 3) return 0.5;
  PosTokenizer tokenizer(pos, true);
  double lat = 0;
  std::string_view token;
  std::size_t tokens = 0;
  while (tokenizer.Next(token)) {
    ++tokens;
    const double degrees = geo::CoordDegrees(text::TrimSpaces(token), "MPS");
    if (tokens % 2 == 1) {
      lat = degrees;
    } else if (!onPoint(lat, degrees)) {
      break;
    }
  }
  return static_cast<double>(tokens) / 2;
}

}  // namespace vc::engine
