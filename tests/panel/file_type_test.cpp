// The type names of the two files, the converted name that follows the
// chosen type, the file dialogs and the ProAtlas buttons.
#include "panel_support.hpp"

namespace vc::testing {
namespace {

// MPS, WPT+, VRC, GPX, KML; VRP, VRM, VRN, NMEA.
const char* const kTypeNames[] = {"FileTypeLists(0)",  "FileTypeLists(1)",  "FileTypeLists(2)",
                                  "FileTypeLists(3)",  "FileTypeLists(4)",  "FileTypeLists2(0)",
                                  "FileTypeLists2(1)", "FileTypeLists2(2)", "FileTypeLists2(3)"};
const char* const kTypeButtons[] = {"FileTypeLists(0)", "FileTypeLists(1)", "FileTypeLists(2)",
                                    "FileTypeLists(3)", "FileTypeLists(4)"};
const std::string kUnsupported = "未対応のファイルタイプです．";
const std::string kCannotConvert = "変換できないファイルタイプです．";

using PanelFileTypes = PanelTest;

struct RedCase {
  const char* name;
  const char* red;  // nullptr: every type name in the normal colour
  bool unsupported;
};

TEST_F(PanelFileTypes, EnterInTheOriginalNameRedsItsType) {
  const RedCase kCases[] = {
      {"/d/a.vrn", "FileTypeLists2(2)", false},
      {"/d/a.VRP", "FileTypeLists2(0)", false},
      {"a.vrm", "FileTypeLists2(1)", false},
      {"/d/a.mps", "FileTypeLists(0)", false},
      {"a.txt ", "FileTypeLists(1)", false},
      {"trackvrc", "FileTypeLists(2)", false},
      {"/d/a.gpx", "FileTypeLists(3)", false},
      {"/d/a.kml", "FileTypeLists(4)", false},
      {"/d/a.nmea", "FileTypeLists2(3)", false},
      {"/d/A.NMEA", "FileTypeLists2(3)", false},
      {"/d/a.log", nullptr, false},
  };
  for (const RedCase& c : kCases) {
    SCOPED_TRACE(c.name);
    // Start from another red type, so that every case also clears it.
    const bool mpsIsRed = c.red != nullptr && std::string(c.red) == "FileTypeLists(0)";
    SetText("OrgFileName", mpsIsRed ? "x.vrc" : "x.mps");
    PressEnter("OrgFileName");
    SetText("OrgFileName", c.name);
    PressEnter("OrgFileName");
    for (const char* type : kTypeNames) {
      EXPECT_EQ(IsRed(type), c.red != nullptr && std::string(c.red) == type) << type;
    }
  }
  EXPECT_TRUE(services.shown.empty());
  // The original name never selects a type button.
  for (const char* type : kTypeButtons) EXPECT_FALSE(Get<QAbstractButton>(type)->isChecked());
}

TEST_F(PanelFileTypes, ALogOfNmeaSentencesIsShownAsNmea) {
  const std::string nmea =
      dir.Write("cap.log",
                "# a capture\r\n\r\n$GPGGA,120000,3540.000,N,13945.000,E,1,05,1.0,10,M,,,,*31\r\n");
  const std::string other = dir.Write("other.log", "not a sentence\r\n");
  SetText("OrgFileName", nmea);
  PressEnter("OrgFileName");
  EXPECT_TRUE(IsRed("FileTypeLists2(3)"));
  // The Open dialog starts on the NMEA filter for it.
  services.chosen = std::nullopt;
  Click("GetOrgFile");
  ASSERT_EQ(services.dialogs.size(), 1u);
  EXPECT_EQ(services.dialogs[0].filters[services.dialogs[0].selectedFilter].pattern,
            "*.nmea *.log");
  // Any other .log is recognised but not read: no type name is red.
  services.chosen = other;
  Click("GetOrgFile");
  for (const char* type : kTypeNames) EXPECT_FALSE(IsRed(type)) << type;
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelFileTypes, AnUnknownOriginalTypeIsReportedAndChangesNothing) {
  SetText("OrgFileName", "a.vrn");
  PressEnter("OrgFileName");
  SetText("OrgFileName", "a.xyz");
  PressEnter("OrgFileName");
  EXPECT_EQ(services.shown, std::vector<std::string>{kUnsupported});
  EXPECT_TRUE(IsRed("FileTypeLists2(2)"));
}

TEST_F(PanelFileTypes, EnterIsSwallowedAndOtherKeysReachTheBox) {
  for (const char* box : {"OrgFileName", "NewFileName"}) {
    QTest::keyClicks(Get<QPlainTextEdit>(box), "a.vr");
    PressEnter(box);
    QTest::keyClick(Get<QPlainTextEdit>(box), Qt::Key_Enter);
    QTest::keyClicks(Get<QPlainTextEdit>(box), "c");
    EXPECT_EQ(TextOf(box), "a.vrc") << box;
  }
}

TEST_F(PanelFileTypes, EnterInTheConvertedNameSelectsItsType) {
  Tick("AutoFileName", false);
  SetText("NewFileName", "/d/out.TXT");
  PressEnter("NewFileName");
  EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(1)")->isChecked());
  EXPECT_EQ(TextOf("NewFileName"), "/d/out.txt");
  for (const char* type : kTypeNames) EXPECT_FALSE(IsRed(type)) << type;
}

TEST_F(PanelFileTypes, EnterInAConvertedGpxOrKmlNameSelectsItsButton) {
  const std::pair<const char*, const char*> kCases[] = {
      {"/d/out.gpx", "FileTypeLists(3)"},
      {"/d/OUT.KML", "FileTypeLists(4)"},
      {"/d/out.mps", "FileTypeLists(0)"},
  };
  Tick("AutoFileName", false);
  for (const auto& [name, button] : kCases) {
    SetText("NewFileName", name);
    PressEnter("NewFileName");
    for (const char* type : kTypeButtons) {
      EXPECT_EQ(Get<QAbstractButton>(type)->isChecked(), std::string(type) == button) << name;
    }
  }
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelFileTypes, ALogTypeCannotBeTheConvertedFile) {
  for (const char* name : {"/d/out.vrp", "/d/out.nmea"}) {
    services.shown.clear();
    Click("FileTypeLists(2)");
    SetText("NewFileName", name);
    PressEnter("NewFileName");
    EXPECT_EQ(services.shown, std::vector<std::string>{kCannotConvert});
    EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(2)")->isChecked());
    EXPECT_EQ(TextOf("NewFileName"), name);
  }
}

struct AutoNameCase {
  const char* title;
  bool autoFileName;
  const char* original;
  const char* converted;
  const char* click;  // the type button clicked
  const char* expected;
  bool unsupported;
};

TEST_F(PanelFileTypes, TypeButtonsDeriveTheConvertedName) {
  const AutoNameCase kCases[] = {
      {"follows the original", true, "/d/a.vrn", "", "FileTypeLists(0)", "/d/a.mps", false},
      {"trims the original", true, "  /d/a.vrn ", "x", "FileTypeLists(1)", "/d/a.txt", false},
      {"replaces a typed name", true, "/d/a.vrc", "/e/b.txt", "FileTypeLists(2)", "/d/a.vrc",
       false},
      {"no original: unchanged", true, "", "/e/b.txt", "FileTypeLists(0)", "/e/b.txt", false},
      {"changes its own type", false, "/d/a.vrn", "/e/b.txt", "FileTypeLists(0)", "/e/b.mps",
       false},
      {"without a dot", false, "", "trackmps", "FileTypeLists(2)", "trackvrc", false},
      {"Japanese name", true, "/d/軌跡.vrn", "", "FileTypeLists(1)", "/d/軌跡.txt", false},
      {"unknown type still cut", true, "/d/a.xyz", "", "FileTypeLists(0)", "/d/a.mps", true},
      {"two characters: unchanged", true, " ab ", "/e/b.txt", "FileTypeLists(0)", "/e/b.txt", true},
      {"three characters: extension only", false, "", "abc", "FileTypeLists(0)", "mps", true},
      {"no converted name", false, "/d/a.vrn", "", "FileTypeLists(0)", "", false},
      {"GPX follows the original", true, "/d/track.vrn", "", "FileTypeLists(3)", "/d/track.gpx",
       false},
      {"KML changes its own type", false, "", "/e/b.mps", "FileTypeLists(4)", "/e/b.kml", false},
      {"from GPX", true, "/d/a.GPX", "", "FileTypeLists(1)", "/d/a.txt", false},
      {"the whole .nmea replaced", true, "/d/cap.nmea", "", "FileTypeLists(3)", "/d/cap.gpx",
       false},
      {"upper-case .NMEA", true, "/d/CAP.NMEA", "", "FileTypeLists(0)", "/d/CAP.mps", false},
      {"a long unknown extension: three cut", true, "/d/a.jpeg", "", "FileTypeLists(3)",
       "/d/a.jgpx", true},
      {"a dot in a folder only", true, "/d.nmea/trackvrn", "", "FileTypeLists(4)",
       "/d.nmea/trackkml", false},
  };
  for (const AutoNameCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Make();
    Tick("AutoFileName", c.autoFileName);
    SetText("OrgFileName", c.original);
    SetText("NewFileName", c.converted);
    Click(c.click);
    EXPECT_EQ(TextOf("NewFileName"), c.expected);
    EXPECT_EQ(services.shown,
              c.unsupported ? std::vector<std::string>{kUnsupported} : std::vector<std::string>{});
    services.shown.clear();
  }
}

using Filters = std::vector<std::pair<std::string, std::string>>;

// The design's seven filters, which both dialogs offer first.
const Filters kDesignFilters = {
    {"すべてのファイル (*.*)", "*.*"},
    {"プロアトラスファイル（*.mps）", "*.mps"},
    {"Waypoint+ファイル（*.txt）", "*.txt"},
    {"VornConnect[標準]ファイル（*.vrc）", "*.vrc"},
    {"VornPointer[標準]ファイル（*.vrp）", "*.vrp"},
    {"VornPointer[Garmin]ファイル（*.vrm）", "*.vrm"},
    {"VornPointer[GarminNmea]ファイル（*.vrn）", "*.vrn"},
};

Filters Offered(const DialogCall& dialog) {
  Filters offered;
  for (const auto& filter : dialog.filters) {
    offered.emplace_back(filter.description, filter.pattern);
  }
  return offered;
}

Filters DesignFiltersAnd(const Filters& added) {
  Filters filters = kDesignFilters;
  filters.insert(filters.end(), added.begin(), added.end());
  return filters;
}

struct DialogCase {
  const char* name;
  std::size_t openFilter;
  std::size_t saveFilter;
};

TEST_F(PanelFileTypes, DialogsOfferTheirTypesAndStartWithTheNamesType) {
  // Open: the design's seven, then GPX (7) and NMEA (8); Save: the seven,
  // then GPX (7) and KML (8).
  const DialogCase kCases[] = {
      {"", 0, 0},      {"a.mps", 1, 1},  {"a.TXT", 2, 2}, {"a.vrc", 3, 3},
      {"a.vrp", 4, 4}, {"a.vrm", 5, 5},  {"a.vrn", 6, 6}, {"a.log", 0, 0},
      {"a.gpx", 7, 7}, {"a.nmea", 8, 0}, {"a.kml", 0, 8},
  };
  services.chosen = std::nullopt;
  for (const DialogCase& c : kCases) {
    SCOPED_TRACE(c.name);
    SetText("OrgFileName", c.name);
    Click("GetOrgFile");
    ASSERT_FALSE(services.dialogs.empty());
    EXPECT_EQ(services.dialogs.back().mode, panel::FileDialogMode::kOpen);
    EXPECT_EQ(services.dialogs.back().selectedFilter, c.openFilter);
    SetText("NewFileName", c.name);
    Click("GetNewFile");
    EXPECT_EQ(services.dialogs.back().mode, panel::FileDialogMode::kSave);
    EXPECT_EQ(services.dialogs.back().selectedFilter, c.saveFilter);
  }
  ASSERT_GE(services.dialogs.size(), 2u);
  EXPECT_EQ(Offered(services.dialogs[0]),
            DesignFiltersAnd({{"GPXファイル（*.gpx）", "*.gpx"},
                              {"NMEAファイル（*.nmea;*.log）", "*.nmea *.log"}}));
  EXPECT_EQ(Offered(services.dialogs[1]), DesignFiltersAnd({{"GPXファイル（*.gpx）", "*.gpx"},
                                                            {"KMLファイル（*.kml）", "*.kml"}}));
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelFileTypes, ChoosingAGpxOrKmlConvertedFileSelectsItsButton) {
  Tick("AutoFileName", false);
  SetText("OrgFileName", "/d/a.nmea");
  for (const auto& [chosen, button] :
       {std::pair{"/e/out.kml", "FileTypeLists(4)"}, std::pair{"/e/out.gpx", "FileTypeLists(3)"}}) {
    services.chosen = chosen;
    Click("GetNewFile");
    EXPECT_EQ(TextOf("NewFileName"), chosen);
    EXPECT_TRUE(Get<QAbstractButton>(button)->isChecked()) << chosen;
  }
}

TEST_F(PanelFileTypes, AnUnknownNameIsReportedBeforeTheDialogOpens) {
  SetText("OrgFileName", "a.xyz");
  Click("GetOrgFile");
  EXPECT_EQ(services.shown, std::vector<std::string>{kUnsupported});
  ASSERT_EQ(services.dialogs.size(), 1u);
  EXPECT_EQ(services.dialogs[0].selectedFilter, 0u);
}

TEST_F(PanelFileTypes, CancelledDialogsLeaveTheNames) {
  SetText("OrgFileName", "/d/a.vrn");
  SetText("NewFileName", "/d/b.mps");
  Click("FileTypeLists(1)");
  SetText("NewFileName", "/d/b.mps");
  services.chosen = std::nullopt;
  Click("GetOrgFile");
  Click("GetNewFile");
  EXPECT_EQ(TextOf("OrgFileName"), "/d/a.vrn");
  EXPECT_EQ(TextOf("NewFileName"), "/d/b.mps");
  ASSERT_EQ(services.dialogs.size(), 2u);
  EXPECT_EQ(services.dialogs[1].mode, panel::FileDialogMode::kSave);
  EXPECT_EQ(services.dialogs[1].selectedFilter, 1u);
}

TEST_F(PanelFileTypes, ChoosingTheOriginalShowsItsTypeAndDerivesTheConvertedName) {
  Click("FileTypeLists(0)");
  services.chosen = "/home/u/a.vrn";
  Click("GetOrgFile");
  EXPECT_EQ(TextOf("OrgFileName"), "/home/u/a.vrn");
  EXPECT_TRUE(IsRed("FileTypeLists2(2)"));
  EXPECT_EQ(TextOf("NewFileName"), "/home/u/a.mps");
}

TEST_F(PanelFileTypes, ChoosingTheOriginalWithoutATypeLeavesTheConvertedName) {
  SetText("NewFileName", "/e/keep.vrc");
  services.chosen = "/home/u/a.vrn";
  Click("GetOrgFile");
  EXPECT_EQ(TextOf("NewFileName"), "/e/keep.vrc");
  EXPECT_TRUE(IsRed("FileTypeLists2(2)"));
}

TEST_F(PanelFileTypes, ChoosingALogOriginalLeavesEveryTypeNameNormal) {
  SetText("OrgFileName", "/d/a.vrn");
  PressEnter("OrgFileName");
  services.chosen = "/d/a.log";
  Click("GetOrgFile");
  for (const char* type : kTypeNames) EXPECT_FALSE(IsRed(type)) << type;
}

TEST_F(PanelFileTypes, ChoosingTheConvertedFileSelectsItsType) {
  Tick("AutoFileName", false);
  services.chosen = "/e/out.vrc";
  Click("GetNewFile");
  EXPECT_EQ(TextOf("NewFileName"), "/e/out.vrc");
  EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(2)")->isChecked());
}

TEST_F(PanelFileTypes, ProAtlasButtonsStartOnlyMpsFiles) {
  SetText("OrgFileName", "/d/a.vrn");
  SetText("NewFileName", " /d/a.MPS");
  Click("ViewProAtlas(0)");
  EXPECT_TRUE(services.launched.empty());
  Click("ViewProAtlas(1)");
  EXPECT_EQ(services.launched, std::vector<std::string>{" /d/a.MPS"});
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelFileTypes, AProAtlasThatWillNotStartIsReported) {
  SetText("NewFileName", "/d/a.mps");
  services.launch = {launcher::LaunchStatus::kStartFailed, "C:\\PA\\pa.exe", 2};
  Click("ViewProAtlas(1)");
  EXPECT_EQ(services.shown, std::vector<std::string>{"[C:\\PA\\pa.exe]を起動できません．"});
  services.shown.clear();
  services.launch = {launcher::LaunchStatus::kNotInstalled, "", 0};
  Click("ViewProAtlas(1)");
  EXPECT_TRUE(services.shown.empty());
}

}  // namespace
}  // namespace vc::testing
