#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/barcode_functions.h"
#include "app/layouts.h"

namespace vorn {

class TMemoryTable;
class TQeRTF;
struct TQeScanInfo;

// The show command that displays an opened window normally.
inline constexpr int kShowNormal = 5;

// Gives the report component the settings the program keeps for its whole run.
void ConfigureReport(TQeRTF &report);

// The steps a layout button takes, shared by the dialog and the headless mode.
// The caller keeps the report and the table alive for the flow's lifetime.
class PrintFlow {
 public:
  PrintFlow(TQeRTF &report, TMemoryTable &table, ProgramFolders folders);

  // Called before the record is posted, so that pending edits reach it.
  std::function<void()> OnBeforePost;
  // Lets the window repaint before the report runs.
  std::function<void()> OnProcessMessages;
  // Called as each card of a batch begins: its 1-based number and the batch's
  // size.
  std::function<void(int card, int cards)> OnProgress;

  // Posts the record, fills the layout's template into a fresh "cu" file in the
  // output folder and, when `open`, hands it to the desktop. Returns the file's
  // path. Throws the table's or the report's error; the report does not run
  // when posting fails.
  std::string PrintLayout(std::string_view layout, bool open);
  // Prints every record of `products` (a table made by CreateProductTable) with
  // the layout into one fresh "cu" file, the template's body repeated once per
  // record. Returns the file's path. Throws the report's error.
  std::string PrintBatch(std::string_view layout, TMemoryTable &products, bool open);
  // Opens the layout's template itself with the desktop; returns the shell's
  // result code.
  int OpenTemplate(std::string_view layout);

  const ProgramFolders &Folders() const { return folders_; }

 private:
  void PostRecord();
  std::string FreshOutputName();
  void Run(TMemoryTable &table, bool open);
  std::string CurrentProduct() const;

  TQeRTF &report_;
  TMemoryTable &table_;
  ProgramFolders folders_;
  TMemoryTable *current_ = nullptr;  // the table of the run, for BARCODE's messages
  BarcodeFunctions barcodes_;
};

}  // namespace vorn
