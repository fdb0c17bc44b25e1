#pragma once

#include <functional>
#include <string_view>

class QString;
class QWidget;

namespace vorn {

using ErrorBoxHandler = std::function<void(QWidget* parent, const QString& message)>;

// Shows an error in the application's standard error box (a critical message box).
// The message may carry record bytes; it is shown decoded.
void ShowErrorBox(QWidget* parent, std::string_view message);

// Replaces what ShowErrorBox does, so tests see the messages without a blocking box.
// Returns the handler that was in place; an empty handler restores the message box.
ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler);

}  // namespace vorn
