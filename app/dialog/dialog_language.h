#pragma once

class QCoreApplication;

namespace vorn {

// Makes Qt's own texts (file chooser, OK, Cancel, the progress box) Traditional Chinese like
// the dialog: installs Qt's zh_TW translations and the Taiwan locale. Returns false when the
// translations are not installed; the texts stay English then.
bool InstallDialogLanguage(QCoreApplication& application);

}  // namespace vorn
