#include "bench/input_generator.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <memory>

#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "text/datetime.hpp"

namespace vc::bench {
namespace {

constexpr double kTokyoStationLat = 35.6812;
constexpr double kTokyoStationLon = 139.7671;
constexpr double kMaxOffsetDeg = 0.15;  // about 15 km: the drive stays in Tokyo
constexpr double kMetresPerDegreeLat = 111320;
constexpr double kDegToRad = 3.14159265358979323846 / 180;
constexpr double kKnotsPerKmh = 1 / 1.852;
constexpr double kFeetPerMetre = 1 / 0.3048;
constexpr std::int64_t kOutageEvery = 997;
constexpr std::int64_t kOutageLength = 5;
constexpr int kWaypoints = 10;
constexpr int kRoutePoints = 10;

// A small generator of its own, so the files do not depend on the library.
class Random {
 public:
  double Next() noexcept {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<double>(state_ >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

struct Fix {
  text::LocalSeconds utc = 0;
  double lat = kTokyoStationLat;
  double lon = kTokyoStationLon;
  double speedKmh = 0;
  double course = 0;  // degrees from north, 0 to 360
  double altitude = 30;
  bool outage = false;
};

// One second of driving: the speed follows a target that changes every
// minute, the course wanders and turns back towards the centre near the edge.
class Drive {
 public:
  Drive() { fix_.utc = text::ToLocalSeconds({2002, 7, 15, 0, 0, 0}); }

  const Fix& Next() {
    if (count_ > 0) Advance();
    fix_.outage = count_ % kOutageEvery >= kOutageEvery - kOutageLength;
    ++count_;
    return fix_;
  }

 private:
  void Advance() {
    fix_.utc += 1;
    if (count_ % 60 == 0) targetKmh_ = random_.Next() * 100;
    const double change = std::clamp(targetKmh_ - fix_.speedKmh, -2.0, 2.0);
    fix_.speedKmh = std::clamp(fix_.speedKmh + change, 0.0, 100.0);
    fix_.course += (random_.Next() - 0.5) * 8;
    const double dLat = fix_.lat - kTokyoStationLat;
    const double dLon = fix_.lon - kTokyoStationLon;
    if (std::hypot(dLat, dLon) > kMaxOffsetDeg) {
      fix_.course = std::atan2(-dLon, -dLat) / kDegToRad;
    }
    fix_.course = std::fmod(fix_.course + 360, 360);
    const double metres = fix_.speedKmh / 3.6;
    fix_.lat += metres * std::cos(fix_.course * kDegToRad) / kMetresPerDegreeLat;
    fix_.lon += metres * std::sin(fix_.course * kDegToRad) /
                (kMetresPerDegreeLat * std::cos(fix_.lat * kDegToRad));
    fix_.altitude = 30 + 20 * std::sin(static_cast<double>(count_) / 500);
  }

  Fix fix_;
  Random random_;
  double targetKmh_ = 40;
  std::int64_t count_ = 0;
};

// `value` with `decimals` digits after the point and at least `width`
// characters before it, zero-padded.
void AppendFixed(std::string& out, double value, int decimals, int width = 1) {
  std::array<char, 64> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(value),
                                    std::chars_format::fixed, decimals);
  const std::string_view digits(buf.data(), static_cast<std::size_t>(result.ptr - buf.data()));
  const std::size_t point = decimals > 0 ? digits.find('.') : digits.size();
  if (value < 0) out += '-';
  if (point < static_cast<std::size_t>(width)) {
    out.append(static_cast<std::size_t>(width) - point, '0');
  }
  out += digits;
}

void AppendInt(std::string& out, std::int64_t value, int width) {
  AppendFixed(out, static_cast<double>(value), 0, width);
}

// Degrees as NMEA's ddmm.mmmm (latitude) or dddmm.mmmm (longitude).
void AppendNmeaAngle(std::string& out, double degrees, int degreeDigits) {
  const auto whole = static_cast<std::int64_t>(degrees);
  const double minutes = (degrees - static_cast<double>(whole)) * 60;
  AppendInt(out, whole, degreeDigits);
  AppendFixed(out, minutes, 4, 2);
}

class Output {
 public:
  explicit Output(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}
  ~Output() {
    if (file_ != nullptr) std::fclose(file_);
  }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  [[nodiscard]] bool Ok() const noexcept { return file_ != nullptr && ok_; }
  std::string& text() noexcept { return text_; }
  void EndLine() {
    text_ += "\r\n";
    if (text_.size() >= (1 << 20)) Flush();
  }
  bool Close() {
    Flush();
    if (file_ == nullptr) return false;
    ok_ = std::fclose(file_) == 0 && ok_;
    file_ = nullptr;
    return ok_;
  }

 private:
  void Flush() {
    if (file_ != nullptr && std::fwrite(text_.data(), 1, text_.size(), file_) != text_.size()) {
      ok_ = false;
    }
    text_.clear();
  }

  std::FILE* file_;
  std::string text_;
  bool ok_ = true;
};

// ---- VRN -------------------------------------------------------------------

void EndSentence(Output& out, std::size_t start) {
  std::string& text = out.text();
  unsigned sum = 0;
  for (std::size_t i = start + 1; i < text.size(); ++i) sum ^= static_cast<unsigned char>(text[i]);
  constexpr std::string_view kHex = "0123456789ABCDEF";
  text += '*';
  text += kHex[(sum >> 4) & 0xF];
  text += kHex[sum & 0xF];
  out.EndLine();
}

void AppendHms(std::string& out, const text::CivilDateTime& c) {
  AppendInt(out, c.hour, 2);
  AppendInt(out, c.minute, 2);
  AppendInt(out, c.second, 2);
}

// The sentences of one fix, as a receiver sends them.
void WriteNmeaSentences(Output& out, const Fix& fix) {
  const text::CivilDateTime c = text::ToCivil(fix.utc);
  std::string& t = out.text();
  std::size_t start = t.size();
  t += "$GPRMC,";
  AppendHms(t, c);
  if (fix.outage) {
    t += ",V,,,,,,,";
  } else {
    t += ",A,";
    AppendNmeaAngle(t, fix.lat, 2);
    t += ",N,";
    AppendNmeaAngle(t, fix.lon, 3);
    t += ",E,";
    AppendFixed(t, fix.speedKmh * kKnotsPerKmh, 1, 3);
    t += ',';
    AppendFixed(t, fix.course, 1, 3);
    t += ',';
  }
  AppendInt(t, c.day, 2);
  AppendInt(t, c.month, 2);
  AppendInt(t, c.year % 100, 2);
  t += ",007.2,W";
  EndSentence(out, start);

  start = t.size();
  t += "$GPGGA,";
  AppendHms(t, c);
  if (fix.outage) {
    t += ",,,,,0,00,,,M,,M,,";
  } else {
    t += ',';
    AppendNmeaAngle(t, fix.lat, 2);
    t += ",N,";
    AppendNmeaAngle(t, fix.lon, 3);
    t += ",E,1,07,1.1,";
    AppendFixed(t, fix.altitude, 1);
    t += ",M,36.7,M,,";
  }
  EndSentence(out, start);

  start = t.size();
  t +=
      fix.outage ? "$GPGSA,A,1,,,,,,,,,,,,,,," : "$GPGSA,A,3,02,05,07,13,17,20,28,,,,,,1.9,1.1,1.5";
  EndSentence(out, start);
  if (!fix.outage) {
    start = t.size();
    t += "$PGRME,";
    AppendFixed(t, 4 + std::fmod(fix.course, 7), 1);
    t += ",M,9.8,M,11.4,M";
    EndSentence(out, start);
    start = t.size();
    t += "$PGRMZ,";
    AppendFixed(t, std::round(fix.altitude * kFeetPerMetre), 0);
    t += ",f,3";
    EndSentence(out, start);
  }
}

// The logger's block: the sentences of a fix, then an empty line.
void WriteVrnBlock(Output& out, const Fix& fix) {
  WriteNmeaSentences(out, fix);
  out.EndLine();
}

// ---- VRP and VRM -----------------------------------------------------------

// Japan time, as the logger's clock ran.
void AppendJapanDateTime(std::string& out, text::LocalSeconds utc) {
  text::AppendDateTime(out, utc + 9 * 3600);
}

void WriteVrpLine(Output& out, const Fix& fix) {
  std::string& t = out.text();
  t += "WGS84,9,";
  AppendJapanDateTime(t, fix.utc);
  t += ",12,N,";
  AppendFixed(t, fix.lat, 6);
  t += ",E,";
  AppendFixed(t, fix.lon, 6);
  t += ',';
  AppendFixed(t, fix.altitude, 0);
  t += ',';
  AppendFixed(t, fix.speedKmh / 3.6, 2);
  t += ',';
  AppendFixed(t, fix.course, 2);
  t += ",0.12,+,3D,-.-,*,---.-";
  out.EndLine();
}

// Degrees as Garmin's dd (or ddd) followed by minutes * 1000 in 5 digits.
void AppendGarminAngle(std::string& out, double degrees, int degreeDigits) {
  const auto whole = static_cast<std::int64_t>(degrees);
  const auto thousandths =
      static_cast<std::int64_t>(std::round((degrees - static_cast<double>(whole)) * 60000));
  AppendInt(out, whole, degreeDigits);
  AppendInt(out, thousandths, 5);
}

void WriteVrmLine(Output& out, const Fix& fix) {
  const text::CivilDateTime c = text::ToCivil(fix.utc);
  std::string& t = out.text();
  t += '@';
  AppendInt(t, c.year % 100, 2);
  AppendInt(t, c.month, 2);
  AppendInt(t, c.day, 2);
  AppendHms(t, c);
  t += 'N';
  AppendGarminAngle(t, fix.lat, 2);
  t += 'E';
  AppendGarminAngle(t, fix.lon, 3);
  t += fix.outage ? '_' : 'G';
  t += "012+";
  AppendInt(t, static_cast<std::int64_t>(fix.altitude), 5);
  const double east = fix.speedKmh / 3.6 * std::sin(fix.course * kDegToRad) * 10;
  const double north = fix.speedKmh / 3.6 * std::cos(fix.course * kDegToRad) * 10;
  t += east < 0 ? 'W' : 'E';
  AppendInt(t, static_cast<std::int64_t>(std::fabs(east)), 4);
  t += north < 0 ? 'S' : 'N';
  AppendInt(t, static_cast<std::int64_t>(std::fabs(north)), 4);
  t += "U0012";
  out.EndLine();
}

// ---- Waypoint+ and VRC -----------------------------------------------------

// Waypoints and route points lie on a ring around Tokyo Station.
void RingPoint(int i, double& lat, double& lon) {
  const double angle = i * 36.0 * kDegToRad;
  lat = kTokyoStationLat + 0.05 * std::cos(angle);
  lon = kTokyoStationLon + 0.06 * std::sin(angle);
}

void AppendWptDateTime(std::string& out, text::LocalSeconds utc) {
  text::AppendMonthDayYear(out, utc);
  out += ',';
  text::AppendTimeOfDay(out, utc);
}

void WriteWptPoint(Output& out, std::string_view kind, int i, text::LocalSeconds utc) {
  double lat = 0;
  double lon = 0;
  RingPoint(i, lat, lon);
  std::string& t = out.text();
  t += kind;
  t += ",D,";
  t += kind == "WP" ? "SPOT" : "TURN";
  AppendInt(t, i, 2);
  t += ", ";
  AppendFixed(t, lat, 6);
  t += ", ";
  AppendFixed(t, lon, 6);
  t += ',';
  AppendWptDateTime(t, utc);
  t += ",near Tokyo";
  out.EndLine();
}

void WriteWaypointPlus(Output& out, std::int64_t fixes) {
  Drive drive;
  const text::LocalSeconds start = drive.Next().utc;
  out.text() += "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664";
  out.EndLine();
  for (int i = 0; i < kWaypoints; ++i) WriteWptPoint(out, "WP", i, start);
  out.text() += "RN,1,Ring road";
  out.EndLine();
  for (int i = 0; i < kRoutePoints; ++i) WriteWptPoint(out, "RP", i, start);
  Drive track;
  for (std::int64_t n = 0; n < fixes; ++n) {
    const Fix& fix = track.Next();
    std::string& t = out.text();
    t += "TP,D, ";
    AppendFixed(t, fix.lat, 6);
    t += ", ";
    AppendFixed(t, fix.lon, 6);
    t += ',';
    AppendWptDateTime(t, fix.utc);
    t += n == 0 ? ",1" : ",0";
    out.EndLine();
  }
}

// One route of `points` points round the ring, each with its own name.
void WriteWaypointPlusRoute(Output& out, std::int64_t points) {
  Drive drive;
  const text::LocalSeconds start = drive.Next().utc;
  out.text() += "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664";
  out.EndLine();
  out.text() += "RN,1,Long road";
  out.EndLine();
  for (std::int64_t n = 0; n < points; ++n) {
    WriteWptPoint(out, "RP", static_cast<int>(n % 1000), start);
  }
}

void AppendColumns(std::string& out, std::initializer_list<std::string_view> columns,
                   std::size_t total) {
  std::size_t n = 0;
  for (std::string_view column : columns) {
    if (n++ > 0) out += '\t';
    out += column;
  }
  for (; n < total; ++n) out += '\t';
}

void WriteVrcPoint(Output& out, std::string_view kind, int i, std::size_t columns) {
  double lat = 0;
  double lon = 0;
  RingPoint(i, lat, lon);
  std::string name = "SPOT";
  AppendInt(name, i, 2);
  std::string latText;
  AppendFixed(latText, lat, 6);
  std::string lonText;
  AppendFixed(lonText, lon, 6);
  std::string& t = out.text();
  AppendColumns(t, {kind, "D", "TOKYO", name, latText, lonText, "near Tokyo"}, 38);
  t += '\t';
  AppendColumns(t, {name, "near Tokyo"}, columns - 38);
  out.EndLine();
}

void WriteVrc(Output& out, std::int64_t fixes) {
  for (int i = 0; i < kWaypoints; ++i) WriteVrcPoint(out, "WPT", i, 44);
  out.text() += "RTH\t1\tRing road\t";
  AppendInt(out.text(), kRoutePoints, 1);
  out.EndLine();
  for (int i = 0; i < kRoutePoints; ++i) WriteVrcPoint(out, "RTP", i, 64);
  out.text() += "TRH\t";
  AppendInt(out.text(), fixes, 1);
  out.text() += "\tTrue\t\t";
  out.EndLine();
  Drive drive;
  for (std::int64_t n = 0; n < fixes; ++n) {
    const Fix& fix = drive.Next();
    std::string& t = out.text();
    t += "TRP\tD\tTOKYO\t";
    AppendFixed(t, fix.lat, 6);
    t += '\t';
    AppendFixed(t, fix.lon, 6);
    t += '\t';
    AppendJapanDateTime(t, fix.utc);
    t += n == 0 ? "\tTrue\t-\t-\t0" : "\tFalse\t-\t-\t0";
    out.EndLine();
  }
}

template <typename WriteFix>
void WriteFixes(Output& out, std::int64_t fixes, WriteFix writeFix) {
  Drive drive;
  for (std::int64_t n = 0; n < fixes; ++n) writeFix(out, drive.Next());
}

class QuietObserver final : public engine::Observer {
 public:
  void Show(engine::Message message, std::string_view name, std::string_view /*detail*/) override {
    std::fprintf(stderr, "%s\n", engine::MessageText(message, name).c_str());
  }
  bool AskOverwrite(std::string_view /*name*/) override { return true; }
};

// An MPS script or a GPX document as the program writes it: the Waypoint+
// file converted, with every annotation.
bool GenerateByConversion(std::int64_t fixes, const std::string& path,
                          const std::string& groupFile) {
  const std::string source = path + ".source.txt";
  if (!GenerateInput(InputKind::kWpt, fixes, source, groupFile)) return false;
  engine::ConvertOptions options;
  options.inputName = source;
  options.outputName = path;
  options.groupFilePath = groupFile;
  options.convertWaypoints = options.convertRoutes = options.convertTracks = true;
  options.lineTotalPoints = options.lineTotalTime = true;
  options.lineTotalLength = options.lineTotalVelocity = true;
  options.pointPastDate = options.pointPastVelocity = options.pointPastDegree = true;
  options.pointHeadDegree = options.pointLegTime = true;
  options.pointLegLength = options.pointLegVelocity = true;
  engine::ConversionContext context;
  QuietObserver observer;
  const engine::ConversionResult result = engine::ConvertFile(options, context, observer);
  std::remove(source.c_str());
  return result.outcome == engine::Outcome::kConverted;
}

}  // namespace

std::string_view SuffixOf(InputKind kind) noexcept {
  switch (kind) {
    case InputKind::kVrn:
      return "vrn";
    case InputKind::kVrp:
      return "vrp";
    case InputKind::kVrm:
      return "vrm";
    case InputKind::kWpt:
      return "txt";
    case InputKind::kVrc:
      return "vrc";
    case InputKind::kMps:
      return "mps";
    case InputKind::kNmea:
      return "nmea";
    case InputKind::kGpx:
      return "gpx";
    case InputKind::kWptRoute:
      return "txt";
  }
  return "";
}

std::string_view NameOf(InputKind kind) noexcept {
  return kind == InputKind::kWptRoute ? "route" : SuffixOf(kind);
}

bool GenerateInput(InputKind kind, std::int64_t fixes, const std::string& path,
                   const std::string& groupFile) {
  if (kind == InputKind::kMps || kind == InputKind::kGpx) {
    return GenerateByConversion(fixes, path, groupFile);
  }
  Output out(path);
  if (!out.Ok()) return false;
  switch (kind) {
    case InputKind::kVrn:
      WriteFixes(out, fixes, WriteVrnBlock);
      break;
    case InputKind::kNmea:
      WriteFixes(out, fixes, WriteNmeaSentences);
      break;
    case InputKind::kVrp:
      WriteFixes(out, fixes, WriteVrpLine);
      break;
    case InputKind::kVrm:
      WriteFixes(out, fixes, WriteVrmLine);
      break;
    case InputKind::kWpt:
      WriteWaypointPlus(out, fixes);
      break;
    case InputKind::kVrc:
      WriteVrc(out, fixes);
      break;
    case InputKind::kWptRoute:
      WriteWaypointPlusRoute(out, fixes);
      break;
    case InputKind::kMps:
    case InputKind::kGpx:
      break;
  }
  return out.Close();
}

}  // namespace vc::bench
