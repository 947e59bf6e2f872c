// What the window asks of the desktop: modal message boxes, the open and
// save dialogs, and starting the map program. The window reaches them only
// through this interface, so tests answer them without a screen.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/launcher.hpp"

class QWidget;

namespace vc::panel {

// The application's title, on the window and on every message box.
inline constexpr const char* kAppTitle = "VornConverter";

enum class FileDialogMode { kOpen, kSave };

// One entry of a file dialog's filter list.
struct FileFilter {
  std::string description;  // "プロアトラスファイル（*.mps）"
  std::string pattern;      // "*.mps"
};

class PanelServices {
 public:
  virtual ~PanelServices() = default;
  // A modal box with the application's title and a single OK button;
  // `detail`, the system's reason, is its detailed text when not empty.
  virtual void ShowMessage(QWidget* parent, const std::string& text, const std::string& detail) = 0;
  // The same with Yes and No; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const std::string& text) = 0;
  // The full path the user chose, or nothing when the dialog was cancelled.
  // The dialog starts without a file name and with `selectedFilter` (from 0).
  virtual std::optional<std::string> ChooseFile(QWidget* parent, FileDialogMode mode,
                                                const std::vector<FileFilter>& filters,
                                                std::size_t selectedFilter) = 0;
  virtual launcher::LaunchResult StartProAtlas(std::string_view scriptPath) = 0;
};

// The real thing: QMessageBox, QFileDialog and the launcher.
class DesktopServices final : public PanelServices {
 public:
  void ShowMessage(QWidget* parent, const std::string& text, const std::string& detail) override;
  bool AskYesNo(QWidget* parent, const std::string& text) override;
  std::optional<std::string> ChooseFile(QWidget* parent, FileDialogMode mode,
                                        const std::vector<FileFilter>& filters,
                                        std::size_t selectedFilter) override;
  launcher::LaunchResult StartProAtlas(std::string_view scriptPath) override;
};

}  // namespace vc::panel
