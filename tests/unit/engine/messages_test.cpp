// The message table's two columns and the choice of language from the
// locale variables.
#include <gtest/gtest.h>

#include <string>

#include "engine/messages.hpp"

namespace vc::engine {
namespace {

TEST(MessageTexts, EveryMessageHasAnEnglishText) {
  // Every enumerator that has a Japanese text (the table's first column)
  // must have an English one: a message added with one column fails here.
  int texts = 0;
  for (int value = 0; value < 256; ++value) {
    const auto message = static_cast<Message>(value);
    const std::string japanese = MessageText(message, "N", Language::kJapanese);
    const std::string english = MessageText(message, "N", Language::kEnglish);
    if (japanese.empty()) {
      EXPECT_TRUE(english.empty()) << value;
      continue;
    }
    ++texts;
    SCOPED_TRACE(japanese);
    EXPECT_FALSE(english.empty());
    EXPECT_NE(english, japanese);
    // The name appears in both or in neither.
    EXPECT_EQ(japanese.find("[N]") != std::string::npos, english.find("[N]") != std::string::npos);
  }
  EXPECT_GE(texts, 19);
}

TEST(MessageTexts, NamesFillTheBracketsInBothLanguages) {
  EXPECT_EQ(MessageText(Message::kInputMissing, "a.vrn"), "[a.vrn]は存在しません．中止します．");
  EXPECT_EQ(MessageText(Message::kInputMissing, "a.vrn", Language::kEnglish),
            "[a.vrn] does not exist. Stopped.");
  EXPECT_EQ(MessageText(Message::kCannotWrite, "b.mps", Language::kEnglish),
            "Cannot write to [b.mps]. Stopped.");
}

struct LocaleCase {
  LocaleVariables variables;
  Language expected;
};

TEST(MessageLanguage, TheMessageLocaleDecides) {
  constexpr auto en = Language::kEnglish;
  constexpr auto ja = Language::kJapanese;
  const LocaleCase kCases[] = {
      {{"", "", "", ""}, ja},
      {{"", "", "en_US.UTF-8", ""}, en},
      {{"", "", "en", ""}, en},
      {{"", "", "en@quot", ""}, en},
      {{"", "", "ja_JP.UTF-8", ""}, ja},
      {{"", "", "de_DE.UTF-8", ""}, ja},
      {{"", "", "eng", ""}, ja},
      {{"", "", "C", ""}, ja},
      {{"", "", "C.UTF-8", ""}, ja},
      // LC_ALL before LC_MESSAGES before LANG.
      {{"ja_JP.UTF-8", "en_GB.UTF-8", "en_US.UTF-8", ""}, ja},
      {{"", "en_GB.UTF-8", "ja_JP.UTF-8", ""}, en},
      {{"en_US.UTF-8", "ja_JP.UTF-8", "", ""}, en},
      // LANGUAGE's first entry comes first, except in the C locale.
      {{"", "", "ja_JP.UTF-8", "en_GB:ja"}, en},
      {{"", "", "en_US.UTF-8", "ja:en"}, ja},
      {{"", "", "C", "en"}, ja},
      {{"", "", "", "en"}, ja},
      {{"", "", "en_US.UTF-8", ":ja"}, en},
  };
  for (const LocaleCase& c : kCases) {
    const LocaleVariables& v = c.variables;
    EXPECT_EQ(LanguageOfLocale(v), c.expected)
        << v.lcAll << "|" << v.lcMessages << "|" << v.lang << "|" << v.language;
  }
}

}  // namespace
}  // namespace vc::engine
