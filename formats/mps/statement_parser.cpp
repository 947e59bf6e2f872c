#include "formats/mps/statement_parser.hpp"

#include <cstddef>

#include "text/strings.hpp"

namespace vc::mps {
namespace {

bool IsBlank(char c) noexcept { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) noexcept { return c == '\r' || c == '\n'; }

// The characters that may stand on either side of an attribute name.
bool IsNameBoundary(char c) noexcept { return IsBlank(c) || c == '=' || c == '"'; }

bool IsWordDelimiter(char c) noexcept { return IsBlank(c) || c == '"' || c == ';' || c == '='; }

// The first word, read across line breaks: a statement may put its keyword
// after empty lines, and a line break inside the word does not end it. Only a
// blank ends the word, so "point;" is a word of its own.
std::string KindWord(std::string_view text) {
  std::string word;
  for (const char c : text) {
    if (IsBlank(c)) {
      if (!word.empty()) break;
    } else if (!IsLineEnd(c)) {
      word += c;
    }
  }
  return word;
}

bool IsComment(std::string_view text) noexcept { return text::TrimBlanks(text).starts_with("//"); }

void ParseMapserver(std::string_view text, const MpsKindSpec& kind, MpsStatement& statement) {
  statement.values[0] = GetAttributeValue(text, kind.attributes[0].searchName);
  // "mapserver end;" has no version; a start line with an empty version
  // reads the same way.
  if (text::TrimSpaces(statement.values[0]).empty()) {
    statement.values[0] = "end";
    return;
  }
  statement.values[1] = GetAttributeValue(text, kind.attributes[1].searchName);
}

void ParseDisp(std::string_view text, MpsStatement& statement) {
  const std::string_view word = GetWordAfter(text, "disp");
  const MpsAttribute* range = FindDispRange(word);
  if (range == nullptr) {
    statement.values[0] = "all";
  } else {
    statement.values[0] = range->name;
    if (!range->templateText.empty()) statement.values[1] = GetAttributeValue(text, range->name);
  }
  statement.values[2] = GetAttributeValue(text, DispScaleAttribute().name);
}

void ParseAttributes(std::string_view text, const MpsKindSpec& kind, MpsStatement& statement) {
  for (std::size_t k = 0; k < kind.attributes.size(); ++k) {
    statement.values[k] = GetAttributeValue(text, kind.attributes[k].searchName);
  }
}

// Kinds whose attributes are found by name.
bool HasAttributeList(MpsLayout layout) noexcept {
  return layout == MpsLayout::kMapserver || layout == MpsLayout::kSingle ||
         layout == MpsLayout::kAttributeList || layout == MpsLayout::kAddon;
}

}  // namespace

std::string_view MpsStatement::Element(int index) const noexcept {
  if (index == 0) return kind;
  if (index < 1 || index > static_cast<int>(kMpsValueCount)) return {};
  return values[static_cast<std::size_t>(index - 1)];
}

bool HasKindWord(std::string_view text, std::string_view word) noexcept {
  if (IsComment(text)) return word == "comment";
  // The same walk as KindWord, comparing instead of gathering.
  std::size_t matched = 0;
  for (const char c : text) {
    if (IsBlank(c)) {
      if (matched > 0) break;
    } else if (!IsLineEnd(c)) {
      if (matched == word.size() || word[matched] != c) return false;
      ++matched;
    }
  }
  return matched == word.size();
}

MpsStatement ParseMpsStatement(std::string_view text) {
  MpsStatement statement;
  if (IsComment(text)) {
    statement.kind = "comment";
    statement.values[0] = text;
    return statement;
  }
  statement.kind = KindWord(text);
  const MpsKindSpec* kind = FindMpsKind(statement.kind);
  if (kind == nullptr) return statement;
  switch (kind->layout) {
    case MpsLayout::kComment:
      statement.values[0] = text;
      break;
    case MpsLayout::kMapserver:
      ParseMapserver(text, *kind, statement);
      break;
    case MpsLayout::kDisp:
      ParseDisp(text, statement);
      break;
    case MpsLayout::kSingle:
    case MpsLayout::kAttributeList:
    case MpsLayout::kAddon:
      ParseAttributes(text, *kind, statement);
      break;
    case MpsLayout::kHeader:
      // Written as a "//" comment; a statement opened by the word itself is unknown.
      break;
  }
  return statement;
}

std::string_view GetAttributeValue(std::string_view text, std::string_view name) {
  text = text::TrimSpaces(text);
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t at = text.find(name, start);
    if (at == std::string_view::npos) return {};
    const std::size_t after = at + name.size();
    // A name at the very start or end of the text has no boundary on that side.
    if (at > 0 && after < text.size() && IsNameBoundary(text[at - 1]) &&
        IsNameBoundary(text[after])) {
      const std::size_t open = text.find('"', at);
      if (open == std::string_view::npos) return {};
      const std::size_t close = text.find('"', open + 1);
      if (close == std::string_view::npos) return {};
      return text.substr(open + 1, close - open - 1);
    }
    start = name.empty() ? at + 1 : after;
  }
  return {};
}

std::string_view GetWordAfter(std::string_view text, std::string_view keyword) {
  text = text::TrimSpaces(text);
  const std::size_t at = text.find(keyword);
  if (at == std::string_view::npos) return {};
  std::size_t first = at + keyword.size();
  while (first < text.size() && IsWordDelimiter(text[first])) ++first;
  std::size_t last = first;
  while (last < text.size() && !IsWordDelimiter(text[last])) ++last;
  return text.substr(first, last - first);
}

int FindAttributeSlot(const MpsStatement& statement, std::string_view name) {
  const MpsKindSpec* kind = FindMpsKind(statement.kind);
  if (kind == nullptr || !HasAttributeList(kind->layout)) return -1;
  for (std::size_t k = 0; k < kind->attributes.size(); ++k) {
    if (kind->attributes[k].name == name) return static_cast<int>(k + 1);
  }
  return 0;
}

}  // namespace vc::mps
