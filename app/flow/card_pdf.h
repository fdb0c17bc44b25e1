#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "app/output/imposition.h"

namespace vorn {

class PrintFlow;
class TMemoryTable;
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

// Makes the PDF of `document`, the card or batch just written by `flow` with `layout`, beside
// it under the same name with ".pdf", and returns its path. `products`, the batch's table or
// null for one card, lets a large batch be cut into parts that several LibreOffice processes
// convert at once and that are joined again in order. Throws vorn::Exception when LibreOffice
// is missing or fails, or a card does not fit the sheet's labels.
std::string MakeCardPdf(PrintFlow& flow, std::string_view layout, TMemoryTable* products,
                        const std::string& document, const CardPdfOptions& options);

// How many cards a part of a large batch holds: few enough to share the work among the
// processes, show progress and keep LibreOffice's documents short ($VORN_PDF_PART_CARDS
// overrides, for measurements).
int CardsPerPart(int cards, int jobs);

}  // namespace vorn
