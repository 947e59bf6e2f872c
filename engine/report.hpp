// What one conversion did: records read and written by kind, what was
// skipped and why, and the figures of the tracks. The engine fills it as it
// goes and hands it to the front with the result; the fronts show it
// (the command line prints it, the window shows it under its commands).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/messages.hpp"

namespace vc::engine {

struct KindCounts {
  std::int64_t waypoints = 0;
  std::int64_t routes = 0;
  std::int64_t tracks = 0;
  std::int64_t routePoints = 0;
  std::int64_t trackPoints = 0;

  [[nodiscard]] std::int64_t Records() const { return waypoints + routes + tracks; }
};

// Why input was passed over. Each reason is counted; the report lists the
// reasons whose count is not zero, in this order.
enum class SkipReason : std::size_t {
  kLogRecordWithoutFix,  // a log line or block without a usable time or position
  kUnknownLine,          // a line of a kind the format does not know
  kNotSelected,          // a record of a kind the user did not choose
  kBadChecksum,          // an NMEA sentence whose checksum does not match
  kCutSentence,          // an NMEA sentence cut short
  kNotSentence,          // a line of an NMEA stream that is no sentence
  kReplacedCharacter,    // characters the output's encoding cannot hold, written as "?"
  kCount,
};

// First and last time of the tracks written, as their texts read in the
// input's own zone ("yyyy/mm/dd hh:nn:ss", or a time of day alone).
struct TrackFigures {
  double lengthM = 0;    // sum of the written tracks' lengths
  double durationS = 0;  // sum of the written tracks' durations
  std::string firstTime;
  std::string lastTime;
};

struct ConversionReport {
  KindCounts read;
  KindCounts written;
  std::array<std::int64_t, static_cast<std::size_t>(SkipReason::kCount)> skipped{};
  TrackFigures tracks;
  // Datums an input named that the program does not know; its points were
  // read in the datum the user gave instead.
  std::vector<std::string> unknownDatums;

  void Skip(SkipReason reason, std::int64_t count = 1) {
    skipped[static_cast<std::size_t>(reason)] += count;
  }
  [[nodiscard]] std::int64_t Skipped(SkipReason reason) const {
    return skipped[static_cast<std::size_t>(reason)];
  }
};

// The report as lines of text for the fronts, in the language shown: what
// was read, written and skipped, the track figures, and the warning below.
std::vector<std::string> FormatReport(const ConversionReport& report,
                                      Language language = Language::kJapanese);

// When nothing was written: a plain sentence that says so with the likely
// reason (every log record without a fix, no chosen kind in the input, ...).
// Empty when something was written.
std::string NothingWrittenWarning(const ConversionReport& report,
                                  Language language = Language::kJapanese);

}  // namespace vc::engine
