#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/card/card_functions.h"
#include "app/card/card_notices.h"
#include "app/card/print_error.h"
#include "app/flow/batch.h"
#include "app/flow/layouts.h"
#include "platform/system/exception.h"

namespace vorn {

class TMemoryTable;
class TQeRTF;
struct TQeScanInfo;

// The show command that displays an opened window normally.
inline constexpr int kShowNormal = 5;

// Gives the report component the settings the program keeps for its whole run.
void ConfigureReport(TQeRTF& report);

// A document written by the flow, and what the operator must hear of although it printed.
struct PrintedCards {
  std::string path;
  CardNotices notices;
};

// The steps a layout button takes, shared by the dialog and the headless mode.
// The caller keeps the report and the table alive for the flow's lifetime.
class PrintFlow {
 public:
  PrintFlow(TQeRTF& report, TMemoryTable& table, ProgramFolders folders);

  // Called before the record is posted, so that pending edits reach it.
  std::function<void()> OnBeforePost;
  // Lets the window repaint before the report runs.
  std::function<void()> OnProcessMessages;
  // Called as each card of a batch begins: its 1-based number and the batch's
  // size.
  std::function<void(int card, int cards)> OnProgress;

  // Writes the next documents into `folder` under the fresh names they would have in the output
  // folder, for a caller that moves them there once what it makes of them is complete; "" writes
  // into the output folder again.
  void StageCardsIn(std::string folder) { staging_ = std::move(folder); }

  // The day the cards will hang, which decides whether a promotion shows; today unless set.
  void SetCardDay(std::chrono::year_month_day day) { card_day_ = day; }
  std::chrono::year_month_day CardDay() const { return card_day_; }

  // Posts the record, works out what its card shows on the card day, fills the layout's
  // template into a fresh "cu" file in the output folder and, when `open`, hands it to the
  // desktop. Returns the file's path, with a notice for each thing the card printed without (a
  // barcode symbol, a promotion, a unit price, a QR code). Throws the table's or the report's
  // error (CardNotOpened when only opening failed); the report does not run when posting fails.
  PrintedCards PrintLayout(std::string_view layout, bool open);
  // The same into `path`, replacing what stands there, without opening it: a preview's card.
  PrintedCards WriteCard(std::string_view layout, const std::string& path);
  // Prints every card of the batch with the layout into one fresh "cu" file, the template's body
  // repeated once per card, each card on a page of its own (batch_document.h). Returns the
  // file's path and adds a notice to the batch for every QR code its text did not fit. Throws
  // the report's error; nothing is left under the file's name then.
  std::string PrintBatch(const LayoutTemplate& layout, BatchProducts& batch, bool open);
  // Opens the layout's template itself with the desktop; returns the shell's
  // result code.
  int OpenTemplate(std::string_view layout);

  const ProgramFolders& Folders() const { return folders_; }

 private:
  void PostRecord();
  std::string FreshOutputName();
  PrintedCards WriteLayout(std::string_view layout, const std::optional<std::string>& path,
                           bool open);
  void Run(TMemoryTable& table, bool open);

  TQeRTF& report_;
  TMemoryTable& table_;
  ProgramFolders folders_;
  CardFunctions functions_;
  std::chrono::year_month_day card_day_;
  std::string staging_;
};

}  // namespace vorn
