#include "formats/vornpointer/nmea_block.hpp"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "formats/nmea/sentence.hpp"
#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::vp {
namespace {

enum SentenceSlot : std::size_t { kRmc, kGga, kGll, kPgrme, kPgrmz, kGsa, kHchdg, kSlotCount };

constexpr std::size_t kIdentifierLength = 6;

static_assert(std::endian::native == std::endian::little,
              "the first byte of a text is the lowest byte of the word read from it");

// The six bytes of an identifier as one number, so that a sentence is told
// by one comparison per kind.
constexpr std::uint64_t IdentifierCode(std::string_view id) noexcept {
  std::uint64_t code = 0;
  for (std::size_t i = kIdentifierLength; i-- > 0;) {
    code = code << 8 | static_cast<unsigned char>(id[i]);
  }
  return code;
}

constexpr std::array<std::uint64_t, kSlotCount> kIdentifiers = {
    IdentifierCode("$GPRMC"), IdentifierCode("$GPGGA"), IdentifierCode("$GPGLL"),
    IdentifierCode("$PGRME"), IdentifierCode("$PGRMZ"), IdentifierCode("$GPGSA"),
    IdentifierCode("$HCHDG")};

// The slot of a sentence that starts with one of the identifiers;
// kSlotCount for any other.
std::size_t SlotOf(std::string_view sentence) noexcept {
  if (sentence.size() < kIdentifierLength) return kSlotCount;
  const std::uint64_t code = text::SixByteCode(sentence.data());
  for (std::size_t slot = 0; slot < kSlotCount; ++slot) {
    if (code == kIdentifiers[slot]) return slot;
  }
  return kSlotCount;
}

bool IsPositionSlot(std::size_t slot) noexcept { return slot <= kGll; }

// The time a position sentence carries, read only when its kind comes
// again: most blocks hold one sentence of each kind and are never split.
double PositionTime(std::string_view sentence, std::size_t slot) {
  return nmea::TimeOfDaySeconds(nmea::NthField(sentence, ',', '*', slot == kGll ? 5 : 1));
}

// The sentences of one fix, taken one after the other. With `oneFix`, the
// fix ends before a $GPRMC, $GPGGA or $GPGLL (followed by a field separator)
// whose kind came already with another time; a repeat with the same time
// stays in the fix.
class FixScan {
 public:
  explicit FixScan(bool oneFix) noexcept : oneFix_(oneFix) {}

  // False, with the sentence not taken, when it begins the next fix.
  bool Take(std::string_view sentence) {
    const std::size_t slot = SlotOf(sentence);
    if (slot >= kSlotCount) return true;
    if (oneFix_ && IsPositionSlot(slot) && sentence.size() > kIdentifierLength &&
        (sentence[kIdentifierLength] == ',' || sentence[kIdentifierLength] == '*')) {
      std::string_view& first = firstPosition_[slot];
      if (first.empty()) {
        first = sentence;
      } else if (PositionTime(sentence, slot) != PositionTime(first, slot)) {
        return false;
      }
    }
    if (sentence_[slot].empty()) sentence_[slot] = sentence;
    return true;
  }
  // The first sentence of each kind in the fix, each up to the next "$".
  [[nodiscard]] const std::array<std::string_view, kSlotCount>& Sentences() const noexcept {
    return sentence_;
  }

 private:
  bool oneFix_;
  // The first of each position kind with a separator after its identifier.
  std::array<std::string_view, kGll + 1> firstPosition_{};
  std::array<std::string_view, kSlotCount> sentence_{};
};

struct ScannedFix {
  std::size_t length = 0;  // of the fix's text, from the start of the block
  std::array<std::string_view, kSlotCount> sentence{};
};

// One walk over the sentences of `block`, each from its "$" to the next.
ScannedFix ScanBlock(std::string_view block, bool oneFix) {
  FixScan scan(oneFix);
  ScannedFix fix;
  fix.length = block.size();
  std::size_t at = block.find('$');
  while (at != std::string_view::npos) {
    const std::size_t end = block.find('$', at + 1);
    if (!scan.Take(
            block.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at))) {
      fix.length = at;
      break;
    }
    at = end;
  }
  fix.sentence = scan.Sentences();
  return fix;
}

// Where every line of a block starts with "$", each sentence of the joined
// block lies within one line: the same walk, over the lines as they were
// read. False when the lines hold more than one fix (or another line start),
// which the joined block then sorts out.
bool ScanLines(const std::vector<std::string_view>& lines,
               std::array<std::string_view, kSlotCount>& sentence) {
  FixScan scan(true);
  for (const std::string_view line : lines) {
    if (line.front() != '$') return false;
    for (std::size_t at = 0; at != std::string_view::npos;) {
      const std::size_t end = line.find('$', at + 1);
      if (!scan.Take(
              line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at))) {
        return false;
      }
      at = end;
    }
  }
  sentence = scan.Sentences();
  return true;
}

