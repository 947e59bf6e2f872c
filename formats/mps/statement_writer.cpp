#include "formats/mps/statement_writer.hpp"

#include <cstddef>

#include "text/strings.hpp"

namespace vc::mps {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kStatementIndent = "\t\t";
constexpr std::string_view kAttributeIndent = "\t\t\t\t";

// Each attribute is filled from its own template before it joins the
// statement. Filling placeholders in the statement built so far would let a
// value that happens to hold "$GID$" take the place of the gid attribute.
void AppendAttribute(std::string& out, const MpsAttribute& attribute, std::string_view value) {
  out += attribute.BeforePlaceholder();
  out += '"';
  out += value;
  out += '"';
  out += attribute.AfterPlaceholder();
}

// Only these two link kinds are known to the map program; any other link
// type is dropped rather than written.
bool IsKnownLinkType(std::string_view value) noexcept {
  const std::string_view trimmed = text::TrimSpaces(value);
  return trimmed == "ax_hlink" || trimmed == "ap_scrpt";
}

bool IsWritten(const MpsAttribute& attribute, std::string_view value) noexcept {
  if (value.empty()) return false;
  return !attribute.linkTypesOnly || IsKnownLinkType(value);
}

// The kind and the first attribute on one line, each further non-empty
// attribute on a line of its own, the semicolon straight after the last value.
void AppendAttributeList(std::string& out, const MpsKindSpec& kind, const MpsValues& values,
                         std::string_view firstIndent, std::string_view furtherIndent) {
  out += firstIndent;
  out += kind.keyword;
  out += '\t';
  AppendAttribute(out, kind.attributes[0], values[0]);
  for (std::size_t k = 1; k < kind.attributes.size(); ++k) {
    if (!IsWritten(kind.attributes[k], values[k])) continue;
    out += kLineBreak;
    out += furtherIndent;
    AppendAttribute(out, kind.attributes[k], values[k]);
  }
  out += ';';
}

// The single attribute's template carries the semicolon itself.
void AppendSingle(std::string& out, const MpsKindSpec& kind, const MpsValues& values) {
  out += kStatementIndent;
  out += kind.keyword;
  out += '\t';
  AppendAttribute(out, kind.attributes[0], values[0]);
}

// A script opens with "mapserver script ver=..." and closes with
// "mapserver end;". The savable flag knows only "no"; anything else given
// means "yes".
void AppendMapserver(std::string& out, const MpsKindSpec& kind, const MpsValues& values) {
  if (text::TrimSpaces(values[0]) == "end") {
    out += "mapserver end;";
    return;
  }
  out += "mapserver script ";
  AppendAttribute(out, kind.attributes[0], values[0]);
  const std::string_view savable = text::TrimSpaces(values[1]);
  if (!savable.empty()) {
    out += ' ';
    AppendAttribute(out, kind.attributes[1], savable == "no" ? "no" : "yes");
  }
  out += ';';
}

// The bare range words keep a blank before the semicolon ("disp<TAB>all ;");
// an unknown range displays everything.
void AppendDisp(std::string& out, const MpsValues& values) {
  out += kStatementIndent;
  out += "disp\t";
  const MpsAttribute* range = FindDispRange(values[0]);
  if (range == nullptr) {
    out += "all ";
  } else if (range->templateText.empty()) {
    out += range->name;
    out += ' ';
  } else {
    AppendAttribute(out, *range, values[1]);
  }
  if (!values[2].empty()) {
    out += kLineBreak;
    out += kAttributeIndent;
    AppendAttribute(out, DispScaleAttribute(), values[2]);
  }
  out += ';';
}

// A comment is taken as given when it already holds "//" somewhere and ends
// with ";"; otherwise the missing parts are added.
void AppendComment(std::string& out, std::string_view comment) {
  if (comment.find("//") == std::string_view::npos) out += "//";
  out += comment;
  if (out.back() != ';') out += ';';
}

void AppendHeader(std::string& out, const MpsKindSpec& kind, const MpsValues& values) {
  out += "//Header:";
  for (std::size_t k = 0; k < kind.attributes.size(); ++k) {
    if (k > 0) out += ' ';
    AppendAttribute(out, kind.attributes[k], values[k]);
  }
  out += ';';
}

}  // namespace

MpsValues PointLineValues(std::string_view oid, std::string_view gid, std::string_view pos,
                          std::string_view str, std::string_view info) noexcept {
  MpsValues values{};
  values[0] = oid;
  values[1] = gid;
  values[2] = pos;
  values[3] = str;
  values[7] = info;
  return values;
}

void AppendMpsStatement(std::string& out, std::string_view kind, const MpsValues& values) {
  const MpsKindSpec* entry = FindMpsKind(kind);
  if (entry == nullptr) {
    // Sic: the format's own spelling, kept so that scripts compare equal.
    out += "// Not Suport [";
    out += kind;
    out += ']';
    return;
  }
  switch (entry->layout) {
    case MpsLayout::kComment:
      AppendComment(out, values[0]);
      return;
    case MpsLayout::kMapserver:
      AppendMapserver(out, *entry, values);
      return;
    case MpsLayout::kSingle:
      AppendSingle(out, *entry, values);
      return;
    case MpsLayout::kAttributeList:
      AppendAttributeList(out, *entry, values, kStatementIndent, kAttributeIndent);
      return;
    case MpsLayout::kAddon:
      AppendAttributeList(out, *entry, values, {}, "\t");
      return;
    case MpsLayout::kDisp:
      AppendDisp(out, values);
      return;
    case MpsLayout::kHeader:
      AppendHeader(out, *entry, values);
      return;
  }
}

}  // namespace vc::mps
