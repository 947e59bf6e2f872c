// Test support for the window: services that answer in place of the user,
// and a fixture that builds the window and works its controls by name.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "panel/panel_services.hpp"
#include "panel/vornconverter_panel.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {

struct DialogCall {
  panel::FileDialogMode mode;
  std::vector<panel::FileFilter> filters;
  std::size_t selectedFilter;
};

// Every message box and question is recorded as its text, in order; the
// detailed texts of the message boxes beside them.
class FakeServices final : public panel::PanelServices {
 public:
  void ShowMessage(QWidget* /*parent*/, const std::string& text,
                   const std::string& detail) override {
    shown.push_back(text);
    details.push_back(detail);
    if (onShow) onShow();
  }
  bool AskYesNo(QWidget* /*parent*/, const std::string& text) override {
    shown.push_back(text);
    details.emplace_back();
    return answerYes;
  }
  std::optional<std::string> ChooseFile(QWidget* /*parent*/, panel::FileDialogMode mode,
                                        const std::vector<panel::FileFilter>& filters,
                                        std::size_t selectedFilter) override {
    dialogs.push_back({mode, filters, selectedFilter});
    return chosen;
  }
  launcher::LaunchResult StartProAtlas(std::string_view scriptPath) override {
    launched.emplace_back(scriptPath);
    return launch;
  }

  std::vector<std::string> shown;
  std::function<void()> onShow;  // runs while a message box would be open
  std::vector<std::string> details;
  bool answerYes = true;
  std::vector<DialogCall> dialogs;
  std::optional<std::string> chosen;  // nothing: the dialog is cancelled
  std::vector<std::string> launched;
  launcher::LaunchResult launch{launcher::LaunchStatus::kStarted, "C:\\PA\\pa.exe", 0};
};

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override { Make(); }

  void Make(panel::ConvertCommand command = panel::DefaultConvertCommand()) {
    window.reset();
    window = std::make_unique<panel::VornConverterPanel>(services, std::move(command));
    captions.clear();
    QObject::connect(window.get(), &panel::VornConverterPanel::ConvertCaptionChanged,
                     [this](const QString& caption) { captions.push_back(caption.toStdString()); });
    window->show();
  }

  template <typename Control>
  Control* Get(const char* name) {
    auto* control = window->findChild<Control*>(QString::fromUtf8(name));
    if (control == nullptr) ADD_FAILURE() << "no control " << name;
    return control;
  }

  void SetText(const char* box, const std::string& text) {
    Get<QPlainTextEdit>(box)->setPlainText(QString::fromStdString(text));
  }
  std::string TextOf(const char* box) {
    return Get<QPlainTextEdit>(box)->toPlainText().toStdString();
  }
  void PressEnter(const char* box) { QTest::keyClick(Get<QPlainTextEdit>(box), Qt::Key_Return); }
  void Click(const char* name) { Get<QAbstractButton>(name)->click(); }
  void Tick(const char* name, bool ticked) { Get<QAbstractButton>(name)->setChecked(ticked); }
  bool IsRed(const char* name) {
    return Get<QWidget>(name)->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
  }

  // Presses Convert and waits until the command has ended.
  void Convert() {
    Click("Convert");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsConverting(); }, 30000));
  }

  FakeServices services;
  std::unique_ptr<panel::VornConverterPanel> window;
  std::vector<std::string> captions;  // every caption of the Convert button
  TempDir dir;
};

// A track of `points` fixes one second apart, as VornConnect writes it.
inline std::string VrcTrack(int points) {
  std::string text = "TRH\t" + std::to_string(points) + "\tTrue\t\t\r\n";
  for (int i = 0; i < points; ++i) {
    const int second = i % 60;
    const int minute = (i / 60) % 60;
    const int hour = i / 3600;
    char line[128];
    std::snprintf(line, sizeof line,
                  "TRP\tD\tTOKYO\t%.5f\t%.5f\t2002/01/%02d %02d:%02d:%02d\t%s\t-\t-\t0\r\n",
                  35.0 + i * 1e-5, 139.0 + i * 1e-5, 1 + hour / 24, hour % 24, minute, second,
                  i == 0 ? "True" : "False");
    text += line;
  }
  return text;
}

}  // namespace vc::testing
