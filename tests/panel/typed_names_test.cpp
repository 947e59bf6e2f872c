// Names typed without Enter, and the faults a line-by-line audit of the
// window found: each case pins the fault it mends.
#include <QFocusEvent>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

const std::string kUnsupported = "未対応のファイルタイプです．";
const std::string kTypeMissing = "変換後のファイルタイプを指定してください．";

class PanelTypedNames : public PanelTest {
 protected:
  void Type(const char* box, const std::string& text) {
    auto* edit = Get<QPlainTextEdit>(box);
    edit->clear();
    QTest::keyClicks(edit, QString::fromStdString(text));
  }
  void Leave(const char* box) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Get<QPlainTextEdit>(box), &out);
  }

  const std::string source = dir.Write("in.vrc", VrcTrack(3));
};

struct TypedCase {
  const char* title;
  const char* output;  // in the folder
  bool autoFileName;
  const char* checked;  // the type button selected afterwards
};

TEST_F(PanelTypedNames, NamesTypedThenConvertConvert) {
  // Regression: the output type was never taken from a typed name, so
  // Convert stopped with "変換後のファイルタイプを指定してください．".
  const TypedCase kCases[] = {
      {"MPS, AutoFileName ticked", "out.mps", true, "FileTypeLists(0)"},
      {"MPS, AutoFileName not ticked", "out.mps", false, "FileTypeLists(0)"},
      {"Waypoint+", "out.txt", true, "FileTypeLists(1)"},
      {"VRC, upper case", "OUT.VRC", true, "FileTypeLists(2)"},
      {"GPX", "out.gpx", true, "FileTypeLists(3)"},
      {"KML, AutoFileName not ticked", "out.kml", false, "FileTypeLists(4)"},
  };
  for (const TypedCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Make();
    services.shown.clear();
    Tick("AutoFileName", c.autoFileName);
    const std::string output = dir.Path(c.output);
    std::filesystem::remove(output);
    Type("OrgFileName", source);
    Type("NewFileName", output);
    Convert();
    EXPECT_TRUE(services.shown.empty()) << services.shown.front();
    EXPECT_TRUE(Get<QAbstractButton>(c.checked)->isChecked());
    // The typed name stands, exactly as typed.
    EXPECT_EQ(TextOf("NewFileName"), output);
    EXPECT_FALSE(ReadFile(output).empty());
    EXPECT_TRUE(IsRed("FileTypeLists(2)"));  // the original's type
  }
}

TEST_F(PanelTypedNames, LeavingABoxTakesItsNameAsEnterWould) {
  Type("OrgFileName", "/d/a.vrn");
  Leave("OrgFileName");
  EXPECT_TRUE(IsRed("FileTypeLists2(2)"));
  Type("NewFileName", "/d/b.txt");
  Leave("NewFileName");
  EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(1)")->isChecked());
  EXPECT_EQ(TextOf("NewFileName"), "/d/b.txt");
  // Leaving a box with a name of no known type says nothing and changes nothing.
  Type("NewFileName", "/d/b.xyz");
  Leave("NewFileName");
  Type("OrgFileName", "/d/a.vrp");
  Leave("OrgFileName");
  EXPECT_TRUE(IsRed("FileTypeLists2(0)"));
  EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(1)")->isChecked());
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelTypedNames, AnUnknownTypedOutputIsReportedOncePerConvert) {
  // Regression: with Auto start ticked the message came twice, once from
  // the conversion and once from the automatic start.
  Tick("AutoProAtlas", true);
  Click("FileTypeLists(0)");
  Type("OrgFileName", source);
  Type("NewFileName", dir.Path("out.xyz"));
  Convert();
  EXPECT_EQ(services.shown, std::vector<std::string>{kUnsupported});
  EXPECT_TRUE(services.launched.empty());
}

TEST_F(PanelTypedNames, AnUnknownTypedOutputWithoutATypeButtonStopsAtTheTypeCheck) {
  Type("OrgFileName", source);
  Type("NewFileName", dir.Path("out.xyz"));
  Convert();
  EXPECT_EQ(services.shown, std::vector<std::string>{kTypeMissing});
}

TEST_F(PanelTypedNames, ANameWithANonBreakingSpaceIsTakenAsTyped) {
  // Regression: the name was read with toPlainText(), which made the
  // non-breaking space a plain one, so the file was reported missing.
  const std::string nbsp = dir.Write("nb\u00a0sp.vrc", VrcTrack(2));
  const std::string output = dir.Path("nb\u00a0sp.mps");
  Click("FileTypeLists(0)");
  SetText("OrgFileName", nbsp);
  SetText("NewFileName", output);
  Convert();
  EXPECT_TRUE(services.shown.empty()) << services.shown.front();
  EXPECT_FALSE(ReadFile(output).empty());
  EXPECT_FALSE(std::filesystem::exists(dir.Path("nb sp.mps")));
}

TEST_F(PanelTypedNames, TheWindowStaysUsableWhileACheckShowsItsMessage) {
  // Regression: every control was locked (greyed) while a check's message
  // was up; they are locked only once the conversion itself starts.
  std::vector<bool> enabled;
  services.onShow = [&] {
    for (const char* name : {"OrgFileName", "NewFileName", "GetOrgFile", "FileTypeLists(0)"}) {
      enabled.push_back(Get<QWidget>(name)->isEnabled());
    }
  };
  SetText("OrgFileName", source);
  SetText("NewFileName", dir.Path("out.xyz"));
  Convert();
  ASSERT_EQ(services.shown, std::vector<std::string>{kTypeMissing});
  EXPECT_EQ(enabled, std::vector<bool>(4, true));
}

TEST_F(PanelTypedNames, AChosenConvertedNameStandsUntilTheTypeOrOriginalChanges) {
  // Regression: with AutoFileName ticked the name chosen in the Save dialog
  // was replaced at once by the name derived from the original.
  SetText("OrgFileName", "/d/a.vrn");
  services.chosen = "/e/out.vrc";
  Click("GetNewFile");
  EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(2)")->isChecked());
  EXPECT_EQ(TextOf("NewFileName"), "/e/out.vrc");
  // Enter on the chosen name keeps it too.
  PressEnter("NewFileName");
  EXPECT_EQ(TextOf("NewFileName"), "/e/out.vrc");
  Click("FileTypeLists(0)");
  EXPECT_EQ(TextOf("NewFileName"), "/d/a.mps");

  services.chosen = "/e/out.txt";
  Click("GetNewFile");
  EXPECT_EQ(TextOf("NewFileName"), "/e/out.txt");
  services.chosen = "/f/b.vrp";
  Click("GetOrgFile");
  EXPECT_EQ(TextOf("NewFileName"), "/f/b.txt");
  EXPECT_TRUE(services.shown.empty());
}

}  // namespace
}  // namespace vc::testing
