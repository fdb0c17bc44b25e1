#include "app/error_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <string>
#include <utility>

#include "app/record_text.h"

namespace vorn {

namespace {
ErrorBoxHandler& CurrentHandler() {
  static ErrorBoxHandler handler;
  return handler;
}
}  // namespace

void ShowErrorBox(QWidget* parent, std::string_view message) {
  const QString text = QString::fromStdString(MessageForDisplay(message));
  if (const ErrorBoxHandler& handler = CurrentHandler()) {
    handler(parent, text);
    return;
  }
  QMessageBox::critical(parent, QCoreApplication::applicationName(), text);
}

ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler) {
  return std::exchange(CurrentHandler(), std::move(handler));
}

}  // namespace vorn
