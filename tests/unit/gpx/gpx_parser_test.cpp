#include "formats/gpx/gpx_parser.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vc::gpx {
namespace {

#define TPX1 "http://www.garmin.com/xmlschemas/TrackPointExtension/v1"
#define TPX2 "http://www.garmin.com/xmlschemas/TrackPointExtension/v2"

// What a document holds, as lines: "W name lat lon", "R name number n",
// "T name n", one per record, and the points of the last track.
class Recorder final : public GpxHandler {
 public:
  void Waypoint(const GpxPoint& point) override {
    records.push_back("W " + point.name + " " + point.lat + " " + point.lon);
    last = point;
  }
  void RouteBegin() override { points = 0; }
  void RoutePoint(const GpxPoint& /*point*/) override { ++points; }
  void RouteEnd(std::string_view name, std::string_view number) override {
    records.push_back("R " + std::string(name) + " " + std::string(number) + " " +
                      std::to_string(points));
  }
  void TrackBegin() override { points = 0; }
  void TrackPoint(const GpxPoint& point) override {
    ++points;
    last = point;
  }
  void TrackEnd(std::string_view name) override {
    records.push_back("T " + std::string(name) + " " + std::to_string(points));
  }

  std::vector<std::string> records;
  GpxPoint last;
  int points = 0;
};

struct Parsed {
  GpxParser::Status status;
  std::vector<std::string> records;
  GpxPoint last;
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// Fed in pieces of `piece` bytes, resumed after every record; copied into
// the parser's own buffer (as the reader does) or handed over to be copied.
Parsed Parse(const std::string& document, std::size_t piece = 7, bool intoBuffer = false) {
  Recorder recorder;
  GpxParser parser(recorder);
  GpxParser::Status status = GpxParser::Status::kNeedMore;
  std::size_t at = 0;
  while (true) {
    if (status == GpxParser::Status::kRecord) {
      status = parser.Resume();
    } else if (status == GpxParser::Status::kNeedMore) {
      const std::size_t size = std::min(piece, document.size() - at);
      const bool last = at + size == document.size();
      if (intoBuffer) {
        char* room = parser.Buffer(piece);
        if (room == nullptr) break;
        std::copy_n(document.data() + at, size, room);
        status = parser.Parse(size, last);
      } else {
        status = parser.Feed(document.data() + at, size, last);
      }
      at += size;
    } else {
      break;
    }
  }
  return {status, recorder.records, recorder.last, parser.ErrorLine(), parser.ErrorColumn()};
}

std::string ReadSample(const std::string& name) {
  const char* tests = std::getenv("VC_TESTDATA");
  const std::filesystem::path base = tests != nullptr ? tests : ".";
  std::ifstream file(base / ".." / ".." / "shared" / "testdata" / "gpx" / name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(GpxParser, RecordsOneAtATimeWhateverThePieces) {
  const std::string document =
      "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:tpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
      "<metadata><name>not a waypoint</name><time>2013-01-01T12:00:00Z</time></metadata>\n"
      "<wpt lat=\" 35.681236\" lon=\"139.767125\"><name>STATION</name><cmt>c &amp; d</cmt>"
      "<extensions><x:name xmlns:x=\"urn:x\">not the name</x:name></extensions></wpt>\n"
      "<rte><rtept lat=\"1\" lon=\"2\"><name>A</name></rtept><rtept lat=\"3\" lon=\"4\"/>"
      "<name>Kyoto trip</name><number>7</number></rte>\n"
      "<trk><name>Walk</name><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg><trkseg/>"
      "<trkseg><trkpt lat=\"3\" lon=\"4\"><ele>12.5</ele><time>2009-10-17T18:37:26.5Z</time>"
      "<extensions><tpx:TrackPointExtension><tpx:speed>2.5</tpx:speed><tpx:course>45</tpx:course>"
      "</tpx:TrackPointExtension></extensions></trkpt></trkseg></trk>\n</gpx>\n";
  for (const auto& [piece, intoBuffer] :
       {std::pair{std::size_t{1}, false}, std::pair{std::size_t{7}, false},
        std::pair{document.size(), false}, std::pair{std::size_t{1}, true},
        std::pair{std::size_t{5}, true}, std::pair{document.size(), true}}) {
    SCOPED_TRACE(testing::Message() << piece << (intoBuffer ? " into the buffer" : ""));
    const Parsed parsed = Parse(document, piece, intoBuffer);
    EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
    EXPECT_EQ(parsed.records, (std::vector<std::string>{"W STATION 35.681236 139.767125",
                                                        "R Kyoto trip 7 2", "T Walk 2"}));
    EXPECT_EQ(parsed.last.elevation, 12.5);
    EXPECT_EQ(parsed.last.utc, text::ToLocalSeconds({2009, 10, 17, 18, 37, 26}));
    EXPECT_EQ(parsed.last.speedMps, 2.5);
    EXPECT_EQ(parsed.last.course, 45);
  }
}

TEST(GpxParser, SpeedAndCourseOfGpx10) {
  const Parsed parsed = Parse(
      "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg>"
      "<trkpt lat=\"1\" lon=\"2\"><course>270.5</course><speed>3</speed></trkpt>"
      "</trkseg></trk></gpx>");
  EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
  EXPECT_EQ(parsed.last.speedMps, 3);
  EXPECT_EQ(parsed.last.course, 270.5);
}

TEST(GpxParser, EncodingsTheDeclarationNames) {
  // "é" in ISO-8859-1 is the byte 0xE9; it arrives as UTF-8.
  const Parsed latin = Parse(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx><wpt lat=\"1\" lon=\"2\">"
      "<name>caf\xe9</name></wpt></gpx>");
  EXPECT_EQ(latin.records, std::vector<std::string>{"W caf\xc3\xa9 1 2"});
  const Parsed bom = Parse("\xef\xbb\xbf<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
  EXPECT_EQ(bom.status, GpxParser::Status::kEnd);
}

// A document the parser refuses, and the place it names.
struct FaultCase {
  const char* document;
  std::int64_t line;
  std::int64_t column;
};

template <std::size_t N>
void ExpectFaultsAt(const FaultCase (&cases)[N]) {
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.document);
    const Parsed parsed = Parse(c.document);
    EXPECT_EQ(parsed.status, GpxParser::Status::kError);
    EXPECT_EQ(parsed.line, c.line);
    EXPECT_EQ(parsed.column, c.column);
  }
}

TEST(GpxParser, DocumentsThatAreNotWellFormedSayWhere) {
  const FaultCase cases[] = {
      {"<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</trk></gpx>", 3, 3},
      {"<gpx><wpt lat=\"1\" lon=\"2\"></wpt>", 1, 33},
      {"", 1, 1},
      {"<kml><Document/></kml>", 1, 6},
  };
  ExpectFaultsAt(cases);
}

// The parser is not namespace-aware: the prefixes are resolved from the
// declarations, whatever their spelling and wherever they are made.
TEST(GpxParser, TrackPointExtensionWhateverItsPrefix) {
  const struct {
    const char* what;
    const char* extension;
    std::optional<double> speed;
  } cases[] = {
      {"a prefix of its own",
       "<ns3:TrackPointExtension><ns3:speed>2.5</ns3:speed>"
       "</ns3:TrackPointExtension>",
       2.5},
      {"declared on the extension",
       "<g:TrackPointExtension xmlns:g=\"" TPX1 "\"><g:speed>2.5"
       "</g:speed></g:TrackPointExtension>",
       2.5},
      {"the default namespace",
       "<TrackPointExtension xmlns=\"" TPX1 "\"><speed>2.5</speed>"
       "</TrackPointExtension>",
       2.5},
      {"a prefix bound to another namespace",
       "<ns3:TrackPointExtension xmlns:ns3=\"urn:other\"><ns3:speed>2.5</ns3:speed>"
       "</ns3:TrackPointExtension>",
       std::nullopt},
      {"the GPX namespace, no extension", "<x><speed>2.5</speed></x>", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Parsed parsed = Parse(std::string("<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" "
                                            "xmlns:ns3=\"" TPX2 "\"><trk><trkseg>"
                                            "<trkpt lat=\"1\" lon=\"2\"><extensions>") +
                                c.extension + "</extensions></trkpt></trkseg></trk></gpx>");
    EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
    EXPECT_EQ(parsed.last.speedMps, c.speed);
  }
  // The extension's declaration ends with it: the next point's speed
  // element is GPX's again, and inside extensions no one's.
  const Parsed scoped =
      Parse("<gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><extensions><e xmlns=\"" TPX2
            "\">"
            "<speed>1</speed></e></extensions></trkpt><trkpt lat=\"3\" lon=\"4\"><extensions><e>"
            "<speed>2</speed></e></extensions></trkpt></trkseg></trk></gpx>");
  EXPECT_EQ(scoped.records, std::vector<std::string>{"T  2"});
  EXPECT_EQ(scoped.last.speedMps, std::nullopt);
}

TEST(GpxParser, DeclarationsAndPrefixedAttributesAreNoCoordinates) {
  const Parsed parsed = Parse(
      "<gpx xmlns:g=\"urn:g\"><wpt xmlns:lat=\"urn:lat\" g:lat=\"5\" lat=\"1\" "
      "lon=\"2\" xml:lang=\"en\"><name>A &amp; <![CDATA[<B>]]>&#x43;</name></wpt></gpx>");
  EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
  // g:lat comes first and is read as the latitude, as a namespace-aware
  // parser gives it; lat then wins.
  EXPECT_EQ(parsed.records, std::vector<std::string>{"W A & <B>C 1 2"});
  EXPECT_EQ(parsed.last.latValue, 1.0);
}

// What a namespace-aware parser refuses stops the document at the same
// place.
TEST(GpxParser, NamespaceFaultsSayWhere) {
  const FaultCase cases[] = {
      {"<gpx>\n  <a:b/></gpx>", 2, 3},                           // prefix never declared
      {"<gpx><b xmlns:a='u'/><a:c/></gpx>", 1, 22},              // declared elsewhere
      {"<gpx a:x='1'/>", 1, 1},                                  // on an attribute
      {"<gpx xmlns:a=''><a:b/></gpx>", 1, 1},                    // undeclared
      {"<gpx xmlns:a='u' xmlns:b='u' a:x='1' b:x='2'/>", 1, 1},  // the same attribute
      {"<gpx><a:b:c xmlns:a='u'/></gpx>", 1, 10},                // two colons
      {"<gpx><a:1 xmlns:a='u'/></gpx>", 1, 9},                   // no name after the colon
      {"<gpx><:a/></gpx>", 1, 7},                                // no prefix before it
      {"<gpx><\xc3\xa9:b:c xmlns:\xc3\xa9='u'/></gpx>", 1, 10},  // columns count characters
      // In an attribute's name: at the character, wherever the tag puts it.
      {"<gpx a:b:c='1'/>", 1, 9},
      {"<gpx\n  x='1' a:1='2'/>", 2, 11},
      {"<gpx\r\n x = \"a'>\" \r\n\t:a='1'/>", 3, 2},
      {"<gpx xmlns:a:b='u'/>", 1, 13},
      {"<gpx :a='1'/>", 1, 6},
      {"<gpx xmlns:='u'/>", 1, 12},
      {"<gpx xmlns:a='u' xmlns:xml='v' b:1='1'/>", 1, 34},  // before the declarations
      {"<gpx xmlns:xml='u'/>", 1, 1},                       // reserved prefixes
      {"<gpx xmlns:xmlns='u'/>", 1, 1},
      {"<gpx xmlns='http://www.w3.org/2000/xmlns/'/>", 1, 1},  // reserved names
      {"<gpx xmlns:p='http://www.w3.org/XML/1998/namespace'/>", 1, 1},
      {"<gpx><xmlns:c/></gpx>", 1, 6},
  };
  ExpectFaultsAt(cases);
  for (const char* document :
       {"<gpx xml:lang='en'/>", "<gpx xmlns:xml='http://www.w3.org/XML/1998/namespace'/>",
        "<gpx xmlns=''/>", "<gpx xmlns:a='u' a:x='1' x='2'/>",
        "<gpx xmlns:a='u'><a:b xmlns:a='v'/></gpx>",
        // A declaration holds for its whole tag, wherever it stands in it.
        "<gpx a:x='1' xmlns:a='u'/>", "<a:gpx xmlns:a='u'/>",
        "<gpx xmlns:a='u' xmlns:b='u' a:x='1' b:y='2'/>",
        // Letters of other alphabets may start a local name, also after xml:.
        "<gpx xmlns:a='u'><a:\xc3\xa9t\xc3\xa9 xml:\xc3\xa9='1'/></gpx>"}) {
    SCOPED_TRACE(document);
    EXPECT_EQ(Parse(document).status, GpxParser::Status::kEnd);
  }
}

// The place named for a refused document is where expat's namespace mode
// refuses it, also where its plain mode reads further or the names pass
// the parser's own checks.
TEST(GpxFaultFinder, NamesThePlaceOfANamespaceAwareReading) {
  const struct {
    const char* what;
    const char* document;
    std::int64_t line;
    std::int64_t column;
  } cases[] = {
      {"a name ending in a colon", "<gpx>\n<wlns:/gpx>", 2, 7},
      {"a colon alone at the end", "<gpx><wpt lat=\"1\"><:", 1, 20},
      {"a combining mark after the colon",
       "<gpx xmlns:a='u'>\n <a:\xcc\x93"
       "b/></gpx>",
       2, 5},
      {"a colon starting an attribute", "<gpx><x\r:=\"a\x01\"/></gpx>", 2, 1},
      {"two colons", "<gpx><a:b:c></a:b:c></gpx>", 1, 10},
      {"no gpx", "<kml><Document/></kml>", 1, 6},
      {"no document", "", 1, 1},
      // Regression: a namespace name holding the finder's separator was
      // refused there, and named instead of the fault.
      {"a namespace name with a bar", "<gpx xmlns:a='urn:a|b'>\n<wpt lat='1'>\n</trk></gpx>", 3, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string document = c.document;
    EXPECT_EQ(Parse(document).status, GpxParser::Status::kError);
    GpxFaultFinder finder;
    bool found = false;
    // In pieces, as the reader reads the file again.
    for (std::size_t at = 0; !found && at <= document.size(); at += 3) {
      const std::size_t size = std::min<std::size_t>(3, document.size() - at);
      found = finder.Feed(document.data() + at, size, at + size == document.size());
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(finder.Line(), c.line);
    EXPECT_EQ(finder.Column(), c.column);
  }
  GpxFaultFinder sound;
  const std::string document = "<gpx xmlns:a='u'><a:b/></gpx>";
  EXPECT_FALSE(sound.Feed(document.data(), document.size(), true));
}

TEST(GpxParser, FilesOfOtherPrograms) {
  const struct {
    const char* file;
    std::vector<std::string> records;
  } cases[] = {
      {"track-with-empty-segment.gpx", {"T 2013-07-06T14:59:00Z 9"}},
      {"route.gpx", {"R   55"}},  // no name, no number
      {"unicode_with_bom.gpx", {"W test 43.309634 3.515386"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string document = ReadSample(c.file);
    if (document.empty()) GTEST_SKIP() << "no GPX samples";
    const Parsed parsed = Parse(document, 4096);
    EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
    EXPECT_EQ(parsed.records, c.records);
  }
}

}  // namespace
}  // namespace vc::gpx
