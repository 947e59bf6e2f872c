#include "formats/gpx/gpx_parser.hpp"

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

#include "formats/gpx/xml_namespaces.hpp"
#include "formats/xml/xml_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::gpx {
namespace {

// The separator of expat's namespace mode, in which only the fault finder
// reads. Expat refuses a namespace name that holds its separator, which a
// name may ("urn:a|b"); no UTF-8 text holds the byte 0xFF.
constexpr char kNamespaceSeparator = '\xFF';

// The parser reports names as written ("gpxtpx:speed"); only the local
// name matters, and for speed and course whether they sit inside a
// TrackPointExtension, which XmlNamespaces tells from the declarations.
std::string_view LocalName(const XML_Char* name) { return XmlNamespaces::LocalPart(name); }

// "xmlns" and "xmlns:p" declare namespaces; they are no attributes of the
// element itself.
bool IsDeclaration(const XML_Char* name) {
  return name[0] == 'x' && std::string_view(name).starts_with("xmlns") &&
         (name[5] == '\0' || name[5] == ':');
}

std::optional<double> NumberOf(std::string_view text) {
  text = text::TrimBlanks(text);
  if (!text::IsNumberText(text)) return std::nullopt;
  return text::LeadingValue(text);
}

enum class Place { kOutside, kWaypoint, kRoute, kRoutePoint, kTrack, kTrackPoint };

// The child elements whose text the converter reads, told apart once when
// they begin.
enum class Field { kNone, kEle, kTime, kName, kCmt, kDesc, kSpeed, kCourse, kNumber };

Field PointFieldNamed(std::string_view name) {
  if (name == "time") return Field::kTime;
  if (name == "ele") return Field::kEle;
  if (name == "speed") return Field::kSpeed;
  if (name == "course") return Field::kCourse;
  if (name == "name") return Field::kName;
  if (name == "cmt") return Field::kCmt;
  if (name == "desc") return Field::kDesc;
  return Field::kNone;
}

}  // namespace

struct GpxParser::State {
  explicit State(GpxHandler& handler_) : handler(handler_) {}

  GpxHandler& handler;
  XML_Parser parser = nullptr;
  Place place = Place::kOutside;
  bool sawRoot = false;
  bool notGpx = false;
  bool namespaceFault = false;
  std::int64_t faultLine = 0;
  std::int64_t faultColumn = 0;
  XmlNamespaces namespaces;
  int level = 0;  // of every element, the root 1
  // Depth of elements inside the current point or record; text is kept only
  // for the direct children the converter reads.
  int depth = 0;
  int extensionDepth = 0;
  // The split point (StopAtTrackPoint), -1 once passed or when none.
  std::int64_t splitAt = -1;
  bool splitReached = false;
  // Whether the open trk and its open child are spelled "trk" and "trkseg".
  bool plainTrack = false;
  bool plainSegment = false;
  // The opening of a second half is not reported (ContinueInsideTrack).
  bool muted = false;
  // The track the second half went into has no name read here yet.
  bool nameBefore = false;
  std::string text;
  Field collecting = Field::kNone;
  GpxPoint point;
  std::string recordName;
  std::string routeNumber;
  xml::UtcDay utcDay;  // of the last time read

  // The texts keep their storage from point to point.
  void BeginPoint(const XML_Char** attributes) {
    point.lat.clear();
    point.lon.clear();
    point.latValue.reset();
    point.lonValue.reset();
    point.name.clear();
    point.cmt.clear();
    point.desc.clear();
    point.elevation.reset();
    point.utc.reset();
    point.speedMps.reset();
    point.course.reset();
    for (int i = 0; attributes[i] != nullptr; i += 2) {
      const XML_Char* const name = attributes[i];
      // "lat" and "lon" as every program writes them, looked at first.
      const bool plain = name[0] == 'l' && name[1] != '\0' && name[2] != '\0' && name[3] == '\0';
      const std::string_view local = plain                 ? std::string_view(name, 3)
                                     : IsDeclaration(name) ? ""
                                                           : LocalName(name);
      if (local == "lat") TakeCoord(attributes[i + 1], point.lat, point.latValue);
      if (local == "lon") TakeCoord(attributes[i + 1], point.lon, point.lonValue);
    }
  }

