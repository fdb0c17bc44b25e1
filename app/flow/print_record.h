#pragma once

#include <optional>
#include <span>
#include <string>

#include "app/card/card_notices.h"
#include "app/flow/batch.h"
#include "app/history/print_history.h"

namespace vorn {

// What --changed (or the dialog's choice) left of a batch.
struct ChangedProducts {
  size_t changed = 0;           // products kept: their card changed or was never printed
  size_t total = 0;             // products of the batch before
  bool printed_before = false;  // some product had a card on the layout already
};

// Keeps the products of `batch` whose card on `layout` differs from the last one recorded,
// or that never had one there. A history that cannot be used keeps every product and adds a
// notice to the batch instead: the history never stops a print.
ChangedProducts KeepChangedProducts(BatchProducts& batch, const std::string& layout);

// How many products of `batch` changed on `layout`, without changing the batch; nullopt when
// the history cannot be used.
std::optional<ChangedProducts> CountChangedProducts(const BatchProducts& batch,
                                                    const std::string& layout);

// Records a run's cards in the user's print history once they are made; returns a notice when
// the history cannot be used (the run stands).
std::optional<CardNotice> RecordPrintedCards(const PrintedRun& run,
                                             std::span<const PrintedCard> cards);

// The cards of a printed batch as the history records them. The products' values move into
// them, so that a large batch is not held twice while its PDF is made.
std::vector<PrintedCard> TakePrintedCards(BatchProducts& batch);

}  // namespace vorn
