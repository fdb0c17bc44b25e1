#include "app/dialog/batch_settings.h"

#include <QSettings>
#include <QString>

#include "app/flow/layouts.h"
#include "platform/system/user_folders.h"

namespace vorn {

namespace {
QString Key(std::string_view layout, const char* name) {
  return QString::fromStdString(std::string(layout)) + "/" + name;
}
}  // namespace

std::string BatchSettingsPath() {
  return UserFolder(UserFolderKind::kConfig) + "/vornreport/batch.ini";
}

BatchChoice LoadBatchChoice(std::string_view layout) {
  QSettings settings(QString::fromStdString(BatchSettingsPath()), QSettings::IniFormat);
  BatchChoice choice;
  choice.layout = std::string(layout);
  if (choice.layout.empty()) {
    choice.layout = CanonicalLayoutName(settings.value("last/layout").toString().toStdString())
                        .value_or(std::string(kLayoutNames[0]));
  }
  choice.sheet = settings.value(Key(choice.layout, "sheet")).toString().toStdString();
  choice.outline = settings.value(Key(choice.layout, "outline"), false).toBool();
  choice.print = settings.value(Key(choice.layout, "print"), false).toBool();
  choice.printer = settings.value(Key(choice.layout, "printer")).toString().toStdString();
  return choice;
}

void SaveBatchChoice(const BatchChoice& choice) {
  QSettings settings(QString::fromStdString(BatchSettingsPath()), QSettings::IniFormat);
  settings.setValue("last/layout", QString::fromStdString(choice.layout));
  settings.setValue(Key(choice.layout, "sheet"), QString::fromStdString(choice.sheet));
  settings.setValue(Key(choice.layout, "outline"), choice.outline);
  settings.setValue(Key(choice.layout, "print"), choice.print);
  settings.setValue(Key(choice.layout, "printer"), QString::fromStdString(choice.printer));
}

}  // namespace vorn