  // A track point's text is kept only where its value cannot stand for it;
  // a waypoint's and a route point's always, for the spelling they keep.
  void TakeCoord(const XML_Char* attribute, std::string& coordText,
                 std::optional<double>& value) const {
    std::string_view trimmed = attribute;
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    if (trimmed.empty() || isBlank(trimmed.front()) || isBlank(trimmed.back())) {
      trimmed = text::TrimBlanks(trimmed);
    }
    value = text::GeneralTextValue(trimmed);
    if (!value || place != Place::kTrackPoint) coordText = trimmed;
  }

  // Character data is reported only while a wanted text is being read: the
  // blanks between elements then cost no call.
  void Collect(Field field) {
    const bool wanted = field != Field::kNone;
    if (wanted != (collecting != Field::kNone)) {
      XML_SetCharacterDataHandler(parser, wanted ? &OnText : nullptr);
    }
    collecting = field;
  }

  static void XMLCALL OnText(void* data, const XML_Char* chars, int length) {
    static_cast<State*>(data)->text.append(chars, static_cast<std::size_t>(length));
  }

  bool InPoint() const {
    return place == Place::kWaypoint || place == Place::kRoutePoint || place == Place::kTrackPoint;
  }

  // The field a child of the current point or record stands for.
  Field FieldOf(const XML_Char* fullName, std::string_view name) {
    if (InPoint()) {
      const int pointDepth = place == Place::kWaypoint ? 1 : place == Place::kRoutePoint ? 2 : 3;
      if (depth == pointDepth + 1) {
        if (name == "extensions") extensionDepth = depth;
        const Field field = PointFieldNamed(name);
        // No track output holds a text per point.
        const bool isText = field == Field::kName || field == Field::kCmt || field == Field::kDesc;
        return isText && place == Place::kTrackPoint ? Field::kNone : field;
      }
      // Speed and course of a TrackPointExtension: extensions, the
      // extension element, then the value.
      if (extensionDepth != 0 && depth == extensionDepth + 2 &&
          namespaces.UriOf(fullName).find("TrackPointExtension") != std::string_view::npos) {
        const Field field = PointFieldNamed(name);
        return field == Field::kSpeed || field == Field::kCourse ? field : Field::kNone;
      }
      return Field::kNone;
    }
    if ((place == Place::kRoute || place == Place::kTrack) && depth == 2) {
      if (name == "name") return Field::kName;
      if (place == Place::kRoute && name == "number") return Field::kNumber;
    }
    return Field::kNone;
  }

