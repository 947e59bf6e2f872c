// Reading the kind and the attribute values of one MPS statement.
//
// The kind is the first word of the statement; the values are looked up by
// name and placed by position, following the keyword table. The lookup is
// deliberately loose, as the map program's own scripts are read: a name
// counts only between blanks, "=" or double quotes, and its value is the next
// quoted text after it, whatever stands between. So in
//   point oid="1" gid=2510 str="abc";
// the gid reads "abc". Values are never trimmed or unescaped and may hold
// CR LF when a quoted text runs over several lines.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "formats/mps/keyword_table.hpp"

namespace vc::mps {

struct MpsStatement {
  // A keyword, "comment", "EOF", or the word that opened an unknown
  // statement (possibly empty).
  std::string kind;
  // values[k - 1] holds attribute position k; unset values are empty.
  std::array<std::string, kMpsValueCount> values;

  // Element 0 is the kind, elements 1 to 16 the values, any other index an
  // empty text. A slot of 0 from FindAttributeSlot thus names the kind.
  [[nodiscard]] std::string_view Element(int index) const noexcept;
};

[[nodiscard]] MpsStatement ParseMpsStatement(std::string_view text);

// Whether ParseMpsStatement(text).kind would be `word`, told without
// parsing the values: a reader that wants a few attributes of one kind
// looks them up itself with GetAttributeValue.
[[nodiscard]] bool HasKindWord(std::string_view text, std::string_view word) noexcept;

// The quoted value that follows the first occurrence of `name` standing
// between blanks, "=" or double quotes; empty when there is none or its
// closing quote is missing. The result points into `text`.
[[nodiscard]] std::string_view GetAttributeValue(std::string_view text, std::string_view name);

// The word after the first occurrence of `keyword`, skipping and ending at
// blanks, double quotes, ";" and "=". The result points into `text`.
[[nodiscard]] std::string_view GetWordAfter(std::string_view text, std::string_view keyword);

// The position (1 to 16) of `name` among the attributes of the statement's
// kind, 0 when the kind has no such attribute, -1 when the kind has no
// attribute list ("disp", "comment", "EOF", unknown words).
[[nodiscard]] int FindAttributeSlot(const MpsStatement& statement, std::string_view name);

}  // namespace vc::mps
