// The real message boxes and file dialogs, answered by a timer as a user
// would answer them: their title, text, buttons and filters.
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

// Runs `answer` on the modal dialog once it is up.
void WhenModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer = std::move(answer)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) {
      ADD_FAILURE() << "no modal dialog";
      return;
    }
    answer(modal);
  });
}

TEST(DesktopServices, MessageBoxHasTheTitleTheTextAndOk) {
  panel::DesktopServices services;
  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle().toStdString(), "VornConverter");
    EXPECT_EQ(box->text().toStdString(), "ファイル名を指定してください．");
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    box->button(QMessageBox::Ok)->click();
  });
  services.ShowMessage(nullptr, "ファイル名を指定してください．", {});
}

TEST(DesktopServices, TheSystemsReasonIsTheDetailedText) {
  panel::DesktopServices services;
  for (const std::string detail : {"No space left on device", ""}) {
    WhenModal([detail](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->text().toStdString(), "[a.mps]に書き込めません．中止します．");
      EXPECT_EQ(box->detailedText().toStdString(), detail);
      box->button(QMessageBox::Ok)->click();
    });
    services.ShowMessage(nullptr, "[a.mps]に書き込めません．中止します．", detail);
  }
}

TEST(DesktopServices, QuestionHasYesAndNo) {
  panel::DesktopServices services;
  for (const auto& [button, yes] : {std::pair{QMessageBox::Yes, true}, {QMessageBox::No, false}}) {
    WhenModal([button = button](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
      box->button(button)->click();
    });
    EXPECT_EQ(services.AskYesNo(nullptr, "[a]は既に存在します．上書きしてもよろしいですか"), yes);
  }
}

TEST(DesktopServices, FileDialogShowsTheFiltersAndReturnsTheChosenPath) {
  TempDir dir;
  const std::vector<panel::FileFilter> filters = {{"すべてのファイル (*.*)", "*.*"},
                                                  {"プロアトラスファイル（*.mps）", "*.mps"}};
  panel::DesktopServices services;
  WhenModal([&dir](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters().size(), 2);
    EXPECT_TRUE(dialog->selectedNameFilter().startsWith("プロアトラスファイル（*.mps）"));
    dialog->selectFile(QString::fromStdString(dir.Path("new.mps")));
    static_cast<QDialog*>(dialog)->accept();
  });
  const auto chosen = services.ChooseFile(nullptr, panel::FileDialogMode::kSave, filters, 1);
  EXPECT_EQ(chosen, dir.Path("new.mps"));

  WhenModal([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
  EXPECT_EQ(services.ChooseFile(nullptr, panel::FileDialogMode::kOpen, filters, 0), std::nullopt);
}

TEST(DesktopServices, FileDialogsHaveThePlatformsTitles) {
  // Regression: both dialogs were titled "VornConverter".
  const std::vector<panel::FileFilter> filters = {{"すべてのファイル (*.*)", "*.*"}};
  panel::DesktopServices services;
  for (const auto& [mode, title] : {std::pair{panel::FileDialogMode::kOpen, "Open"},
                                    std::pair{panel::FileDialogMode::kSave, "Save As"}}) {
    std::string seen;
    WhenModal([&seen](QWidget* modal) {
      seen = modal->windowTitle().toStdString();
      static_cast<QDialog*>(modal)->reject();
    });
    services.ChooseFile(nullptr, mode, filters, 0);
    EXPECT_EQ(seen, title);
  }
}

}  // namespace
}  // namespace vc::testing