  // A tag that breaks a rule of namespaces stops the document where a
  // namespace-aware parser would: at the fault in the element's name, or
  // else at the tag.
  // Off the hot path: kept out of Start, whose every call it would cost.
  [[gnu::cold, gnu::noinline]] void NamespaceFault(std::string_view elementName) {
    faultLine = static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser));
    faultColumn = static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser)) + 1;
    if (namespaces.FaultAt() != XmlNamespaces::kNoOffset) {
      const bool inAttribute = namespaces.FaultAttribute() != XmlNamespaces::kNoOffset;
      const std::string_view tag = RawTag();
      std::size_t at = std::string_view::npos;
      if (!tag.empty()) {
        at = inAttribute ? AttributeNameAt(tag, namespaces.FaultAttribute()) : 1;
        if (at != std::string_view::npos) at += namespaces.FaultAt();
      }
      if (at != std::string_view::npos && at <= tag.size()) {
        Advance(tag.substr(0, at));
      } else if (!inAttribute) {
        Advance("<");
        Advance(elementName.substr(0, namespaces.FaultAt()));
      }
    }
    namespaceFault = true;
    XML_StopParser(parser, XML_FALSE);
  }

  // The start tag being reported as the document spells it, and what
  // follows it: expat keeps the bytes around the current event. Empty when
  // they are not at hand, or not in an encoding of single-byte ASCII.
  [[nodiscard]] std::string_view RawTag() const {
    int offset = 0;
    int size = 0;
    const char* context = XML_GetInputContext(parser, &offset, &size);
    if (context == nullptr || offset < 0 || offset >= size || context[offset] != '<') return {};
    const std::string_view tag(context + offset, static_cast<std::size_t>(size - offset));
    return tag.size() > 1 && tag[1] == '\0' ? std::string_view() : tag;
  }

  // Where the name of the attribute `index` (in the order of the tag)
  // begins in a raw start tag; npos when it is not there.
  static std::size_t AttributeNameAt(std::string_view tag, std::size_t index) {
    constexpr std::size_t kNone = std::string_view::npos;
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    std::size_t i = 1;
    while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '/' && tag[i] != '>') ++i;
    for (std::size_t n = 0;; ++n) {
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i >= tag.size() || tag[i] == '/' || tag[i] == '>') return kNone;
      if (n == index) return i;
      i = tag.find('=', i);
      if (i == kNone) return kNone;
      ++i;
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i >= tag.size()) return kNone;
      i = tag.find(tag[i], i + 1);  // the closing quote
      if (i == kNone) return kNone;
      ++i;
    }
  }

  // The fault's place moved over `spelled`: lines end at LF, CR or CR LF, and
  // a column is a character, counted by the bytes that start one.
  void Advance(std::string_view spelled) {
    for (std::size_t i = 0; i < spelled.size(); ++i) {
      const char c = spelled[i];
      if (c == '\n' || c == '\r') {
        ++faultLine;
        faultColumn = 1;
        if (c == '\r' && i + 1 < spelled.size() && spelled[i + 1] == '\n') ++i;
      } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
        ++faultColumn;
      }
    }
  }

  // At the split point, in the place a second half starts from: this half
  // ends before the tag. An event past the point drops it.
  bool ReachedSplit(const XML_Char* fullName, bool isStart) {
    const auto at = static_cast<std::int64_t>(XML_GetCurrentByteIndex(parser));
    if (at < splitAt) return false;
    const bool onPoint = at == splitAt;
    splitAt = -1;
    const bool fits = isStart && onPoint && place == Place::kTrack && depth == 2 && level == 3 &&
                      plainTrack && plainSegment && std::strcmp(fullName, "trkpt") == 0 &&
                      !namespaces.DeclaresBelowRoot();
    if (!fits) return false;
    splitReached = true;
    XML_StopParser(parser, XML_FALSE);
    return true;
  }

  void Start(const XML_Char* fullName, const XML_Char** attributes) {
    if (splitAt >= 0 && ReachedSplit(fullName, true)) return;
    std::string_view name;
    if (!namespaces.Enter(fullName, attributes, ++level, name)) {
      NamespaceFault(fullName);
      return;
    }
    if (!sawRoot) {
      sawRoot = true;
      if (name != "gpx") {
        notGpx = true;
        XML_StopParser(parser, XML_FALSE);
      }
      return;
    }
    ++depth;
    Collect(Field::kNone);
    if (place == Place::kOutside && depth == 1) {
      if (name == "wpt") {
        place = Place::kWaypoint;
        BeginPoint(attributes);
      } else if (name == "rte") {
        place = Place::kRoute;
        recordName.clear();
        routeNumber.clear();
        handler.RouteBegin();
      } else if (name == "trk") {
        place = Place::kTrack;
        recordName.clear();
        plainTrack = std::strcmp(fullName, "trk") == 0;
        if (!muted) handler.TrackBegin();
      }
      return;
    }
    if (place == Place::kTrack && depth == 2) plainSegment = std::strcmp(fullName, "trkseg") == 0;
    if (place == Place::kRoute && depth == 2 && name == "rtept") {
      place = Place::kRoutePoint;
      BeginPoint(attributes);
      return;
    }
    // A track point sits in a segment: trk (1), trkseg (2), trkpt (3).
    if (place == Place::kTrack && depth == 3 && name == "trkpt") {
      place = Place::kTrackPoint;
      BeginPoint(attributes);
      return;
    }
    text.clear();
    Collect(FieldOf(fullName, name));
  }

  void TakeValue(Field field) {
    if (!InPoint()) {
      if (field == Field::kName) {
        recordName = text::TrimBlanks(text);
        nameBefore = false;
      }
      if (field == Field::kNumber) routeNumber = text::TrimBlanks(text);
      return;
    }
    switch (field) {
      case Field::kTime: {
        text::LocalSeconds utc = 0;
        if (xml::ParseUtcDateTime(text, utc, utcDay)) point.utc = utc;
        break;
      }
      case Field::kEle:
        point.elevation = NumberOf(text);
        break;
      case Field::kSpeed:
        point.speedMps = NumberOf(text);
        break;
      case Field::kCourse:
        point.course = NumberOf(text);
        break;
      case Field::kName:
        point.name = text;
        break;
      case Field::kCmt:
        point.cmt = text;
        break;
      case Field::kDesc:
        point.desc = text;
        break;
      case Field::kNumber:
      case Field::kNone:
        break;
    }
  }

  void End() {
    if (splitAt >= 0) ReachedSplit(nullptr, false);
    namespaces.Leave(level--);
    if (collecting != Field::kNone) {
      TakeValue(collecting);
      Collect(Field::kNone);
    }
    if (extensionDepth == depth) extensionDepth = 0;
    const int ended = depth--;
    if (place == Place::kWaypoint && ended == 1) {
      place = Place::kOutside;
      handler.Waypoint(point);
      XML_StopParser(parser, XML_TRUE);
    } else if (place == Place::kRoutePoint && ended == 2) {
      place = Place::kRoute;
      handler.RoutePoint(point);
    } else if (place == Place::kTrackPoint && ended == 3) {
      place = Place::kTrack;
      handler.TrackPoint(point);
    } else if (place == Place::kRoute && ended == 1) {
      place = Place::kOutside;
      handler.RouteEnd(recordName, routeNumber);
      XML_StopParser(parser, XML_TRUE);
    } else if (place == Place::kTrack && ended == 1) {
      place = Place::kOutside;
      if (std::exchange(nameBefore, false)) {
        handler.TrackEndNamedBefore();
      } else {
        handler.TrackEnd(recordName);
      }
      XML_StopParser(parser, XML_TRUE);
    }
  }
};

