// GPX 1.0 and 1.1 documents, read as a stream with expat: one record at a
// time, never the whole document in memory.
//
//   <gpx version="1.1" creator="..." xmlns="http://www.topografix.com/GPX/1/1">
//     <wpt lat="35.681236" lon="139.767125"><ele>3.4</ele>
//       <time>2002-07-15T03:04:05Z</time><name>STATION</name>
//       <cmt>...</cmt><desc>...</desc></wpt>
//     <rte><name>Kyoto trip</name><number>2</number>
//       <rtept lat="..." lon="..."><name>START</name></rtept> ...</rte>
//     <trk><name>...</name>
//       <trkseg><trkpt lat="..." lon="..."><time>...</time>
//         <speed>1.2</speed><course>45</course>          (GPX 1.0 only)
//         <extensions><gpxtpx:TrackPointExtension>
//           <gpxtpx:speed>1.2</gpxtpx:speed>               (metres per second)
//           <gpxtpx:course>45</gpxtpx:course>
//         </gpxtpx:TrackPointExtension></extensions></trkpt> ...
//       </trkseg> ...</trk>
//   </gpx>
//
// Coordinates are WGS84 decimal degrees and times UTC, by the rules of GPX;
// the segments of a track are joined in order. Elements the converter has
// no use for (metadata, links, other extensions) are passed over, whatever
// their namespace: GPX 1.0 files carry no namespace on their speed, 1.1
// files use Garmin's TrackPointExtension v1 or v2, under whatever prefix the
// document declares for it. Expat reads the names as written, which costs
// less than its namespace mode; the declarations and the rules of
// namespaces are kept here (xml_namespaces.hpp). The parser takes every
// encoding expat knows (UTF-8 with or without its byte order mark, UTF-16,
// ISO-8859-1, US-ASCII) as the XML declaration names it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/datetime.hpp"

namespace vc::gpx {

struct GpxPoint {
  // The values of the lat and lon attributes, read once, when their texts
  // are the general form of those values (as "35.684481507" is): the
  // numbers then stand for the texts.
  std::optional<double> latValue;
  std::optional<double> lonValue;
  // The texts, without the blanks around them; of a track point only when
  // there is no value.
  std::string lat;
  std::string lon;
  // Of a waypoint or a route point; a track point's are passed over, as no
  // output holds a text per track point.
  std::string name;
  std::string cmt;
  std::string desc;
  std::optional<double> elevation;
  std::optional<text::LocalSeconds> utc;  // whole seconds
  std::optional<double> speedMps;
  std::optional<double> course;
};

// What the document holds, in its order.
class GpxHandler {
 public:
  virtual ~GpxHandler() = default;
  virtual void Waypoint(const GpxPoint& point) = 0;
  virtual void RouteBegin() = 0;
  virtual void RoutePoint(const GpxPoint& point) = 0;
  // The route's name and number come at its end: GPX may put them after
  // the points.
  virtual void RouteEnd(std::string_view name, std::string_view number) = 0;
  virtual void TrackBegin() = 0;
  virtual void TrackPoint(const GpxPoint& point) = 0;
  virtual void TrackEnd(std::string_view name) = 0;
  // The end of a track that a parser went into from a split point
  // (GpxParser::ContinueInsideTrack) without reading a name for it: the
  // track is named as far as the document was read before the split. A
  // handler that never hears a second half may leave it as it is.
  virtual void TrackEndNamedBefore() { TrackEnd({}); }
};

class GpxParser {
 public:
  enum class Status {
    kRecord,    // a waypoint, a route or a track has ended: Resume for more
    kNeedMore,  // every byte fed has been parsed: Feed the next ones
    kEnd,       // the document has ended
    kError,     // the document is not well-formed (or not a GPX)
    kSplit,     // the split point is reached (StopAtTrackPoint)
  };

  explicit GpxParser(GpxHandler& handler);
  ~GpxParser();
  GpxParser(const GpxParser&) = delete;
  GpxParser& operator=(const GpxParser&) = delete;

