#include "engine/messages.hpp"

#include <cstdlib>

#include "text/clock.hpp"

namespace vc::engine {
namespace {

// A text with an optional name in square brackets: `before` is the text
// before the name (or the whole text), `after` the text after it, nullptr
// for texts without a name.
struct Text {
  const char* before;
  const char* after;
};

struct MessageTexts {
  Message message;
  Text japanese;
  Text english;
};

// The texts as the users know them, in UTF-8, and their English. The option
// values the user must type ("データ優先") stay as they are in English too.
constexpr MessageTexts kTexts[] = {
    {Message::kFileNameMissing,
     {"ファイル名を指定してください．", nullptr},
     {"Specify both file names.", nullptr}},
    {Message::kSameFileName,
     {"ファイル名が同じです．変換後ファイル名を変えてください．", nullptr},
     {"The file names are the same. Change the converted file name.", nullptr}},
    {Message::kInputMissing,
     {"[", "]は存在しません．中止します．"},
     {"[", "] does not exist. Stopped."}},
    {Message::kOutputTypeMissing,
     {"変換後のファイルタイプを指定してください．", nullptr},
     {"Choose the type of the converted file.", nullptr}},
    {Message::kAppendNotice, {"[", "]に追加します．"}, {"Appending to [", "]."}},
    {Message::kOverwriteQuestion,
     {"[", "]は既に存在します．上書きしてもよろしいですか"},
     {"[", "] already exists. Do you want to replace it?"}},
    {Message::kAborted, {"中止します．", nullptr}, {"Stopped.", nullptr}},
    {Message::kUnsupportedType,
     {"未対応のファイルタイプです．", nullptr},
     {"This file type is not supported.", nullptr}},
    {Message::kInputUnsupported,
     {"入力未対応のファイルです．", nullptr},
     {"Files of this type cannot be read.", nullptr}},
    {Message::kOutputUnsupported,
     {"出力未対応のファイルです．", nullptr},
     {"Files of this type cannot be written.", nullptr}},
    {Message::kCannotConvertType,
     {"変換できないファイルタイプです．", nullptr},
     {"Files cannot be converted to this type.", nullptr}},
    {Message::kGroupFileMissing,
     {"[header_mps_group.dat]が見つかりません．中止します．", nullptr},
     {"[header_mps_group.dat] was not found. Stopped.", nullptr}},
    {Message::kCannotWrite,
     {"[", "]に書き込めません．中止します．"},
     {"Cannot write to [", "]. Stopped."}},
    {Message::kStepInvalid,
     {"Stepには -32768 から 32767 までの数値を指定してください．", nullptr},
     {"Step must be a number from -32768 to 32767.", nullptr}},
    {Message::kCannotStart, {"[", "]を起動できません．"}, {"Cannot start [", "]."}},
    {Message::kUtcOffsetInvalid,
     {"UTC Offsetには データ優先 か -12 から +14 までの数値を指定してください．", nullptr},
     {"UTC Offset must be データ優先 or a number from -12 to +14.", nullptr}},
    {Message::kDatumInvalid,
     {"Datumには データ優先，TOKYO，WGS84 のいずれかを指定してください．", nullptr},
     {"Datum must be データ優先, TOKYO or WGS84.", nullptr}},
    {Message::kCoordFormatInvalid,
     {"Coord.Formatには データ優先，D，DM，DMS，MPS，PAO のいずれかを指定してください．", nullptr},
     {"Coord.Format must be データ優先, D, DM, DMS, MPS or PAO.", nullptr}},
    {Message::kVrmVrnDatumInvalid,
     {"Datum of VRM/VRNには TOKYO か WGS84 を指定してください．", nullptr},
     {"Datum of VRM/VRN must be TOKYO or WGS84.", nullptr}},
    {Message::kGpxUnreadable,
     {"[", "] の %1 行 %2 桁目で GPX を読めません．中止します．"},
     {"Cannot read [", "] as GPX at line %1, column %2. Stopped."}},
    {Message::kAppendEncodingMismatch,
     {"[", "]と異なる文字コードでは追加できません．中止します．"},
     {"Cannot append to [", "] in another encoding. Stopped."}},
};

// A place in a file travels as its three parts joined by NUL, which no file
// name can hold.
constexpr char kPlaceSeparator = '\0';

// "%1" and "%2" of `after` replaced by the second and third part of `name`.
void AppendWithPlace(std::string& text, std::string_view after, std::string_view place) {
  const std::size_t first = place.find(kPlaceSeparator);
  const std::size_t second = place.find(kPlaceSeparator, first + 1);
  const std::string_view parts[] = {place.substr(first + 1, second - first - 1),
                                    place.substr(second + 1)};
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (after[i] == '%' && i + 1 < after.size() && (after[i + 1] == '1' || after[i + 1] == '2')) {
      text.append(parts[after[i + 1] - '1']);
      ++i;
    } else {
      text += after[i];
    }
  }
}

// "en", "en_US.UTF-8", "en@quot", "en-GB": English; "eng" or "ja_JP" not.
bool NamesEnglish(std::string_view locale) {
  if (locale.substr(0, 2) != "en") return false;
  return locale.size() == 2 || locale[2] == '_' || locale[2] == '.' || locale[2] == '@' ||
         locale[2] == '-';
}

}  // namespace

std::string PlaceInFile(std::string_view name, std::int64_t line, std::int64_t column) {
  std::string place(name);
  place += kPlaceSeparator;
  place += std::to_string(line);
  place += kPlaceSeparator;
  place += std::to_string(column);
  return place;
}

std::string MessageText(Message message, std::string_view name, Language language) {
  for (const auto& entry : kTexts) {
    if (entry.message != message) continue;
    const Text& chosen = language == Language::kEnglish ? entry.english : entry.japanese;
    std::string text = chosen.before;
    if (chosen.after == nullptr) return text;
    const std::size_t separator = name.find(kPlaceSeparator);
    text.append(name.substr(0, separator));
    if (separator == std::string_view::npos) {
      text.append(chosen.after);
    } else {
      AppendWithPlace(text, chosen.after, name);
    }
    return text;
  }
  return {};
}

Language LanguageOfLocale(const LocaleVariables& variables) {
  // The message locale as setlocale() takes it: the first of these that is set.
  std::string_view locale = variables.lcAll;
  if (locale.empty()) locale = variables.lcMessages;
  if (locale.empty()) locale = variables.lang;
  // gettext's list of languages comes first, except in the C locale (where
  // gettext ignores it); its first entry is the language wanted most.
  const bool plainC = locale.empty() || locale == "C" || locale == "POSIX";
  if (!plainC && !variables.language.empty()) {
    const std::string_view first = variables.language.substr(0, variables.language.find(':'));
    if (!first.empty()) return NamesEnglish(first) ? Language::kEnglish : Language::kJapanese;
  }
  return NamesEnglish(locale) ? Language::kEnglish : Language::kJapanese;
}

Language DesktopLanguage() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string_view(value == nullptr ? "" : value);
  };
  return LanguageOfLocale(
      {variable("LC_ALL"), variable("LC_MESSAGES"), variable("LANG"), variable("LANGUAGE")});
}

text::LocalSeconds Observer::Now() { return text::LocalNow(); }
text::LocalSeconds Observer::UtcNow() { return text::UtcNow(); }

}  // namespace vc::engine
