// Conversions through the window with the types of its FileType frame's
// second row: to GPX and KML by their type buttons, from NMEA logs and GPX
// files chosen as the original file.
#include <cstdio>
#include <filesystem>

#include "panel/preview_view.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

std::size_t CountOf(const std::string& text, const std::string& part) {
  std::size_t count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// "$" + body + "*hh" with the body's checksum.
std::string Sentence(const std::string& body) {
  unsigned checksum = 0;
  for (const char c : body) checksum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", checksum);
  return "$" + body + tail;
}

// A receiver's stream of `fixes` RMC and GGA pairs one second apart, with
// no empty line between them.
std::string NmeaStream(int fixes) {
  std::string stream;
  for (int i = 0; i < fixes; ++i) {
    char time[16];
    std::snprintf(time, sizeof time, "0300%02d", i);
    char minutes[16];
    std::snprintf(minutes, sizeof minutes, "%07.4f", 40.0 + i * 0.01);
    stream += Sentence(std::string("GPRMC,") + time + ",A,3540." + (minutes + 3) + ",N,13945." +
                       (minutes + 3) + ",E,1.0,90.0,150702,,");
    stream += Sentence(std::string("GPGGA,") + time + ",3540." + (minutes + 3) + ",N,13945." +
                       (minutes + 3) + ",E,1,08,1.0,12.0,M,,,,");
  }
  return stream;
}

std::string GpxTrack(int points) {
  std::string gpx =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<gpx version=\"1.1\" creator=\"test\" xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
      "<trk><name>walk</name><trkseg>\n";
  for (int i = 0; i < points; ++i) {
    char point[160];
    std::snprintf(point, sizeof point,
                  "<trkpt lat=\"%.5f\" lon=\"%.5f\"><time>2002-07-15T03:00:%02dZ</time></trkpt>\n",
                  35.68 + i * 1e-4, 139.76 + i * 1e-4, i);
    gpx += point;
  }
  return gpx + "</trkseg></trk>\n</gpx>\n";
}

class PanelTypeConversions : public PanelTest {
 protected:
  // Chooses `input` as the original file (as its Ref. button would), then
  // the type button: AutoFileName names the converted file beside it.
  void ChooseAndConvert(const std::string& input, const char* typeButton) {
    services.chosen = input;
    Click("GetOrgFile");
    Click(typeButton);
    Convert();
  }
  const panel::PreviewData& Written() { return Get<panel::PreviewView>("Preview")->Content(); }
};

struct OutputCase {
  const char* button;
  const char* output;  // the automatic name
  const char* head;    // the document's root element
  const char* point;   // what is written once per track point
};

TEST_F(PanelTypeConversions, ATrackConvertsToGpxAndKmlByTheirButtons) {
  const std::string input = dir.Write("track.vrc", VrcTrack(4));
  const OutputCase kCases[] = {
      {"FileTypeLists(3)", "track.gpx", "<gpx ", "<trkpt "},
      {"FileTypeLists(4)", "track.kml", "<kml ", "<gx:coord>"},
  };
  for (const OutputCase& c : kCases) {
    SCOPED_TRACE(c.button);
    Make();
    ChooseAndConvert(input, c.button);
    EXPECT_EQ(TextOf("NewFileName"), dir.Path(c.output));
    EXPECT_TRUE(services.shown.empty()) << services.shown.front();
    const std::string written = ReadFile(dir.Path(c.output));
    EXPECT_NE(written.find(c.head), std::string::npos);
    EXPECT_EQ(CountOf(written, c.point), 4u);
    ASSERT_FALSE(Written().Empty());
    EXPECT_EQ(Written().points.size(), 4u);
  }
}

struct InputCase {
  const char* title;
  const char* name;
  std::string content;
  const char* red;  // the original's type name
  std::size_t points;
};

TEST_F(PanelTypeConversions, NmeaLogsAndGpxFilesConvertAsOriginals) {
  const InputCase kCases[] = {
      {"NMEA", "stream.nmea", NmeaStream(5), "FileTypeLists2(3)", 5},
      {"a .log of NMEA", "sniffed.log", "# logged by hand\r\n" + NmeaStream(3), "FileTypeLists2(3)",
       3},
      {"GPX", "walk.gpx", GpxTrack(6), "FileTypeLists(3)", 6},
  };
  for (const InputCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Make();
    const std::string input = dir.Write(c.name, c.content);
    ChooseAndConvert(input, "FileTypeLists(0)");
    EXPECT_TRUE(IsRed(c.red));
    const std::string output = TextOf("NewFileName");
    EXPECT_EQ(output.substr(output.size() - 4), ".mps");
    EXPECT_TRUE(services.shown.empty()) << services.shown.front();
    EXPECT_FALSE(ReadFile(output).empty());
    ASSERT_FALSE(Written().Empty());
    EXPECT_EQ(Written().points.size(), c.points);
  }
}

TEST_F(PanelTypeConversions, ARealCaptureConvertsFromNmeaToGpx) {
  const std::filesystem::path capture =
      std::filesystem::path(VC_REAL_CAPTURES) / "gpsd-garmin48.log";
  if (!std::filesystem::exists(capture)) GTEST_SKIP() << "no " << capture;
  // Seven fixes, named as receivers' logs often are.
  const std::string input = dir.Write("garmin48.nmea", ReadFile(capture));
  ChooseAndConvert(input, "FileTypeLists(3)");
  EXPECT_EQ(TextOf("NewFileName"), dir.Path("garmin48.gpx"));
  EXPECT_TRUE(IsRed("FileTypeLists2(3)"));
  EXPECT_EQ(CountOf(ReadFile(dir.Path("garmin48.gpx")), "<trkpt "), 7u);
}

}  // namespace
}  // namespace vc::testing
