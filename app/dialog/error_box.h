#pragma once

#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "app/card/print_error.h"

class QWidget;

namespace vorn {

// What a message box says: a sentence for the clerk, in Traditional Chinese, and the
// program's exact message below it.
struct MessageBoxText {
  QString summary;
  QString detail;
  bool warning = false;  // the card printed; something about it needs a look
};

using ErrorBoxHandler = std::function<void(QWidget* parent, const MessageBoxText& text)>;

// The sentence that leads an error box for a fault of that kind.
std::string ErrorSummary(PrintErrorKind kind);

// Shows an error in the application's standard error box (a critical message box), led by
// ErrorSummary of its kind. The message may carry record bytes; it is shown decoded.
void ShowErrorBox(QWidget* parent, const std::exception& error);
// The same with a summary of the caller's own (UTF-8).
void ShowErrorBox(QWidget* parent, std::string_view summary, std::string_view message);
// A warning box: the work was done, with the things listed in `detail` (UTF-8) to look at.
void ShowWarningBox(QWidget* parent, std::string_view summary, std::string_view detail);

// Replaces what the boxes do, so tests see the messages without a blocking box.
// Returns the handler that was in place; an empty handler restores the message box.
ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler);

}  // namespace vorn
