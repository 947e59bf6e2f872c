#include "panel/translation.hpp"

#include <QCoreApplication>
#include <QString>
#include <QTranslator>

namespace vc::panel {

bool InstallTranslation(engine::Language language) {
  // One translator for the application's lifetime; Qt keeps a pointer to it.
  static QTranslator translator;
  QCoreApplication::removeTranslator(&translator);
  if (language == engine::Language::kJapanese) return true;
  if (!translator.load(QStringLiteral(":/i18n/vornconverter_en.qm"))) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace vc::panel
