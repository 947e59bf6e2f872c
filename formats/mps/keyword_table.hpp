// The vocabulary of ProAtlas mapserver scripts (MPS files).
//
// A script is a sequence of statements, each opened by a keyword (the
// statement kind) and closed by a semicolon. Most kinds carry attributes
// written name="value", one per line, with TAB indentation and CR LF between
// the lines of one statement:
//
//   mapserver script ver="1.0";
//   <TAB><TAB>point<TAB>oid=""
//   <TAB><TAB><TAB><TAB>gid="2510"
//   <TAB><TAB><TAB><TAB>pos="35/39/13.2,139/44/26.0"
//   <TAB><TAB><TAB><TAB>str="[WP]Summit"
//   <TAB><TAB><TAB><TAB>info="a,b,c";
//   <TAB>disp<TAB>all;
//   mapserver end;
//
// Every kind has a fixed list of attributes; an attribute's position in that
// list (1 to 16) is the position of its value in the writer's arguments and
// in a parsed statement. This one table holds the lists, the templates the
// writer fills and the names the parser searches, so that a written
// statement reads back with its values at the same positions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vc::mps {

// A statement carries at most sixteen attribute values ("group" uses all).
inline constexpr std::size_t kMpsValueCount = 16;

// How the statements of a kind look in a script.
enum class MpsLayout : std::uint8_t {
  kComment,        // //text;
  kMapserver,      // mapserver script ver="1.0" savable="yes";  or  mapserver end;
  kSingle,         // <TAB><TAB>kanji<TAB>code="sjis";  one attribute, one line
  kAttributeList,  // point, line, group, ...: one attribute per line
  kAddon,          // as an attribute list, with shallower indentation
  kDisp,           // <TAB><TAB>disp<TAB>pos="..."  display range and scale
  kHeader,         // //Header:Prog:"1" Templ:"2" Date:"3";  written only; reads as a comment
};

// One attribute of a kind. The template is the attribute as written, with a
// $PLACEHOLDER$ where the quoted value goes; a few placeholders differ from
// the attribute name ("pointstyle=$ICONSTYLE$") because the format says so.
struct MpsAttribute {
  std::string_view name;          // the name callers ask for
  std::string_view searchName;    // what the parser looks for in a statement
  std::string_view templateText;  // empty for a bare word (disp ranges "all", "first", "last")
  std::size_t placeholderAt = 0;
  std::size_t placeholderLength = 0;
  // The link type of a message is written only when it names a known link kind.
  bool linkTypesOnly = false;

  [[nodiscard]] constexpr std::string_view Placeholder() const noexcept {
    return templateText.substr(placeholderAt, placeholderLength);
  }
  [[nodiscard]] constexpr std::string_view BeforePlaceholder() const noexcept {
    return templateText.substr(0, placeholderAt);
  }
  [[nodiscard]] constexpr std::string_view AfterPlaceholder() const noexcept {
    return templateText.substr(placeholderAt + placeholderLength);
  }
};

// `searchName` defaults to `name`; the placeholder is the first $WORD$ of the template.
constexpr MpsAttribute MakeMpsAttribute(std::string_view name, std::string_view templateText,
                                        std::string_view searchName = {}) noexcept {
  MpsAttribute attribute{name, searchName.empty() ? name : searchName, templateText};
  const std::size_t open = templateText.find('$');
  const std::size_t close =
      open == std::string_view::npos ? open : templateText.find('$', open + 1);
  if (close != std::string_view::npos) {
    attribute.placeholderAt = open;
    attribute.placeholderLength = close - open + 1;
  }
  return attribute;
}

struct MpsKindSpec {
  std::string_view keyword;
  MpsLayout layout;
  std::span<const MpsAttribute> attributes;  // position k is attributes[k - 1]
};

// All kinds, in the order the writer tries them.
[[nodiscard]] std::span<const MpsKindSpec> MpsKinds() noexcept;

// The kind whose keyword equals `keyword` exactly (case matters), or null.
[[nodiscard]] const MpsKindSpec* FindMpsKind(std::string_view keyword) noexcept;

// The range words of a disp statement: "all", "first" and "last" stand alone,
// "pos", "oid" and "area" carry a value.
[[nodiscard]] const MpsAttribute* FindDispRange(std::string_view word) noexcept;

// The optional scale of a disp statement, its value 3.
[[nodiscard]] const MpsAttribute& DispScaleAttribute() noexcept;

}  // namespace vc::mps
