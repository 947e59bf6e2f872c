// The window in English under an English message locale: the engine's
// messages from the table's English column, the window's own texts through
// the translation built into the program. Japanese otherwise.
#include <algorithm>

#include "panel/translation.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

// Sets LC_ALL for one test and puts back what was there.
class MessageLocale {
 public:
  explicit MessageLocale(const char* locale) : saved_(qgetenv("LC_ALL")) {
    qputenv("LC_ALL", locale);
  }
  ~MessageLocale() {
    qputenv("LC_ALL", saved_);
    panel::InstallTranslation(engine::Language::kJapanese);
  }
  MessageLocale(const MessageLocale&) = delete;
  MessageLocale& operator=(const MessageLocale&) = delete;

 private:
  QByteArray saved_;
};

using PanelLanguage = PanelTest;

TEST_F(PanelLanguage, EnglishUnderAnEnglishLocale) {
  const MessageLocale english("en_US.UTF-8");
  ASSERT_TRUE(panel::InstallTranslation(engine::DesktopLanguage()));
  Make();
  Convert();
  SetText("OrgFileName", "/d/a.xyz");
  PressEnter("OrgFileName");
  EXPECT_EQ(services.shown, (std::vector<std::string>{"Specify both file names.",
                                                      "This file type is not supported."}));
  services.chosen.reset();
  Click("GetOrgFile");
  ASSERT_FALSE(services.dialogs.empty());
  EXPECT_EQ(services.dialogs.back().filters[0].description, "All files (*.*)");
  EXPECT_EQ(services.dialogs.back().filters[6].description,
            "VornPointer [GarminNmea] files (*.vrn)");
  // The captions of the controls are the design's in every language.
  EXPECT_EQ(Get<QPushButton>("Convert")->text().toStdString(), "Convert");
}

TEST_F(PanelLanguage, EveryFilterOfBothDialogsIsInEnglish) {
  // A type added to the dialogs without its line in the translation would
  // show its Japanese description to an English desktop.
  const MessageLocale english("en_US.UTF-8");
  ASSERT_TRUE(panel::InstallTranslation(engine::DesktopLanguage()));
  Make();
  services.chosen.reset();
  Click("GetOrgFile");
  Click("GetNewFile");
  ASSERT_EQ(services.dialogs.size(), 2u);
  for (const DialogCall& dialog : services.dialogs) {
    for (const panel::FileFilter& filter : dialog.filters) {
      const bool ascii = std::all_of(filter.description.begin(), filter.description.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
      EXPECT_TRUE(ascii) << filter.description;
    }
  }
  EXPECT_EQ(services.dialogs[0].filters.back().description, "NMEA files (*.nmea;*.log)");
  EXPECT_EQ(services.dialogs[1].filters.back().description, "KML files (*.kml)");
}

TEST_F(PanelLanguage, JapaneseOtherwise) {
  const MessageLocale japanese("ja_JP.UTF-8");
  ASSERT_TRUE(panel::InstallTranslation(engine::DesktopLanguage()));
  Make();
  Convert();
  Click("GetOrgFile");
  EXPECT_EQ(services.shown, std::vector<std::string>{"ファイル名を指定してください．"});
  EXPECT_EQ(services.dialogs.back().filters[0].description, "すべてのファイル (*.*)");
}

}  // namespace
}  // namespace vc::testing
