#include "formats/vornpointer/log_line.hpp"

#include <bit>

#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::vp {

void LogFixState::Reset() noexcept {
  for (std::string& text : value_) text.clear();
  numbers_ = 0;
  times_ = 0;
  stale_ = 0;
  checked_ = false;
  positionSeen = false;
}

const std::string& LogFixState::Field(std::size_t logField) const {
  std::string& text = value_[logField - kFirst];
  if ((stale_ & Bit(logField)) != 0) {
    text.clear();
    if ((times_ & Bit(logField)) != 0) {
      text::AppendDateTime(text, dateTime_);
    } else {
      text::AppendGeneral(text, number_[logField - kFirst]);
    }
    stale_ &= ~Bit(logField);
  }
  return text;
}

std::string& LogFixState::Text(std::size_t logField) noexcept {
  numbers_ &= ~Bit(logField);
  times_ &= ~Bit(logField);
  stale_ &= ~Bit(logField);
  checked_ = false;
  return value_[logField - kFirst];
}

void LogFixState::SetText(std::size_t logField, std::string_view text) {
  const std::string& old = value_[logField - kFirst];
  if (((numbers_ | times_) & Bit(logField)) == 0 && old.size() == text.size()) {
    // A letter or two: compared here rather than by a library call.
    std::size_t i = 0;
    while (i < text.size() && old[i] == text[i]) ++i;
    if (i == text.size()) return;
  }
  Text(logField).assign(text);
}

void LogFixState::SetGeneral(std::size_t logField, double value) {
  // The number its general text reads back as.
  SetRounded(logField, text::RoundToGeneral(value));
}

void LogFixState::SetRounded(std::size_t logField, double rounded) noexcept {
  // The general text has no "-0".
  number_[logField - kFirst] = rounded == 0 ? 0.0 : rounded;
  numbers_ |= Bit(logField);
  times_ &= ~Bit(logField);
  stale_ |= Bit(logField);
}

double LogFixState::Value(std::size_t logField) const {
  if (const double* number = Number(logField)) return *number;
  return text::LeadingValue(Field(logField));
}

void LogFixState::SetDateTime(text::LocalSeconds seconds) noexcept {
  dateTime_ = seconds;
  numbers_ &= ~Bit(kLogDateTime);
  times_ |= Bit(kLogDateTime);
  stale_ |= Bit(kLogDateTime);
}

std::optional<text::LocalSeconds> LogFixState::DateTime() const noexcept {
  if ((times_ & Bit(kLogDateTime)) == 0) return std::nullopt;
  return dateTime_;
}

bool LogFixState::TextsHoldSeparator() const noexcept {
  // A general number or a date and time has none.
  constexpr std::uint32_t kAll = (std::uint32_t{1} << kCount) - 1;
  const std::uint32_t textFields = ~(numbers_ | times_) & kAll;
  if (checked_ && textFields == checkedTexts_) return separator_;
  checked_ = true;
  checkedTexts_ = textFields;
  separator_ = false;
  for (std::uint32_t texts = textFields; texts != 0 && !separator_; texts &= texts - 1) {
    for (const char c : value_[static_cast<std::size_t>(std::countr_zero(texts))]) {
      if (c == ',' || c == '\t') separator_ = true;
    }
  }
  return separator_;
}

const double* LogFixState::Number(std::size_t logField) const noexcept {
  if ((numbers_ & Bit(logField)) == 0) return nullptr;
  return &number_[logField - kFirst];
}

bool LogWork::HeldText() const noexcept {
  // Lines that start with "$" are never blank.
  return textInLines || !text::TrimSpaces(text).empty();
}

void ClearLogLine(LogLine& out) noexcept {
  for (std::string& field : out.field) field.clear();
  out.fromState = nullptr;
}

