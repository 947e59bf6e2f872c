#include "formats/nmea/fix.hpp"
#include "text/constants.hpp"

#include <cmath>
#include <cstring>

#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::nmea {
namespace {

using constants::kKmPerNauticalMile;
using constants::kMetresPerFoot;

std::optional<double> NumberOf(std::string_view field) { return text::NumberTextValue(field); }
// The number as its general text reads back: stored as it is.
std::optional<double> GeneralNumberOf(std::string_view field) {
  return text::GeneralNumberTextValue(field);
}

// ddmm.mmmm to decimal degrees, negative in the south or the west.
std::optional<double> DegreesOf(std::string_view field, std::string_view hemisphere) {
  const std::optional<double> value = NumberOf(field);
  if (!value) return std::nullopt;
  const double whole = std::trunc(*value / 100);
  const double degrees = text::RoundToGeneral(whole + (*value - whole * 100) / 60);
  return hemisphere == "S" || hemisphere == "W" ? -degrees : degrees;
}

// ddmmyy; every year lies in 2000 to 2099.
bool ReadDate(std::string_view field, int& year, int& month, int& day) {
  if (field.size() != 6) return false;
  int parts[3];
  for (int k = 0; k < 3; ++k) {
    const char a = field[static_cast<std::size_t>(2 * k)];
    const char b = field[static_cast<std::size_t>(2 * k + 1)];
    if (a < '0' || a > '9' || b < '0' || b > '9') return false;
    parts[k] = (a - '0') * 10 + (b - '0');
  }
  if (parts[1] < 1 || parts[1] > 12 || parts[0] < 1 || parts[0] > 31) return false;
  day = parts[0];
  month = parts[1];
  year = 2000 + parts[2];
  return true;
}

// One more than the last field a fix takes from a sentence of `kind`.
std::size_t FieldsUsed(SentenceKind kind) noexcept {
  switch (kind) {
    case SentenceKind::kRmc:
      return 12;
    case SentenceKind::kGga:
      return 10;
    case SentenceKind::kGll:
      return 7;
    case SentenceKind::kVtg:
      return 8;
    case SentenceKind::kZda:
      return 5;
    case SentenceKind::kPgrmz:
      return 3;
    case SentenceKind::kHdg:
    case SentenceKind::kHdt:
    case SentenceKind::kPgrme:
    case SentenceKind::kPgrmm:
      return 2;
    case SentenceKind::kOther:
      break;
  }
  return 1;
}

}  // namespace

bool CycleBoundary::Begins(SentenceKind kind, double time) noexcept {
  const std::size_t slot = kind == SentenceKind::kRmc   ? 0
                           : kind == SentenceKind::kGga ? 1
                           : kind == SentenceKind::kGll ? 2
                                                        : 3;
  if (slot == 3) return false;
  const bool begins = seen_[slot] && times_[slot] != time;
  if (begins) Reset();
  seen_[slot] = true;
  times_[slot] = time;
  return begins;
}

std::optional<double> FixAssembler::CoordMemo::Degrees(std::string_view field,
                                                       std::string_view hemisphere) {
  const std::size_t size = field.size() + 1 + hemisphere.size();
  if (field.empty() || hemisphere.empty() || size > key_.size()) {
    return DegreesOf(field, hemisphere);
  }
  if (size == size_ && std::memcmp(key_.data(), field.data(), field.size()) == 0 &&
      key_[field.size()] == ',' &&
      std::memcmp(key_.data() + field.size() + 1, hemisphere.data(), hemisphere.size()) == 0) {
    return degrees_;
  }
  std::memcpy(key_.data(), field.data(), field.size());
  key_[field.size()] = ',';
  std::memcpy(key_.data() + field.size() + 1, hemisphere.data(), hemisphere.size());
  size_ = size;
  degrees_ = DegreesOf(field, hemisphere);
  return degrees_;
}

void FixAssembler::TakePosition(const SentenceFields& fields, SentenceKind kind, double time) {
  // Where the fields lie, and what says the position is one.
  std::size_t latAt = 0;
  bool valid = false;
  PositionSentence* slot = nullptr;
  if (kind == SentenceKind::kRmc) {
    slot = &rmc_;
    latAt = 3;
    valid = fields[2] == "A";
  } else if (kind == SentenceKind::kGga) {
    slot = &gga_;
    latAt = 2;
    valid = !fields[6].empty() && fields[6] != "0";
  } else {
    slot = &gll_;
    latAt = 1;
    // Before NMEA 2.0 the sentence had no status field.
    valid = fields[6].empty() || fields[6] == "A";
  }
  slot->time = time;
  const std::optional<double> lat = latMemo_.Degrees(fields[latAt], fields[latAt + 1]);
  const std::optional<double> lon = lonMemo_.Degrees(fields[latAt + 2], fields[latAt + 3]);
  slot->valid = valid && lat && lon;
  slot->lat = lat.value_or(0);
  slot->lon = lon.value_or(0);
}