namespace {

void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** attributes) {
  static_cast<GpxParser::State*>(data)->Start(name, attributes);
}
void XMLCALL OnEnd(void* data, const XML_Char* /*name*/) {
  static_cast<GpxParser::State*>(data)->End();
}

}  // namespace

GpxParser::GpxParser(GpxHandler& handler)
    : parser_(XML_ParserCreate(nullptr)), state_(new State(handler)) {
  auto parser = static_cast<XML_Parser>(parser_);
  state_->parser = parser;
  XML_SetUserData(parser, state_);
  XML_SetElementHandler(parser, &OnStart, &OnEnd);
}

GpxParser::~GpxParser() {
  XML_ParserFree(static_cast<XML_Parser>(parser_));
  delete state_;
}

GpxParser::Status GpxParser::StatusOf(int xmlStatus) {
  auto parser = static_cast<XML_Parser>(parser_);
  if (xmlStatus == XML_STATUS_SUSPENDED) return Status::kRecord;
  if (state_->splitReached) return Status::kSplit;
  if (state_->namespaceFault) {
    errorLine_ = state_->faultLine;
    errorColumn_ = state_->faultColumn;
    return Status::kError;
  }
  if (xmlStatus == XML_STATUS_ERROR || state_->notGpx) {
    errorLine_ = static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser));
    errorColumn_ = static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser)) + 1;
    return Status::kError;
  }
  if (!last_) return Status::kNeedMore;
  return state_->sawRoot ? Status::kEnd : Status::kError;
}

GpxParser::Status GpxParser::Feed(const char* data, std::size_t size, bool last) {
  last_ = last;
  return StatusOf(
      XML_Parse(static_cast<XML_Parser>(parser_), data, static_cast<int>(size), last ? 1 : 0));
}

char* GpxParser::Buffer(std::size_t size) {
  auto parser = static_cast<XML_Parser>(parser_);
  auto* room = static_cast<char*>(XML_GetBuffer(parser, static_cast<int>(size)));
  if (room == nullptr) {
    // The document cannot be read on from where the parser stands.
    errorLine_ = static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser));
    errorColumn_ = static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser)) + 1;
  }
  return room;
}

GpxParser::Status GpxParser::Parse(std::size_t size, bool last) {
  last_ = last;
  return StatusOf(
      XML_ParseBuffer(static_cast<XML_Parser>(parser_), static_cast<int>(size), last ? 1 : 0));
}

GpxParser::Status GpxParser::Resume() {
  return StatusOf(XML_ResumeParser(static_cast<XML_Parser>(parser_)));
}

void GpxParser::StopAtTrackPoint(std::int64_t offset) { state_->splitAt = offset; }

std::string_view GpxParser::SplitTrackName() const { return state_->recordName; }

bool GpxParser::ContinueInsideTrack(std::string_view prolog) {
  std::string opening(prolog);
  opening += "<trk><trkseg>";
  state_->muted = true;
  const Status status = Feed(opening.data(), opening.size(), false);
  state_->muted = false;
  const State& state = *state_;
  if (status != Status::kNeedMore || state.place != Place::kTrack || state.depth != 2 ||
      state.level != 3) {
    return false;
  }
  state_->nameBefore = true;
  return true;
}