std::string_view LogLine::Field(std::size_t number) const {
  if (fromState == nullptr) return field[number];
  if (number == kLogDatum) return "-";
  if (number == kLogUtcOffset) return "0";
  if (number == kLogFixType && withoutTime) return "--";
  if (number < LogFixState::kFirst || number > LogFixState::kLast) return {};
  return text::TrimSpaces(fromState->Field(number));
}

const double* LogLine::Number(std::size_t number) const noexcept {
  if (fromState == nullptr || number < LogFixState::kFirst || number > LogFixState::kLast) {
    return nullptr;
  }
  return fromState->Number(number);
}

std::optional<text::LocalSeconds> LogLine::DateTime() const noexcept {
  if (fromState == nullptr) return std::nullopt;
  return fromState->DateTime();
}

void MarkWithoutTime(LogLine& out) {
  if (out.fromState != nullptr) {
    out.withoutTime = true;
  } else {
    out.field[kLogFixType] = "--";
  }
}

void ApplyHemisphere(std::string& degrees, std::string_view letter, char negativeLetter) {
  if (letter.size() != 1 || letter.front() != negativeLetter) return;
  if (degrees.empty() || degrees.front() == '-' || text::LeadingValue(degrees) == 0) return;
  if (degrees.front() == '+') {
    degrees.front() = '-';
  } else {
    degrees.insert(0, 1, '-');
  }
}

void SplitLogLine(std::string_view text, LogLine& out) {
  out.fromState = nullptr;
  out.field[0].clear();
  std::size_t number = 1;
  std::size_t start = 0;
  // The end of the text closes the last field as the comma appended to the
  // line does; separators past field 32 are not looked for.
  for (std::size_t i = 0; number <= kLogFieldCount; ++i) {
    if (i < text.size() && text[i] != ',' && text[i] != '\t') continue;
    out.field[number++].assign(text::TrimSpaces(text.substr(start, i - start)));
    if (i >= text.size()) break;
    start = i + 1;
  }
  for (; number <= kLogFieldCount; ++number) out.field[number].clear();
}

LogRecord ReadVrpLine(text::LineSource& source, LogLine& out) {
  if (!source.ReadLine(out.work.text)) {
    ClearLogLine(out);
    out.field[0] = "EOF";
    return LogRecord::kEnd;
  }
  SplitLogLine(out.work.text, out);
  // A blank line, or one without latitude and longitude, is no fix: it would
  // put a point at 0 N 0 E.
  if (out.field[kLogLat].empty() && out.field[kLogLon].empty()) return LogRecord::kNoPosition;
  ApplyHemisphere(out.field[kLogLat], out.field[kLogLatHemisphere], 'S');
  ApplyHemisphere(out.field[kLogLon], out.field[kLogLonHemisphere], 'W');
  return LogRecord::kFix;
}

void MakeLogLineFromState(const LogFixState& state, LogLine& out) {
  // Values without separators become one field each, so the fields can be
  // set directly; a value holding a comma or a TAB (garbage in a sentence)
  // splits, and then the line is made and cut as written.
  const bool plain = !state.TextsHoldSeparator();
  if (plain && out.direct) {
    out.field[0].clear();
    out.fromState = &state;
    out.withoutTime = false;
    return;
  }
  if (plain) {
    out.fromState = nullptr;
    out.field[0].clear();
    out.field[kLogDatum].assign("-");
    out.field[kLogUtcOffset].assign("0");
    std::size_t number = LogFixState::kFirst;
    for (; number <= LogFixState::kLast; ++number) {
      out.field[number].assign(text::TrimSpaces(state.Field(number)));
    }
    for (; number <= kLogFieldCount; ++number) out.field[number].clear();
    return;
  }
  std::string& line = out.work.vrpLine;
  line.assign("-,0");
  for (std::size_t k = LogFixState::kFirst; k <= LogFixState::kLast; ++k) {
    line.append(1, ',').append(state.Field(k));
  }
  SplitLogLine(line, out);
}

}  // namespace vc::vp