bool FixAssembler::Add(std::string_view sentence, NmeaFix& completed) {
  const SentenceKind kind = KindOf(sentence);
  if (kind == SentenceKind::kOther) {
    // Joins the fix and gives it nothing: its fields are not looked at.
    any_ = true;
    return false;
  }
  const SentenceFields fields(sentence, FieldsUsed(kind));
  const bool position =
      kind == SentenceKind::kRmc || kind == SentenceKind::kGga || kind == SentenceKind::kGll;
  bool began = false;
  const double time = position ? TimeOfDaySeconds(fields[kind == SentenceKind::kGll ? 5 : 1]) : -1;
  if (position && boundary_.Begins(kind, time)) {
    Complete(completed);
    Clear();
    began = true;
  }
  any_ = true;
  switch (kind) {
    case SentenceKind::kRmc:
      TakePosition(fields, kind, time);
      if (!ReadDate(fields[9], year_, month_, day_)) year_ = 0;
      if (const auto knots = NumberOf(fields[7])) rmcSpeedKmh_ = *knots * kKmPerNauticalMile;
      rmcCourse_ = GeneralNumberOf(fields[8]);
      if (const auto variation = NumberOf(fields[10])) {
        variation_ = fields[11] == "W" ? -*variation : *variation;
      }
      break;
    case SentenceKind::kGga:
      TakePosition(fields, kind, time);
      height_ = NumberOf(fields[9]);
      break;
    case SentenceKind::kGll:
      TakePosition(fields, kind, time);
      break;
    case SentenceKind::kVtg:
      vtgCourse_ = GeneralNumberOf(fields[1]);
      if (const auto kmh = NumberOf(fields[7])) {
        vtgSpeedKmh_ = kmh;
      } else if (const auto knots = NumberOf(fields[5])) {
        vtgSpeedKmh_ = *knots * kKmPerNauticalMile;
      } else {
        vtgSpeedKmh_.reset();
      }
      break;
    case SentenceKind::kZda: {
      const auto day = NumberOf(fields[2]);
      const auto month = NumberOf(fields[3]);
      const auto year = NumberOf(fields[4]);
      zdaYear_ = 0;
      if (day && month && year && *month >= 1 && *month <= 12 && *day >= 1 && *day <= 31) {
        zdaYear_ = static_cast<int>(*year);
        zdaMonth_ = static_cast<int>(*month);
        zdaDay_ = static_cast<int>(*day);
      }
      break;
    }
    case SentenceKind::kHdg:
    case SentenceKind::kHdt:
      heading_ = NumberOf(fields[1]);
      break;
    case SentenceKind::kPgrme:
      positionError_ = GeneralNumberOf(fields[1]);
      break;
    case SentenceKind::kPgrmz: {
      const auto value = NumberOf(fields[1]);
      altitude_.reset();
      if (value) altitude_ = fields[2] == "m" ? *value : *value * kMetresPerFoot;
      break;
    }
    case SentenceKind::kPgrmm:
      datumName_.assign(text::TrimSpaces(fields[1]));
      break;
    default:
      break;
  }
  return began;
}

bool FixAssembler::Finish(NmeaFix& completed) {
  if (!any_) return false;
  Complete(completed);
  Clear();
  boundary_.Reset();
  return true;
}

void FixAssembler::Complete(NmeaFix& fix) const {
  fix = NmeaFix{};
  for (const PositionSentence* source : {&rmc_, &gga_, &gll_}) {
    if (!source->valid) continue;
    fix.hasPosition = true;
    fix.lat = source->lat;
    fix.lon = source->lon;
    fix.timeOfDay = source->time;
    break;
  }
  if (year_ != 0) {
    fix.year = year_;
    fix.month = month_;
    fix.day = day_;
  } else if (zdaYear_ != 0) {
    fix.year = zdaYear_;
    fix.month = zdaMonth_;
    fix.day = zdaDay_;
  }
  fix.speedKmh = rmcSpeedKmh_ ? rmcSpeedKmh_ : vtgSpeedKmh_;
  fix.course = rmcCourse_ ? rmcCourse_ : vtgCourse_;
  // The heading as the VornPointer logs correct it: minus the variation.
  if (heading_) fix.heading = text::RoundToGeneral(*heading_ - variation_);
  fix.height = height_;
  fix.altitude = altitude_;
  fix.positionError = positionError_;
}

void FixAssembler::Clear() {
  // The boundary has already begun the next cycle with its first sentence.
  rmc_ = {};
  gga_ = {};
  gll_ = {};
  any_ = false;
  year_ = 0;
  zdaYear_ = 0;
  rmcSpeedKmh_.reset();
  rmcCourse_.reset();
  vtgSpeedKmh_.reset();
  vtgCourse_.reset();
  heading_.reset();
  height_.reset();
  altitude_.reset();
  positionError_.reset();
}

}  // namespace vc::nmea
