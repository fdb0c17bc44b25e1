#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/card/card_date.h"
#include "app/dialog/dialog_language.h"
#include "app/dialog/frm_vorn_report.h"
#include "app/headless/command_line.h"
#include "app/headless/headless.h"
#include "app/output/interrupt.h"

namespace {
// Qt cannot start a dialog without a window system, and some of its platforms
// end the process when they find none.
bool HasWindowSystem() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

int RunDialog(char** argv, const vorn::CommandLine& command) {
  // SIGTERM, SIGINT and SIGHUP close the dialog as its close button does, so that the preview's
  // renderer and folder go with it; the signal then ends the program as its sender asked.
  const vorn::InterruptScope interrupts;
  // Qt reads options such as -platform and -style from its arguments; product
  // values must never reach it as options.
  int qt_argc = 1;
  QApplication application(qt_argc, argv);
  QSocketNotifier on_signal(vorn::InterruptFd(), QSocketNotifier::Read);
  QObject::connect(&on_signal, &QSocketNotifier::activated, &application, &QCoreApplication::quit);
  vorn::InstallDialogLanguage(application);
  vorn::TFormVornReport form(command.values, vorn::FoldersFor(command));
  if (!command.date.empty()) form.SetCardDay(vorn::ParseCardDate(command.date));
  form.EnablePreview();
  form.show();
  return application.exec();
}
}  // namespace

int main(int argc, char** argv) {
  // Raw bytes: Qt's own argument list would turn invalid UTF-8 into U+FFFD
  // unseen.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  vorn::CommandLine command;
  try {
    command = vorn::ParseCommandLine(arguments);
  } catch (const vorn::UsageError& e) {
    std::cerr << "vornreport: " << e.what() << "\nTry 'vornreport --help'.\n";
    return vorn::kExitUsage;
  }
  if (command.help) {
    std::cout << vorn::UsageText();
    return vorn::kExitSuccess;
  }
  if (command.version) {
    std::cout << "vornreport " << VORN_VERSION << '\n';
    return vorn::kExitSuccess;
  }
  if (command.layout || command.list_sheets || command.history) {
    return vorn::RunHeadless(command, std::cout, std::cerr, ::isatty(STDERR_FILENO) == 1);
  }
  if (!HasWindowSystem()) {
    std::cerr << "vornreport: no display to show the dialog on (DISPLAY and "
                 "WAYLAND_DISPLAY "
                 "are unset); use --layout NAME to print without it\n";
    return vorn::kExitUsage;
  }
  return RunDialog(argv, command);
}
