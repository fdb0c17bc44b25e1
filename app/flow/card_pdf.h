#pragma once

#include <functional>
#include <string>

#include "app/output/imposition.h"

namespace vorn {

struct LabelSheet;

// What the PDF of a printed document is to be.
struct CardPdfOptions {
  const LabelSheet* sheet = nullptr;  // cards on this sheet's labels; null: one card a page
  ImpositionOptions imposition;
  // Renderers (LibreOffice processes) at once; 0 takes one per processor ($VORN_PDF_JOBS
  // overrides).
  int jobs = 0;
  // Hears how many cards are in the PDF so far; an exception from it stops the work and
  // leaves no PDF behind.
  std::function<void(int cards_done, int cards)> on_progress;
};

// Makes the PDF of `document`, a card or a batch of `cards` cards just written by the print
// flow, beside it under the same name with ".pdf", and returns its path. A large batch is cut
// into parts between its cards (batch_document.h) that several LibreOffice processes convert
// at once and that are joined again in order, so no card is filled twice. Throws
// vorn::Exception when LibreOffice is missing or fails, or a card does not fit the sheet's
// labels; nothing is left under the PDF's name then.
std::string MakeCardPdf(const std::string& document, int cards, const CardPdfOptions& options);

// Moves a document made in a private folder and the PDF made of it into `folder` under their
// names, the PDF first, and returns the PDF's new path: a run killed before has put neither
// there. Throws vorn::Exception naming a file that cannot be written.
std::string PublishCardPdf(const std::string& document, const std::string& pdf,
                           const std::string& folder);

// Throws PrintError (kRenderer) when no PDF can be made here: no LibreOffice to make it with.
void CheckPdfPossible();

// Throws PrintError (kPrinter) when CUPS does not know the printer ("" for the default one).
void CheckPrinterKnown(const std::string& printer);

// Sends the PDF to the printer ("" for the default one) and returns what it answered. Throws
// PrintError (kPrinter) when the printer refuses the job or does not answer in time.
std::string SendPdfToPrinter(const std::string& pdf, const std::string& printer);

// Hands a card PDF to the desktop. Throws CardNotOpened when the desktop cannot open it.
void OpenCardPdf(const std::string& pdf);

// How many cards a part of a large batch holds: few enough to share the work among the
// processes, show progress and keep LibreOffice's documents short ($VORN_PDF_PART_CARDS
// overrides, for measurements).
int CardsPerPart(int cards, int jobs);

}  // namespace vorn
