#include "engine/messages.hpp"

#include "text/clock.hpp"

namespace vc::engine {
namespace {

struct MessageTexts {
  Message message;
  const char* before;  // text before the name, or the whole text
  const char* after;   // text after the name; nullptr for texts without a name
};

// The texts as the users know them, in UTF-8.
constexpr MessageTexts kTexts[] = {
    {Message::kFileNameMissing, "ファイル名を指定してください．", nullptr},
    {Message::kSameFileName, "ファイル名が同じです．変換後ファイル名を変えてください．", nullptr},
    {Message::kInputMissing, "[", "]は存在しません．中止します．"},
    {Message::kOutputTypeMissing, "変換後のファイルタイプを指定してください．", nullptr},
    {Message::kAppendNotice, "[", "]に追加します．"},
    {Message::kOverwriteQuestion, "[", "]は既に存在します．上書きしてもよろしいですか"},
    {Message::kAborted, "中止します．", nullptr},
    {Message::kUnsupportedType, "未対応のファイルタイプです．", nullptr},
    {Message::kInputUnsupported, "入力未対応のファイルです．", nullptr},
    {Message::kOutputUnsupported, "出力未対応のファイルです．", nullptr},
    {Message::kCannotConvertType, "変換できないファイルタイプです．", nullptr},
    {Message::kGroupFileMissing, "[header_mps_group.dat]が見つかりません．中止します．", nullptr},
    {Message::kCannotWrite, "[", "]に書き込めません．中止します．"},
    {Message::kStepInvalid, "Stepには -32768 から 32767 までの数値を指定してください．", nullptr},
    {Message::kCannotStart, "[", "]を起動できません．"},
    {Message::kUtcOffsetInvalid,
     "UTC Offsetには データ優先 か -12 から +14 までの数値を指定してください．", nullptr},
    {Message::kDatumInvalid, "Datumには データ優先，TOKYO，WGS84 のいずれかを指定してください．",
     nullptr},
    {Message::kCoordFormatInvalid,
     "Coord.Formatには データ優先，D，DM，DMS，MPS，PAO のいずれかを指定してください．", nullptr},
    {Message::kVrmVrnDatumInvalid, "Datum of VRM/VRNには TOKYO か WGS84 を指定してください．",
     nullptr},
    {Message::kGpxUnreadable, "[", "] の %1 行 %2 桁目で GPX を読めません．中止します．"},
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

}  // namespace

std::string PlaceInFile(std::string_view name, std::int64_t line, std::int64_t column) {
  std::string place(name);
  place += kPlaceSeparator;
  place += std::to_string(line);
  place += kPlaceSeparator;
  place += std::to_string(column);
  return place;
}

std::string MessageText(Message message, std::string_view name, Language /*language*/) {
  for (const auto& entry : kTexts) {
    if (entry.message != message) continue;
    std::string text = entry.before;
    if (entry.after == nullptr) return text;
    const std::size_t separator = name.find(kPlaceSeparator);
    text.append(name.substr(0, separator));
    if (separator == std::string_view::npos) {
      text.append(entry.after);
    } else {
      AppendWithPlace(text, entry.after, name);
    }
    return text;
  }
  return {};
}

text::LocalSeconds Observer::Now() { return text::LocalNow(); }
text::LocalSeconds Observer::UtcNow() { return text::UtcNow(); }

}  // namespace vc::engine
