#include "formats/vornpointer/nmea_block.hpp"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

#include "formats/nmea/sentence.hpp"
#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/numbers.hpp"

namespace vc::vp {
namespace {

enum SentenceSlot : std::size_t { kRmc, kGga, kGll, kPgrme, kPgrmz, kGsa, kHchdg, kSlotCount };

constexpr std::array<std::string_view, kSlotCount> kIdentifiers = {
    "$GPRMC", "$GPGGA", "$GPGLL", "$PGRME", "$PGRMZ", "$GPGSA", "$HCHDG"};

// ExtractSentence for every identifier, in one walk over the block: each
// identifier starts with "$", so its first occurrence is at the first "$"
// that begins it, and the sentence runs to the next "$".
std::array<std::string_view, kSlotCount> ExtractSentences(std::string_view block) {
  std::array<std::string_view, kSlotCount> found{};
  std::size_t missing = kSlotCount;
  std::size_t start = block.find('$');
  while (start != std::string_view::npos && missing > 0) {
    const std::size_t end = block.find('$', start + 1);
    const std::string_view sentence =
        block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
      const std::string_view id = kIdentifiers[slot];
      // The last letter tells most identifiers apart before a full compare.
      if (found[slot].empty() && sentence.size() >= id.size() &&
          sentence[id.size() - 1] == id.back() && sentence.starts_with(id)) {
        found[slot] = sentence;
        --missing;
      }
    }
    start = end;
  }
  return found;
}

void ParseSentences(std::string_view block, NmeaSentences& s) {
  const std::array<std::string_view, kSlotCount> sentence = ExtractSentences(block);
  ParseRmc(sentence[kRmc], s.rmc);
  ParseGga(sentence[kGga], s.gga);
  ParseGll(sentence[kGll], s.gll);
  ParseErrorEstimate(sentence[kPgrme], s.positionError);
  ParseAltitude(sentence[kPgrmz], s.altitude);
  ParseGsa(sentence[kGsa], s.fixMode);
  ParseHchdg(sentence[kHchdg], s.heading);
}

// The $GPGSA mode ("2D", "3D") in upper case for a plain fix and in lower
// case for a differential one; without both sentences the old mode stays.
void UpdateFixMode(const NmeaSentences& s, std::string& fixType) {
  if (s.fixMode.empty() || s.gga.quality == FixQuality::kNone) return;
  fixType = s.fixMode;
  if (s.gga.quality == FixQuality::kDifferential) {
    for (char& c : fixType) {
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
  }
}

// Field 3: the date (empty without $GPRMC), a blank, the first time found;
// kept as its seconds when that text is a canonical date and time. False
// when no sentence has a time.
bool UpdateDateTime(const NmeaSentences& s, LogFixState& state) {
  std::string_view time;
  for (const std::string_view candidate : {s.rmc.time, s.gga.time, s.gll.time}) {
    if (!candidate.empty()) {
      time = candidate;
      break;
    }
  }
  if (!time.empty()) {
    if (const std::optional<text::LocalSeconds> seconds = NmeaDateTime(s.rmc.date, time)) {
      state.SetDateTime(*seconds);
      return true;
    }
  }
  std::string& dateTime = state.Text(kLogDateTime);
  dateTime.clear();
  AppendLogDate(dateTime, s.rmc.date);
  dateTime.push_back(' ');
  AppendLogTime(dateTime, time);
  return !time.empty();
}

// The decimal degrees of ddmm.mmmm (AppendNmeaDegrees) as a number, made
// negative by the hemisphere as ApplyHemisphere does to the text; an empty
// field gives an empty text.
void SetNmeaDegrees(LogFixState& state, std::size_t logField, std::string_view ddmm,
                    std::string_view letter, char negativeLetter) {
  if (ddmm.empty()) {
    state.Text(logField).clear();
    return;
  }
  double degrees = NmeaDegrees(ddmm);
  if (letter.size() == 1 && letter.front() == negativeLetter && degrees > 0) degrees = -degrees;
  state.SetRounded(logField, degrees);
}

// All four texts from the first sentence that names a latitude hemisphere,
// so a block never mixes the latitude of one sentence with the longitude of
// another; S and W make the degrees negative. False when none has one.
bool UpdatePosition(const NmeaSentences& s, LogFixState& state) {
  for (const NmeaPosition* p : {&s.rmc.position, &s.gga.position, &s.gll.position}) {
    if (p->latHemisphere.empty()) continue;
    state.Text(kLogLatHemisphere).assign(p->latHemisphere);
    SetNmeaDegrees(state, kLogLat, p->lat, p->latHemisphere, 'S');
    state.Text(kLogLonHemisphere).assign(p->lonHemisphere);
    SetNmeaDegrees(state, kLogLon, p->lon, p->lonHemisphere, 'W');
    return true;
  }
  return false;
}

// As the logger did, course and heading are corrected by the magnetic
// variation: an easterly variation is subtracted, a westerly one added. The
// variation is that of the block, or the last one seen.
double VariationCorrection(const LogFixState& state) {
  return state.Value(kLogVariation) * state.Value(kLogVariationSign);
}

void UpdateState(const NmeaSentences& s, LogFixState& state) {
  if (!s.positionError.empty()) {
    state.SetGeneral(kLogPosError, text::LeadingValue(s.positionError));
  }
  if (s.altitude) {
    state.SetGeneral(kLogAltitude, *s.altitude);
  } else if (s.gga.height) {
    state.SetGeneral(kLogAltitude, *s.gga.height);
  }
  if (UpdatePosition(s, state)) state.positionSeen = true;
  if (s.rmc.speed) state.SetGeneral(kLogSpeed, *s.rmc.speed);
  if (s.rmc.variation) state.SetGeneral(kLogVariation, *s.rmc.variation);
  if (s.rmc.variationSign) state.SetRounded(kLogVariationSign, *s.rmc.variationSign);
  if (!s.rmc.course.empty()) {
    // A course of 0 is what a receiver sends while standing still; it is
    // kept as 0 rather than turned into the variation.
    const double course = text::LeadingValue(s.rmc.course);
    state.SetGeneral(kLogCourse, course == 0 ? 0 : course - VariationCorrection(state));
  }
  if (!s.heading.empty()) {
    state.SetGeneral(kLogHeading, text::LeadingValue(s.heading) - VariationCorrection(state));
  }
}

// The sentence starts with the identifier and then a field separator.
bool IsSentence(std::string_view sentence, std::string_view identifier) {
  return sentence.size() > identifier.size() &&
         sentence.substr(0, identifier.size()) == identifier &&
         (sentence[identifier.size()] == ',' || sentence[identifier.size()] == '*');
}

}  // namespace

LogRecord ParseNmeaBlock(std::string_view block, LogFixState& state, LogLine& out) {
  if (block.empty()) {
    ClearLogLine(out);
    return LogRecord::kNoPosition;
  }
  NmeaSentences& s = out.work.sentences;
  ParseSentences(block, s);
  UpdateFixMode(s, state.Text(kLogFixType));
  const bool hasTime = UpdateDateTime(s, state);
  UpdateState(s, state);
  MakeLogLineFromState(state, out);
  // "--" marks this record only: kept in the state, it would label the
  // following fixes, which do have a time, until a $GPGSA changed it.
  if (!hasTime) MarkWithoutTime(out);
  if (!state.positionSeen) return LogRecord::kNoPosition;
  return hasTime ? LogRecord::kFix : LogRecord::kNoTime;
}

namespace {

// The length of the first fix of a block: the whole block, unless a
// position sentence comes again with another time.
// The time a position sentence carries, read only when its kind comes
// again: most blocks hold one sentence of each kind and are never split.
double PositionTime(std::string_view sentence, bool gll) {
  std::array<std::string_view, 6> fields;
  SplitSentence(sentence, fields);
  return nmea::TimeOfDaySeconds(fields[gll ? 5 : 1]);
}

std::size_t FirstFixLength(std::string_view block) {
  // The first sentence of each position kind in the fix: RMC, GGA, GLL.
  std::array<std::string_view, 3> first{};
  for (std::size_t at = block.find('$'); at != std::string_view::npos;
       at = block.find('$', at + 1)) {
    const std::string_view sentence = block.substr(at, block.find('$', at + 1) - at);
    std::size_t slot = 3;
    if (IsSentence(sentence, "$GPRMC")) slot = 0;
    if (IsSentence(sentence, "$GPGGA")) slot = 1;
    if (IsSentence(sentence, "$GPGLL")) slot = 2;
    if (slot == 3) continue;
    if (first[slot].empty()) {
      first[slot] = sentence;
      continue;
    }
    // A repeat with the same time stays in the fix.
    const bool gll = slot == 2;
    if (PositionTime(sentence, gll) != PositionTime(first[slot], gll)) return at;
  }
  return block.size();
}

}  // namespace

LogRecord ReadVrnBlock(text::LineSource& source, LogFixState& state, LogLine& out) {
  LogWork& work = out.work;
  if (work.restAt >= work.rest.size()) {
    if (source.AtEnd()) {
      ClearLogLine(out);
      out.field[0] = "EOF";
      return LogRecord::kEnd;
    }
    work.rest.clear();
    work.restAt = 0;
    std::string& line = work.vrpLine;  // free until the block is parsed
    while (source.ReadLine(line) && !line.empty()) work.rest.append(line);
  }
  const std::string_view rest = std::string_view(work.rest).substr(work.restAt);
  const std::size_t length = FirstFixLength(rest);
  work.text.assign(rest.substr(0, length));
  work.restAt += length;
  if (work.restAt >= work.rest.size()) {
    work.rest.clear();
    work.restAt = 0;
  }
  return ParseNmeaBlock(work.text, state, out);
}

}  // namespace vc::vp
