#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/layouts.h"

namespace vorn {

class TMemoryTable;
class TQeRTF;

// The show command that displays an opened window normally.
inline constexpr int kShowNormal = 5;

// Gives the report component the settings the program keeps for its whole run.
void ConfigureReport(TQeRTF& report);

// The steps a layout button takes, shared by the dialog and the headless mode. The
// caller keeps the report and the table alive for the flow's lifetime.
class PrintFlow {
 public:
  PrintFlow(TQeRTF& report, TMemoryTable& table, ProgramFolders folders);

  // Called before the record is posted, so that pending edits reach it.
  std::function<void()> OnBeforePost;
  // Lets the window repaint before the report runs.
  std::function<void()> OnProcessMessages;

  // Posts the record, fills the layout's template into a fresh "cu" file in the output
  // folder and, when `open`, hands it to the desktop. Returns the file's path. Throws the
  // table's or the report's error; the report does not run when posting fails.
  std::string PrintLayout(std::string_view layout, bool open);
  // Opens the layout's template itself with the desktop; returns the shell's result code.
  int OpenTemplate(std::string_view layout);

  const ProgramFolders& Folders() const { return folders_; }

 private:
  void PostRecord();
  std::string FreshOutputName();

  TQeRTF& report_;
  TMemoryTable& table_;
  ProgramFolders folders_;
};

}  // namespace vorn
