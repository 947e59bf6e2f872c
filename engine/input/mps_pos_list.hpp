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
#include <memory>
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

// Pairs the tokens of a position list into points, as ParsePosList below
// describes. A list cut at commas into pieces, each a run of whole items
// joined by "," without the comma after its last item, gives the same
// tokens piece by piece as it gives whole: a token never runs over a ",",
// and each "&" or "," ends one token wherever it stands. So the pairing
// carries the latitude and the count from one piece to the next.
class PosPairing {
 public:
  // False once `onPoint` has asked to stop.
  template <typename OnPoint>
  bool Take(std::string_view piece, OnPoint& onPoint) {
    PosTokenizer tokenizer(piece, true);
    std::string_view token;
    while (tokenizer.Next(token)) {
      ++tokens_;
      const double degrees = geo::CoordDegrees(text::TrimSpaces(token), "MPS");
      if (tokens_ % 2 == 1) {
        lat_ = degrees;
      } else if (!onPoint(lat_, degrees)) {
        return false;
      }
    }
    return true;
  }
  // Half the number of tokens read.
  [[nodiscard]] double Count() const noexcept { return static_cast<double>(tokens_) / 2; }

 private:
  double lat_ = 0;
  std::size_t tokens_ = 0;
};

// Three characters of UTF-8 take 12 bytes at most.
inline constexpr std::size_t kMaxBytesOfThreeChars = 12;

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
  if (pos.size() <= kMaxBytesOfThreeChars && text::CharCount(pos) <= 3) return 0.5;
  PosPairing pairing;
  pairing.Take(pos, onPoint);
  return pairing.Count();
}

// A position list packed without loss into a few bytes a point, so that a
// track of a million points need not keep its 23 MB of text while the
// points are made.
//
// The items of a list (the texts between its commas) change little from one
// point to the next, and a latitude is best compared with the latitude
// before it, a longitude with the longitude before it: so each item is
// stored against the item two before it (an empty text for the first two),
// as the length of the prefix they share and then the rest of the item. One
// byte holds both lengths, the shared one in its high four bits: a shared
// length of 14 or more is written there as 14, a rest of 15 or more as 15,
// and what is over (less 14 or 15) follows in base 128, low digits first,
// the high bit saying that another digit follows. A high nibble of 15 is
// the commonest change, a tenth of a second on: the older item with its
// last byte replaced by the digit in the low nibble, so "35/40/52.4" after
// "35/40/52.3" takes the one byte 0xF4, and "35/40/53.0" after "35/40/52.9"
// takes 0x73 and "3.0". Any byte may stand in an item; every list, the empty
// one included, has at least one item, so every packed list has at least
// one byte.
class PackedPosList {
 public:
  explicit PackedPosList(std::string_view pos);

  // Bytes of the packed form and of the text it holds.
  [[nodiscard]] std::size_t PackedBytes() const noexcept { return size_; }
  [[nodiscard]] std::size_t TextBytes() const noexcept { return textBytes_; }
  [[nodiscard]] std::string Unpack() const;

 private:
  friend class PackedPosPieces;
  void Reserve(std::size_t bytes);

  // Uninitialised storage: the pages of its unused end are never touched.
  std::unique_ptr<char[]> bytes_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
  std::size_t textBytes_;
};

// The text of a packed list, a piece at a time: each piece is a run of
// whole items joined by ",", without the comma after its last item, of at
// least `pieceBytes` unless it is the last. The pieces joined by "," give
// the text.
class PackedPosPieces {
 public:
  PackedPosPieces(const PackedPosList& list, std::size_t pieceBytes);

  // The next piece, valid until the following call; false after the last.
  bool Next(std::string_view& piece);

 private:
  struct Item {
    std::size_t offset = 0;
    std::size_t size = 0;
  };
  void KeepLastTwoItems();
  bool AppendShortItems(std::size_t start);
  void AppendItem();
  std::size_t ReadLength(std::size_t nibble, std::size_t escape);

  std::string_view packed_;
  std::size_t pieceBytes_;
  std::size_t at_ = 0;
  // The items unpacked so far; each is followed by a ",".
  std::string text_;
  std::size_t used_ = 0;
  Item older_;
  Item newer_;
};

// Small enough that a piece is still in the cache when it is tokenized.
inline constexpr std::size_t kPackedPieceBytes = std::size_t{32} << 10;

// ParsePosList over the text a packed list holds, with the same result and
// the same calls of `onPoint`, unpacking a piece of `pieceBytes` at a time.
template <typename OnPoint>
double ParsePackedPosList(const PackedPosList& list, OnPoint&& onPoint,
                          std::size_t pieceBytes = kPackedPieceBytes) {
  if (list.TextBytes() <= kMaxBytesOfThreeChars) return ParsePosList(list.Unpack(), onPoint);
  PosPairing pairing;
  PackedPosPieces pieces(list, pieceBytes);
  std::string_view piece;
  while (pieces.Next(piece)) {
    if (!pairing.Take(piece, onPoint)) break;
  }
  return pairing.Count();
}

}  // namespace vc::engine