  // The next bytes of the document; `last` with the final ones.
  Status Feed(const char* data, std::size_t size, bool last);
  // Room for the next `size` bytes inside the parser, to be read into and
  // handed over with Parse, which takes them where they lie (Feed copies
  // them first); nullptr when there is no memory for it, with ErrorLine
  // and ErrorColumn where the parser stands.
  char* Buffer(std::size_t size);
  Status Parse(std::size_t size, bool last);
  // Goes on after kRecord with the bytes fed before.
  Status Resume();

  // A document can be parsed in two halves at once: this parser up to a
  // track point's start tag, another from that tag on. This parser ends
  // with kSplit at the start tag found at byte `offset` of the document,
  // when that tag is a plain "trkpt" in a plain "trkseg" of a plain "trk"
  // just inside the root, with no namespace declared below the root: there
  // a parser that has read the root's start tag and "<trk><trkseg>" stands
  // exactly where this one does. Anywhere else the offset is passed over
  // and the document is read on as ever.
  void StopAtTrackPoint(std::int64_t offset);
  // At kSplit: the name the track has so far.
  [[nodiscard]] std::string_view SplitTrackName() const;
  // Makes this parser the second half: `prolog` is the document up to the
  // end of its root's start tag (RootStartTagEnd), after which a track and
  // a segment are opened without a word to the handler. The bytes to Feed
  // next are those from the split point on. The first track's end is
  // TrackEndNamedBefore unless a name is read for it here. False when the
  // prolog does not leave the parser inside that segment.
  bool ContinueInsideTrack(std::string_view prolog);

  // Where the error lies, 1-based.
  [[nodiscard]] std::int64_t ErrorLine() const noexcept { return errorLine_; }
  [[nodiscard]] std::int64_t ErrorColumn() const noexcept { return errorColumn_; }

  struct State;

 private:
  Status StatusOf(int xmlStatus);

  void* parser_;
  State* state_;
  bool last_ = false;
  std::int64_t errorLine_ = 0;
  std::int64_t errorColumn_ = 0;
};

// Where the root element's start tag ends in `head`, the first bytes of a
// document, when the document may be parsed in two halves: no document
// type declaration (its entities could be used anywhere), and an encoding
// in which every byte below 0x80 is that ASCII character (none declared,
// UTF-8, US-ASCII or ISO-8859-1), so that a tag can be found by its bytes.
// nullopt otherwise, or when the tag does not end within `head`.
std::optional<std::size_t> RootStartTagEnd(std::string_view head);

// Where the first "<trkpt" followed by a blank, "/" or ">" lies in `text`:
// by its bytes a track point's start tag, which only the parser can tell
// from the same bytes in a comment or a CDATA section. npos for none.
std::size_t FindTrackPointTag(std::string_view text) noexcept;

// Where a document that GpxParser refused is refused when expat reads its
// namespaces itself: the place the message names. Expat's namespace mode
// refuses some names earlier in a tag than its plain mode and the parser's
// own checks do (a character of another alphabet that may not follow a
// colon, a tag broken further on after a name with two colons). Fed the
// same bytes again from the start; only a refused document is read twice.
class GpxFaultFinder {
 public:
  GpxFaultFinder();
  ~GpxFaultFinder();
  GpxFaultFinder(const GpxFaultFinder&) = delete;
  GpxFaultFinder& operator=(const GpxFaultFinder&) = delete;

  // The next bytes, `last` with the final ones; true once the fault is
  // found, with Line() and Column() where it lies, 1-based.
  bool Feed(const char* data, std::size_t size, bool last);
  [[nodiscard]] std::int64_t Line() const noexcept { return line_; }
  [[nodiscard]] std::int64_t Column() const noexcept { return column_; }

 private:
  void* parser_;
  bool sawRoot_ = false;
  bool notGpx_ = false;
  std::int64_t line_ = 0;
  std::int64_t column_ = 0;

  friend struct GpxFaultFinderAccess;
};

}  // namespace vc::gpx
