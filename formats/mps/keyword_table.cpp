#include "formats/mps/keyword_table.hpp"

#include <array>

namespace vc::mps {
namespace {

constexpr MpsAttribute A(std::string_view name, std::string_view templateText,
                         std::string_view searchName = {}) {
  return MakeMpsAttribute(name, templateText, searchName);
}

constexpr MpsAttribute LinkType() {
  MpsAttribute attribute = A("urltype", "urltype=$URLTYPE$");
  attribute.linkTypesOnly = true;
  return attribute;
}

// "ver=" is searched with its equals sign so that a "ver" inside another word
// or value is not taken; callers still ask for "ver".
constexpr std::array kMapserver{A("ver", "ver=$VER$", "ver="), A("savable", "savable=$SAVABLE$")};
constexpr std::array kInit{A("file", "file=$FILE$;")};
constexpr std::array kKanji{A("code", "code=$KCODE$;")};
constexpr std::array kGeoref{A("system", "system=$GEOREF$;")};
constexpr std::array kTheme{A("str", "str=$STR$;")};
constexpr std::array kGroup{
    A("gid", "gid=$GID$"),
    A("gname", "gname=$GNAME$"),
    A("textrgb", "textrgb=$TEXTRGB$"),
    A("linergb", "linergb=$LINERGB$"),
    A("areargb", "areargb=$AREARGB$"),
    A("bodrrgb", "bodrrgb=$BODRRGB$"),
    A("textstyle", "textstyle=$TEXTSTYLE$"),
    A("linestyle", "linestyle=$LINESTYLE$"),
    A("areastyle", "areastyle=$AREASTYLE$"),
    A("pointstyle", "pointstyle=$ICONSTYLE$"),
    A("bodrstyle", "bodrstyle=$BODRSTYLE$"),
    A("iconsize", "iconsize=$ICONSIZE$"),
    A("linewidth", "linewidth=$LWIDTH$"),
    A("bodrwidth", "bodrwidth=$BODRWIDTH$"),
    A("textsize", "textsize=$TEXTSIZE$"),
    A("textoff", "textoff=$TEXTOFF$"),
};
constexpr std::array kIcon{A("name", "name=$NAME$"), A("file", "file=$FILE$"),
                           A("format", "format=$FORMAT$")};
// A bare "url" would first be met inside "urltype".
constexpr std::array kMessage{A("str", "str=$STR$"), A("url", "url=$URL$", "url="), LinkType()};
constexpr std::array kPointOrLine{
    A("oid", "oid=$OID$"),
    A("gid", "gid=$GID$"),
    A("pos", "pos=$POS$"),
    A("str", "str=$STR$"),
    A("strformat", "strformat=$STRFORMAT$"),
    A("url", "url=$URL$"),
    A("urltype", "urltype=$URLTYPE$"),
    A("info", "info=$INFO$"),
};
constexpr std::array kCircle{
    A("oid", "oid=$OID$"),          A("gid", "gid=$GID$"),
    A("pos", "pos=$POS$"),          A("r", "r=$R$"),
    A("rmax", "rmax=$RMAX$"),       A("str", "str=$STR$"),
    A("strpos", "strpos=$STRPOS$"), A("strformat", "strformat=$STRFORMAT$"),
    A("url", "url=$URL$"),          A("urltype", "urltype=$URLTYPE$"),
    A("info", "info=$INFO$"),
};
constexpr std::array kRect{
    A("oid", "oid=$OID$"),
    A("gid", "gid=$GID$"),
    A("pos", "pos=$POS$"),
    A("width", "width=$WIDTH$"),
    A("height", "height=$HEIGHT$"),
    A("widthmax", "widthmax=$WIDTHMAX$"),
    A("heightmax", "heightmax=$HEIGHTMAX$"),
    A("str", "str=$STR$"),
    A("strpos", "strpos=$STRPOS$"),
    A("strformat", "strformat=$STRFORMAT$"),
    A("url", "url=$URL$"),
    A("urltype", "urltype=$URLTYPE$"),
    A("info", "info=$INFO$"),
};
constexpr std::array kArea{
    A("oid", "oid=$OID$"),    A("gid", "gid=$GID$"), A("pos", "pos=$POS$"),
    A("str", "str=$STR$"),    A("url", "url=$URL$"), A("urltype", "urltype=$URLTYPE$"),
    A("info", "info=$INFO$"),
};
constexpr std::array kPick{A("str", "str=$STR$"), A("cgi", "cgi=$CGI$"),
                           A("param", "param=$PARAM$"), A("method", "method=$METHOD$")};
constexpr std::array kInput{
    A("type", "type=$TYPE$"),
    A("str", "str=$STR$"),
    A("cgi", "cgi=$CGI$"),
    A("param", "param=$PARAM$"),
    A("method", "method=$METHOD$"),
    A("format", "format=$FORMAT$"),
    A("precision", "precision=$PRECISION$"),
};
constexpr std::array kAddon{A("title", "title=$TITLE$"), A("author", "author=$AUTHOR$"),
                            A("updatable", "updatable=$UPDATABLE$"), A("url", "url=$URL$")};
// The three parts of the header comment; written only, never read back.
constexpr std::array kHedder{A("Prog", "Prog:$PROGRAMVER$"), A("Templ", "Templ:$TEMPLVER$"),
                             A("Date", "Date:$DATE$")};

// The writer tries the keywords in this order; they are all distinct, so
// the order decides nothing for the parser.
constexpr std::array kKinds{
    MpsKindSpec{"comment", MpsLayout::kComment, {}},
    MpsKindSpec{"mapserver", MpsLayout::kMapserver, kMapserver},
    MpsKindSpec{"init", MpsLayout::kSingle, kInit},
    MpsKindSpec{"kanji", MpsLayout::kSingle, kKanji},
    MpsKindSpec{"georef", MpsLayout::kSingle, kGeoref},
    MpsKindSpec{"group", MpsLayout::kAttributeList, kGroup},
    MpsKindSpec{"icon", MpsLayout::kAttributeList, kIcon},
    MpsKindSpec{"theme", MpsLayout::kSingle, kTheme},
    MpsKindSpec{"message", MpsLayout::kAttributeList, kMessage},
    MpsKindSpec{"point", MpsLayout::kAttributeList, kPointOrLine},
    MpsKindSpec{"line", MpsLayout::kAttributeList, kPointOrLine},
    MpsKindSpec{"circle", MpsLayout::kAttributeList, kCircle},
    MpsKindSpec{"rect", MpsLayout::kAttributeList, kRect},
    MpsKindSpec{"area", MpsLayout::kAttributeList, kArea},
    MpsKindSpec{"disp", MpsLayout::kDisp, {}},
    MpsKindSpec{"pick", MpsLayout::kAttributeList, kPick},
    MpsKindSpec{"input", MpsLayout::kAttributeList, kInput},
    MpsKindSpec{"addon", MpsLayout::kAddon, kAddon},
    MpsKindSpec{"hedder", MpsLayout::kHeader, kHedder},
};

constexpr std::array kDispRanges{
    A("all", ""),          A("first", ""),        A("last", ""),
    A("pos", "pos=$POS$"), A("oid", "oid=$OID$"), A("area", "area=$AREA$"),
};
constexpr MpsAttribute kDispScale = A("scale", "scale=$SCALE$");

// Every template starts with its attribute's name and holds a placeholder,
// so that what the writer fills the parser finds again.
constexpr bool IsWritable(const MpsAttribute& attribute) {
  return attribute.templateText.starts_with(attribute.name) && attribute.placeholderLength > 2 &&
         attribute.Placeholder().front() == '$' && attribute.Placeholder().back() == '$';
}

constexpr bool TableIsSound() {
  for (const MpsKindSpec& kind : kKinds) {
    if (kind.attributes.size() > kMpsValueCount) return false;
    for (const MpsAttribute& attribute : kind.attributes) {
      if (!IsWritable(attribute)) return false;
    }
    const bool single = kind.layout == MpsLayout::kSingle;
    if (single &&
        (kind.attributes.size() != 1 || !kind.attributes[0].templateText.ends_with(';'))) {
      return false;
    }
  }
  for (const MpsAttribute& range : kDispRanges) {
    if (!range.templateText.empty() && !IsWritable(range)) return false;
  }
  return IsWritable(kDispScale);
}
static_assert(TableIsSound());

}  // namespace

std::span<const MpsKindSpec> MpsKinds() noexcept { return kKinds; }

const MpsKindSpec* FindMpsKind(std::string_view keyword) noexcept {
  for (const MpsKindSpec& kind : kKinds) {
    if (kind.keyword == keyword) return &kind;
  }
  return nullptr;
}

const MpsAttribute* FindDispRange(std::string_view word) noexcept {
  for (const MpsAttribute& range : kDispRanges) {
    if (range.name == word) return &range;
  }
  return nullptr;
}

const MpsAttribute& DispScaleAttribute() noexcept { return kDispScale; }

}  // namespace vc::mps