namespace {

struct RootSearch {
  XML_Parser parser = nullptr;
  std::optional<std::size_t> end;
  bool refused = false;
};

bool IsSingleByteAscii(std::string_view encoding) {
  const auto same = [&](std::string_view name) {
    return encoding.size() == name.size() &&
           std::equal(encoding.begin(), encoding.end(), name.begin(), [](char a, char b) {
             return (a >= 'a' && a <= 'z' ? static_cast<char>(a - 'a' + 'A') : a) == b;
           });
  };
  return same("UTF-8") || same("US-ASCII") || same("ISO-8859-1");
}

}  // namespace

std::optional<std::size_t> RootStartTagEnd(std::string_view head) {
  if (head.find('\0') != std::string_view::npos) return std::nullopt;
  const std::unique_ptr<std::remove_pointer_t<XML_Parser>, decltype(&XML_ParserFree)> parser(
      XML_ParserCreate(nullptr), &XML_ParserFree);
  if (!parser) return std::nullopt;
  RootSearch search;
  search.parser = parser.get();
  XML_SetUserData(parser.get(), &search);
  XML_SetXmlDeclHandler(parser.get(),
                        [](void* data, const XML_Char*, const XML_Char* encoding, int) {
                          if (encoding != nullptr && !IsSingleByteAscii(encoding)) {
                            static_cast<RootSearch*>(data)->refused = true;
                          }
                        });
  XML_SetStartDoctypeDeclHandler(
      parser.get(), [](void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
        static_cast<RootSearch*>(data)->refused = true;
      });
  XML_SetStartElementHandler(parser.get(), [](void* data, const XML_Char*, const XML_Char**) {
    auto* found = static_cast<RootSearch*>(data);
    found->end = static_cast<std::size_t>(XML_GetCurrentByteIndex(found->parser) +
                                          XML_GetCurrentByteCount(found->parser));
    XML_StopParser(found->parser, XML_FALSE);
  });
  XML_Parse(parser.get(), head.data(), static_cast<int>(head.size()), 0);
  if (search.refused) return std::nullopt;
  return search.end;
}

std::size_t FindTrackPointTag(std::string_view text) noexcept {
  constexpr std::string_view kTag = "<trkpt";
  for (std::size_t at = text.find(kTag); at != std::string_view::npos;
       at = text.find(kTag, at + 1)) {
    const std::size_t after = at + kTag.size();
    if (after >= text.size()) break;
    const char c = text[after];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '>' || c == '/') return at;
  }
  return std::string_view::npos;
}

// The finder's root check, as the parser makes it: a document whose root is
// no gpx element stops after the root's start tag.
struct GpxFaultFinderAccess {
  static void XMLCALL OnStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
    auto* finder = static_cast<GpxFaultFinder*>(data);
    if (finder->sawRoot_) return;
    finder->sawRoot_ = true;
    // Names come as "namespace|local" in expat's namespace mode.
    const char* bar = std::strrchr(name, kNamespaceSeparator);
    if (std::string_view(bar == nullptr ? name : bar + 1) != "gpx") {
      finder->notGpx_ = true;
      XML_StopParser(static_cast<XML_Parser>(finder->parser_), XML_FALSE);
    }
  }
};

GpxFaultFinder::GpxFaultFinder() : parser_(XML_ParserCreateNS(nullptr, kNamespaceSeparator)) {
  auto parser = static_cast<XML_Parser>(parser_);
  XML_SetUserData(parser, this);
  XML_SetStartElementHandler(parser, &GpxFaultFinderAccess::OnStart);
}

GpxFaultFinder::~GpxFaultFinder() { XML_ParserFree(static_cast<XML_Parser>(parser_)); }

bool GpxFaultFinder::Feed(const char* data, std::size_t size, bool last) {
  auto parser = static_cast<XML_Parser>(parser_);
  if (XML_Parse(parser, data, static_cast<int>(size), last ? 1 : 0) == XML_STATUS_OK && !notGpx_) {
    return false;
  }
  line_ = static_cast<std::int64_t>(XML_GetCurrentLineNumber(parser));
  column_ = static_cast<std::int64_t>(XML_GetCurrentColumnNumber(parser)) + 1;
  return true;
}

}  // namespace vc::gpx
