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
    {Message::kAppendEncodingMismatch, "[", "]と異なる文字コードでは追加できません．中止します．"},
};

}  // namespace

std::string MessageText(Message message, std::string_view name, Language /*language*/) {
  for (const auto& entry : kTexts) {
    if (entry.message != message) continue;
    std::string text = entry.before;
    if (entry.after != nullptr) {
      text.append(name);
      text.append(entry.after);
    }
    return text;
  }
  return {};
}

text::LocalSeconds Observer::Now() { return text::LocalNow(); }

}  // namespace vc::engine
