#include "app/dialog/dialog_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vorn {

bool InstallDialogLanguage(QCoreApplication& application) {
  const QLocale taiwan(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan);
  QLocale::setDefault(taiwan);
  // Owned by the application, which keeps it for as long as it lives.
  auto* translator = new QTranslator(&application);
  if (!translator->load(taiwan, "qtbase", "_",
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  return true;
}

}  // namespace vorn
