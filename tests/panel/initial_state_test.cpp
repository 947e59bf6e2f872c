// The window as it opens: every control with its kind and caption, and the
// initial state of every option.
#include <QGroupBox>

#include "panel_support.hpp"
#include "vc/version.hpp"

namespace vc::testing {
namespace {

struct ControlCase {
  const char* name;
  const char* kind;  // Qt class the control is or derives from
  const char* caption;
};

QString CaptionOf(const QWidget* control) {
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (const auto* frame = qobject_cast<const QGroupBox*>(control)) return frame->title();
  if (const auto* box = qobject_cast<const QPlainTextEdit*>(control)) return box->toPlainText();
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (const auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
  return {};
}

const ControlCase kControls[] = {
    {"Label1", "QLabel", "Original File"},
    {"OrgFileName", "QPlainTextEdit", ""},
    {"GetOrgFile", "QPushButton", "Ref."},
    {"ViewProAtlas(0)", "QPushButton", "ProAtlas"},
    {"FileTypeList", "QGroupBox", "FileType"},
    {"Frame4", "QGroupBox", "Genaral Option"},
    {"Convert", "QPushButton", "Convert"},
    {"ExitVornConverter", "QPushButton", "Exit"},
    {"Label2", "QLabel", "Converted File"},
    {"NewFileName", "QPlainTextEdit", ""},
    {"GetNewFile", "QPushButton", "Ref."},
    {"AppendFg", "QCheckBox", "Append"},
    {"ViewProAtlas(1)", "QPushButton", "ProAtlas"},
    {"Frame1", "QGroupBox", "Option for MPS"},
    {"FileTypeLists(0)", "QRadioButton", "MPS"},
    {"FileTypeLists(1)", "QRadioButton", "WPT+"},
    {"FileTypeLists(2)", "QRadioButton", "VRC"},
    {"label(3)", "QLabel", "(X)"},
    {"FileTypeLists2(0)", "QLabel", "    VRP"},
    {"label(0)", "QLabel", "(X)"},
    {"FileTypeLists2(1)", "QLabel", "    VRM"},
    {"label(1)", "QLabel", "(X)"},
    {"FileTypeLists2(2)", "QLabel", "    VRN"},
    // The types added since, on a second row of the same columns.
    {"FileTypeLists(3)", "QRadioButton", "GPX"},
    {"FileTypeLists(4)", "QRadioButton", "KML"},
    {"label(4)", "QLabel", "(X)"},
    {"FileTypeLists2(3)", "QLabel", "    NMEA"},
    {"Label3", "QLabel", "\"Red\" Color is FileType of OriginalFile"},
    {"Label4", "QLabel", "\"Normal\" Color is FileType of ConvertedFile"},
    {"AutoFileName", "QCheckBox", "AutoFileName"},
    {"Label5", "QLabel", "UTC Offset"},
    {"UtcOfsOp", "QComboBox", "データ優先"},
    {"Label6", "QLabel", "Datum"},
    {"DatumOp", "QComboBox", "データ優先"},
    {"Label7", "QLabel", "Coord.Format"},
    {"CoordOp", "QComboBox", "データ優先"},
    {"Label10", "QLabel", "Datum of VRM/VRN"},
    {"DatumVrmVrnOp", "QComboBox", "TOKYO"},
    {"Label9", "QLabel", "Convert Data"},
    {"ConvData(0)", "QCheckBox", "Waypoints"},
    {"ConvData(1)", "QCheckBox", "Routes"},
    {"ConvData(2)", "QCheckBox", "Tracklogs"},
    {"InitTrkNo", "QPushButton", "Init.TrkNo"},
    {"AutoProAtlas", "QCheckBox", "Auto start up (ProAtlas)"},
    {"Frame2", "QGroupBox", "Route to MPS"},
    {"Frame5", "QGroupBox", "RtePntNo"},
    {"RtePntNoOp(0)", "QRadioButton", "Up"},
    {"RtePntNoOp(1)", "QRadioButton", "Down"},
    {"Frame3", "QGroupBox", "Track to MPS"},
    {"Frame6", "QGroupBox", "TrkLineOp"},
    {"TrkLineOp(0)", "QCheckBox", "Total num of Pnt"},
    {"TrkLineOp(1)", "QCheckBox", "Total Trip Time"},
    {"TrkLineOp(2)", "QCheckBox", "Total Trip Length"},
    {"TrkLineOp(3)", "QCheckBox", "Total Velocity"},
    {"Text1", "QPlainTextEdit",
     "Date :\n   yyyy/mm/dd hh:nn:ss\nVelocity : km/hr\nDegree : north dir. = 0"},
    {"Frame7", "QGroupBox", "TrkPntOp"},
    {"Label8", "QLabel", "[  ] Step"},
    {"TrkPntStepOp", "QLineEdit", "1"},
    {"TrkPntOp(0)", "QCheckBox", "Past Date"},
    {"TrkPntOp(1)", "QCheckBox", "Past Velocity"},
    {"TrkPntOp(2)", "QCheckBox", "Past Degree"},
    {"TrkPntOp(3)", "QCheckBox", "Head Degree"},
    {"TrkPntOp(4)", "QCheckBox", "Leg. Time(s)"},
    {"TrkPntOp(5)", "QCheckBox", "Leg. Length(m)"},
    {"TrkPntOp(6)", "QCheckBox", "Leg. Velocity"},
};

using PanelInitialState = PanelTest;

TEST_F(PanelInitialState, EveryControlHasItsKindAndCaption) {
  for (const ControlCase& expected : kControls) {
    SCOPED_TRACE(expected.name);
    const auto* control = Get<QWidget>(expected.name);
    ASSERT_NE(control, nullptr);
    EXPECT_TRUE(control->inherits(expected.kind)) << control->metaObject()->className();
    EXPECT_EQ(CaptionOf(control).toStdString(), expected.caption);
  }
}

TEST_F(PanelInitialState, ControlsSitInTheirFrames) {
  const std::pair<const char*, const char*> kInside[] = {
      {"FileTypeLists(0)", "FileTypeList"},
      {"FileTypeLists2(2)", "FileTypeList"},
      {"FileTypeLists(4)", "FileTypeList"},
      {"FileTypeLists2(3)", "FileTypeList"},
      {"AutoFileName", "FileTypeList"},
      {"UtcOfsOp", "Frame4"},
      {"InitTrkNo", "Frame4"},
      {"AutoProAtlas", "Frame1"},
      {"Frame2", "Frame1"},
      {"Frame5", "Frame2"},
      {"RtePntNoOp(1)", "Frame5"},
      {"Frame3", "Frame1"},
      {"Frame6", "Frame3"},
      {"TrkLineOp(3)", "Frame6"},
      {"Text1", "Frame3"},
      {"Frame7", "Frame3"},
      {"TrkPntStepOp", "Frame7"},
      {"TrkPntOp(6)", "Frame7"},
      {"Convert", "VornConverterPanel"},
      {"AppendFg", "VornConverterPanel"},
  };
  for (const auto& [control, frame] : kInside) {
    EXPECT_EQ(Get<QWidget>(control)->parentWidget()->objectName().toStdString(), frame) << control;
  }
}

TEST_F(PanelInitialState, CaptionNamesTheVersion) {
  const std::string expected = "VornConverter [Ver." + std::to_string(kVersionMajor) + "." +
                               std::to_string(kVersionMinor) + "." +
                               std::to_string(kVersionRevision) + "]";
  EXPECT_EQ(window->windowTitle().toStdString(), expected);
}

TEST_F(PanelInitialState, OptionsStartAsDesigned) {
  const std::pair<const char*, bool> kTicked[] = {
      {"AutoFileName", true},      {"RtePntNoOp(0)", true},     {"RtePntNoOp(1)", false},
      {"ConvData(0)", false},      {"ConvData(1)", false},      {"ConvData(2)", true},
      {"TrkLineOp(0)", false},     {"TrkLineOp(3)", false},     {"TrkPntOp(0)", false},
      {"TrkPntOp(6)", false},      {"AppendFg", false},         {"AutoProAtlas", false},
      {"FileTypeLists(0)", false}, {"FileTypeLists(1)", false}, {"FileTypeLists(2)", false},
      {"FileTypeLists(3)", false}, {"FileTypeLists(4)", false},
  };
  for (const auto& [name, ticked] : kTicked) {
    EXPECT_EQ(Get<QAbstractButton>(name)->isChecked(), ticked) << name;
  }
}

TEST_F(PanelInitialState, ComboBoxesHoldTheirListsAndAcceptTypedText) {
  const std::pair<const char*, std::vector<std::string>> kLists[] = {
      {"UtcOfsOp", {"データ優先", "+9", "0"}},
      {"DatumOp", {"データ優先", "TOKYO", "WGS84"}},
      {"CoordOp", {"データ優先", "D", "DMS", "MPS"}},
      {"DatumVrmVrnOp", {"TOKYO", "WGS84"}},
  };
  for (const auto& [name, items] : kLists) {
    auto* combo = Get<QComboBox>(name);
    std::vector<std::string> shown;
    for (int i = 0; i < combo->count(); ++i) shown.push_back(combo->itemText(i).toStdString());
    EXPECT_EQ(shown, items) << name;
    EXPECT_TRUE(combo->isEditable()) << name;
  }
}

TEST_F(PanelInitialState, OnlyTheFixedCaptionsAreRed) {
  EXPECT_TRUE(IsRed("Label1"));
  EXPECT_TRUE(IsRed("Label3"));
  for (const char* name :
       {"FileTypeLists(0)", "FileTypeLists(1)", "FileTypeLists(2)", "FileTypeLists2(0)",
        "FileTypeLists2(1)", "FileTypeLists2(2)", "FileTypeLists(3)", "FileTypeLists(4)",
        "FileTypeLists2(3)", "Label2", "Label4"}) {
    EXPECT_FALSE(IsRed(name)) << name;
  }
}

TEST_F(PanelInitialState, CaptionsAreSetInTimesNewRoman) {
  for (const char* name : {"Label1", "Convert", "FileTypeList", "AutoProAtlas", "TrkPntOp(4)"}) {
    EXPECT_EQ(Get<QWidget>(name)->font().family().toStdString(), "Times New Roman") << name;
  }
  EXPECT_NE(Get<QWidget>("OrgFileName")->font().family().toStdString(), "Times New Roman");
}

TEST_F(PanelInitialState, NothingIsLocked) {
  for (QWidget* control : window->findChildren<QWidget*>()) {
    EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
  }
}

}  // namespace
}  // namespace vc::testing