void ParseSentences(const std::array<std::string_view, kSlotCount>& sentence, NmeaSentences& s) {
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
void UpdateFixMode(const NmeaSentences& s, LogFixState& state) {
  if (s.fixMode.empty() || s.gga.quality == FixQuality::kNone) return;
  if (s.gga.quality == FixQuality::kNormal) {
    state.SetText(kLogFixType, s.fixMode);
    return;
  }
  std::string& fixType = state.Text(kLogFixType);
  fixType = s.fixMode;
  for (char& c : fixType) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
}

// Field 3: the date (empty without $GPRMC), a blank, the first time found;
// kept as its seconds when that text is a canonical date and time. False
// when no sentence has a time.
bool UpdateDateTime(const NmeaSentences& s, NmeaDayMemo& days, LogFixState& state) {
  std::string_view time;
  for (const std::string_view candidate : {s.rmc.time, s.gga.time, s.gll.time}) {
    if (!candidate.empty()) {
      time = candidate;
      break;
    }
  }
  if (!time.empty()) {
    if (const std::optional<text::LocalSeconds> seconds = days.DateTime(s.rmc.date, time)) {
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
    state.SetText(kLogLatHemisphere, p->latHemisphere);
    SetNmeaDegrees(state, kLogLat, p->lat, p->latHemisphere, 'S');
    state.SetText(kLogLonHemisphere, p->lonHemisphere);
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
    state.SetRounded(kLogPosError, text::LeadingGeneralValue(s.positionError));
  }
  if (s.altitude) {
    state.SetGeneral(kLogAltitude, *s.altitude);
  } else if (const std::optional<double> height = GgaHeight(s.gga)) {
    state.SetRounded(kLogAltitude, *height);
  }
  if (UpdatePosition(s, state)) state.positionSeen = true;
  if (s.rmc.speed) state.SetGeneral(kLogSpeed, *s.rmc.speed);
  if (s.rmc.variation) state.SetRounded(kLogVariation, *s.rmc.variation);
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

}  // namespace

namespace {

LogRecord ParseScanned(const std::array<std::string_view, kSlotCount>& sentence, LogFixState& state,
                       LogLine& out) {
  NmeaSentences& s = out.work.sentences;
  ParseSentences(sentence, s);
  UpdateFixMode(s, state);
  const bool hasTime = UpdateDateTime(s, out.work.days, state);
  UpdateState(s, state);
  MakeLogLineFromState(state, out);
  // "--" marks this record only: kept in the state, it would label the
  // following fixes, which do have a time, until a $GPGSA changed it.
  if (!hasTime) MarkWithoutTime(out);
  if (!state.positionSeen) return LogRecord::kNoPosition;
  return hasTime ? LogRecord::kFix : LogRecord::kNoTime;
}

// The same view into `to` as `view` is into `from`.
std::string_view Rebased(std::string_view view, std::string_view from, std::string_view to) {
  if (view.empty()) return view;
  return to.substr(static_cast<std::size_t>(view.data() - from.data()), view.size());
}

}  // namespace

LogRecord ParseNmeaBlock(std::string_view block, LogFixState& state, LogLine& out) {
  if (block.empty()) {
    ClearLogLine(out);
    return LogRecord::kNoPosition;
  }
  return ParseScanned(ScanBlock(block, false).sentence, state, out);
}

LogRecord ReadVrnBlock(text::LineSource& source, LogFixState& state, LogLine& out) {
  LogWork& work = out.work;
  work.textInLines = false;
  if (work.restAt >= work.rest.size()) {
    if (source.AtEnd()) {
      ClearLogLine(out);
      out.field[0] = "EOF";
      return LogRecord::kEnd;
    }
    work.rest.clear();
    work.restAt = 0;
    // The block's lines up to the empty line that ends it; the usual block
    // of one fix is read where the lines lie, without joining them.
    source.ReadBlock(work.lines, work.scratch);
    std::array<std::string_view, kSlotCount> sentence;
    if (!work.lines.empty() && ScanLines(work.lines, sentence)) {
      work.textInLines = true;
      return ParseScanned(sentence, state, out);
    }
    for (const std::string_view line : work.lines) work.rest.append(line);
  }
  const std::string_view rest = std::string_view(work.rest).substr(work.restAt);
  ScannedFix fix = ScanBlock(rest, true);
  if (work.restAt == 0 && fix.length == rest.size()) {
    // The usual block of one fix: its text changes places with the old one
    // instead of being copied.
    work.text.swap(work.rest);
    work.rest.clear();
  } else {
    work.text.assign(rest.substr(0, fix.length));
    work.restAt += fix.length;
    if (work.restAt >= work.rest.size()) {
      work.rest.clear();
      work.restAt = 0;
    }
  }
  // Only the offsets of `rest` are used: a short text moved by the swap
  // leaves its old place.
  for (std::string_view& sentence : fix.sentence) sentence = Rebased(sentence, rest, work.text);
  if (work.text.empty()) {
    ClearLogLine(out);
    return LogRecord::kNoPosition;
  }
  return ParseScanned(fix.sentence, state, out);
}

}  // namespace vc::vp
