#include "panel/panel_services.hpp"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

namespace vc::panel {
namespace {

QMessageBox::StandardButton Ask(QWidget* parent, const std::string& text,
                                QMessageBox::StandardButtons buttons,
                                const std::string& detail = {}) {
  QMessageBox box(QMessageBox::NoIcon, kAppTitle, QString::fromStdString(text), buttons, parent);
  if (!detail.empty()) box.setDetailedText(QString::fromStdString(detail));
  box.setWindowModality(Qt::ApplicationModal);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void DesktopServices::ShowMessage(QWidget* parent, const std::string& text,
                                  const std::string& detail) {
  Ask(parent, text, QMessageBox::Ok, detail);
}

bool DesktopServices::AskYesNo(QWidget* parent, const std::string& text) {
  return Ask(parent, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::optional<std::string> DesktopServices::ChooseFile(QWidget* parent, FileDialogMode mode,
                                                       const std::vector<FileFilter>& filters,
                                                       std::size_t selectedFilter) {
  // Qt reads a filter's patterns from the last parentheses of its text; the
  // descriptions use full-width ones, so the patterns are added and hidden.
  QStringList nameFilters;
  for (const FileFilter& filter : filters) {
    nameFilters << QString::fromStdString(filter.description + " (" + filter.pattern + ")");
  }
  // No caption of our own: the dialog then takes the platform's title for
  // its mode (Open, Save As).
  QFileDialog dialog(parent);
  dialog.setAcceptMode(mode == FileDialogMode::kOpen ? QFileDialog::AcceptOpen
                                                     : QFileDialog::AcceptSave);
  // Any name may be given; the Convert command asks before overwriting.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOptions(QFileDialog::HideNameFilterDetails | QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(nameFilters);
  if (selectedFilter < static_cast<std::size_t>(nameFilters.size())) {
    dialog.selectNameFilter(nameFilters[static_cast<qsizetype>(selectedFilter)]);
  }
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
  return chosen.front().toStdString();
}

launcher::LaunchResult DesktopServices::StartProAtlas(std::string_view scriptPath) {
  return launcher::LaunchProAtlas(scriptPath);
}

}  // namespace vc::panel
