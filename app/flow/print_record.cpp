#include "app/flow/print_record.h"

#include <utility>
#include <vector>

namespace vorn {

namespace {
CardNotice HistoryNotice(const HistoryUnavailable& error) {
  return {CardNotice::Kind::kHistory, "", "", "", error.what()};
}

CardChanges ChangesOf(const BatchProducts& batch, const std::string& layout) {
  PrintHistory history;
  return history.ChangedCards(
      layout, batch.products.size(),
      [&batch](size_t index) -> const CardValues& { return batch.products[index].values; });
}

ChangedProducts Summary(const CardChanges& changes, size_t total) {
  return {changes.positions.size(), total, changes.never_printed < total};
}
}  // namespace

ChangedProducts KeepChangedProducts(BatchProducts& batch, const std::string& layout) {
  const size_t total = batch.products.size();
  try {
    const CardChanges changes = ChangesOf(batch, layout);
    std::vector<bool> keep(total, false);
    for (size_t position : changes.positions) keep[position] = true;
    KeepProducts(batch, keep);
    return Summary(changes, total);
  } catch (const HistoryUnavailable& e) {
    batch.notices.insert(batch.notices.begin(), HistoryNotice(e));
    return {total, total, false};
  }
}

std::optional<ChangedProducts> CountChangedProducts(const BatchProducts& batch,
                                                    const std::string& layout) {
  try {
    return Summary(ChangesOf(batch, layout), batch.products.size());
  } catch (const HistoryUnavailable&) {
    return std::nullopt;
  }
}

std::optional<CardNotice> RecordPrintedCards(const PrintedRun& run,
                                             std::span<const PrintedCard> cards) {
  try {
    PrintHistory history;
    history.Record(run, cards);
    return std::nullopt;
  } catch (const HistoryUnavailable& e) {
    return HistoryNotice(e);
  }
}

std::vector<PrintedCard> TakePrintedCards(BatchProducts& batch) {
  std::vector<PrintedCard> cards;
  cards.reserve(batch.products.size());
  for (BatchProduct& product : batch.products) {
    cards.push_back({std::move(product.values), product.copies});
  }
  batch.products = {};
  return cards;
}

}  // namespace vorn
