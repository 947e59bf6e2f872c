#include "engine/report.hpp"

#include <cstdint>
#include <string_view>

#include "text/numbers.hpp"

namespace vc::engine {
namespace {

struct Words {
  std::string_view japanese;
  std::string_view englishOne;
  std::string_view englishMany;
};

constexpr Words kSkipReasons[] = {
    {"時刻か位置のないログ記録", "log record without a usable time or position",
     "log records without a usable time or position"},
    {"読めない種類の行", "line of an unknown kind", "lines of unknown kinds"},
    {"変換するデータに選ばれていない記録", "record of a kind not chosen to convert",
     "records of kinds not chosen to convert"},
    {"チェックサムの合わない NMEA 文", "NMEA sentence with a wrong or missing checksum",
     "NMEA sentences with a wrong or missing checksum"},
    {"途中で切れた NMEA 文", "NMEA sentence cut short", "NMEA sentences cut short"},
    {"NMEA 文でない行", "line that is not an NMEA sentence", "lines that are not NMEA sentences"},
    {"出力の文字コードにない文字 (? で書き込み)",
     "character the output's encoding cannot hold (written as ?)",
     "characters the output's encoding cannot hold (written as ?)"},
};
static_assert(std::size(kSkipReasons) == static_cast<std::size_t>(SkipReason::kCount));

void AppendCount(std::string& out, std::int64_t count) { out += std::to_string(count); }

// "2 waypoints, 1 route (5 points)" or "ウェイポイント 2，ルート 1 (5 点)";
// kinds without records are left out.
std::string KindList(const KindCounts& counts, Language language) {
  const bool english = language == Language::kEnglish;
  std::string list;
  auto item = [&](std::int64_t records, std::string_view one, std::string_view many,
                  std::string_view japanese, const std::int64_t* points) {
    if (records == 0) return;
    if (!list.empty()) list += english ? ", " : "，";
    if (english) {
      AppendCount(list, records);
      list += ' ';
      list += records == 1 ? one : many;
    } else {
      list += japanese;
      list += ' ';
      AppendCount(list, records);
    }
    if (points == nullptr) return;
    list += " (";
    AppendCount(list, *points);
    list += english ? (*points == 1 ? " point" : " points") : " 点";
    list += ')';
  };
  item(counts.waypoints, "waypoint", "waypoints", "ウェイポイント", nullptr);
  item(counts.routes, "route", "routes", "ルート", &counts.routePoints);
  item(counts.tracks, "track", "tracks", "トラック", &counts.trackPoints);
  if (list.empty()) list = english ? "nothing" : "なし";
  return list;
}

std::string SkipList(const ConversionReport& report, Language language) {
  std::string list;
  for (std::size_t i = 0; i < report.skipped.size(); ++i) {
    if (report.skipped[i] == 0) continue;
    if (!list.empty()) list += language == Language::kEnglish ? ", " : "，";
    if (language == Language::kEnglish) {
      AppendCount(list, report.skipped[i]);
      list += ' ';
      list += report.skipped[i] == 1 ? kSkipReasons[i].englishOne : kSkipReasons[i].englishMany;
    } else {
      list += kSkipReasons[i].japanese;
      list += ' ';
      AppendCount(list, report.skipped[i]);
    }
  }
  return list;
}

// Hours, minutes and seconds: "26:03:07".
void AppendDuration(std::string& out, double seconds) {
  const std::int64_t whole = text::RoundHalfEven(seconds);
  AppendCount(out, whole / 3600);
  out += ':';
  text::AppendPattern(out, static_cast<double>(whole / 60 % 60), text::kPattern00);
  out += ':';
  text::AppendPattern(out, static_cast<double>(whole % 60), text::kPattern00);
}

std::string TrackLine(const TrackFigures& tracks, Language language) {
  const bool english = language == Language::kEnglish;
  std::string line(english ? "tracks: " : "トラック: ");
  text::AppendPattern(line, tracks.lengthM / 1000, text::NumberPattern{1, 3});
  line += " km";
  line += english ? ", " : "，";
  AppendDuration(line, tracks.durationS);
  if (tracks.firstTime.empty() && tracks.lastTime.empty()) return line;
  line += english ? ", from " : "，";
  line += tracks.firstTime;
  line += english ? " to " : " から ";
  line += tracks.lastTime;
  if (!english) line += " まで";
  return line;
}

}  // namespace

std::vector<std::string> FormatReport(const ConversionReport& report, Language language) {
  const bool english = language == Language::kEnglish;
  std::vector<std::string> lines;
  lines.push_back((english ? "read: " : "読み込み: ") + KindList(report.read, language));
  lines.push_back((english ? "written: " : "書き込み: ") + KindList(report.written, language));
  const std::string skipped = SkipList(report, language);
  if (!skipped.empty()) lines.push_back((english ? "skipped: " : "スキップ: ") + skipped);
  for (const std::string& datum : report.unknownDatums) {
    lines.push_back(
        english
            ? "unknown datum \"" + datum + "\": the points were read in the datum of VRM/VRN"
            : "測地系 \"" + datum + "\" は未対応です: 点は Datum of VRM/VRN の測地系で読みました");
  }
  if (report.written.tracks > 0) lines.push_back(TrackLine(report.tracks, language));
  const std::string warning = NothingWrittenWarning(report, language);
  if (!warning.empty()) lines.push_back(warning);
  return lines;
}

std::string NothingWrittenWarning(const ConversionReport& report, Language language) {
  if (report.written.Records() > 0) return {};
  const bool english = language == Language::kEnglish;
  std::string text(english ? "nothing was written: " : "何も書き込んでいません: ");
  const std::int64_t withoutFix = report.Skipped(SkipReason::kLogRecordWithoutFix);
  const std::int64_t unknown = report.Skipped(SkipReason::kUnknownLine);
  const std::int64_t records = report.read.Records();
  if (records > 0 && report.Skipped(SkipReason::kNotSelected) == records) {
    if (english) {
      text += "the input holds " + KindList(report.read, language) +
              ", and none of these kinds was chosen to convert";
    } else {
      text += "入力には " + KindList(report.read, language) +
              " がありますが，その種類は変換するデータに選ばれていません";
    }
  } else if (withoutFix > 0) {
    if (english) {
      text += "none of the log's " + std::to_string(withoutFix) +
              " records has a usable time and position";
    } else {
      text +=
          "ログの記録 " + std::to_string(withoutFix) + " 件のどれにも使える時刻と位置がありません";
    }
  } else if (records > 0) {
    text += english ? "the records read hold no points" : "読み込んだ記録に点がありません";
  } else if (unknown > 0) {
    if (english) {
      text +=
          "the input holds no records, only " + std::to_string(unknown) + " lines of unknown kinds";
    } else {
      text += "入力に記録がなく，読めない種類の行が " + std::to_string(unknown) + " 行あるだけです";
    }
  } else {
    text += english ? "the input holds no records this program can read"
                    : "入力にこのプログラムで読める記録がありません";
  }
  return text;
}

}  // namespace vc::engine
