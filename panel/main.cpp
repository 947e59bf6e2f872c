// vornconverter: the window. Closing it, or Exit, ends the program.
#include <QApplication>
#include <csignal>

#include "panel/panel_services.hpp"
#include "panel/translation.hpp"
#include "panel/vornconverter_panel.hpp"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(vc::panel::kAppTitle));
  // A file-size limit makes writes fail instead of killing the program, so
  // the output can still be put back as it was.
  std::signal(SIGXFSZ, SIG_IGN);
  vc::panel::InstallTranslation(vc::engine::DesktopLanguage());
  vc::panel::DesktopServices services;
  vc::panel::VornConverterPanel panel(services);
  panel.show();
  return QApplication::exec();
}
