#include "app/flow/batch.h"

#include <algorithm>
#include <optional>

#include "app/card/price_text.h"
#include "app/card/print_error.h"
#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "data/field_text.h"
#include "data/memory_table.h"
#include "platform/system/exception.h"

namespace vorn {

namespace {
constexpr std::string_view kCopiesColumn = "COPIES";
constexpr std::string_view kCopiesLabel = "張數";

std::optional<int> ColumnOf(const TMemoryTable& table, std::string_view name,
                            std::string_view label) {
  for (int i = 0; i < table.FieldCount(); ++i) {
    const std::string& column = table.Fields(i).FieldName();
    if (SameFieldName(column, name) || column == label) return i;
  }
  return std::nullopt;
}

// Source column of each given product field, in list order; -1 for an optional field the
// source lacks.
std::vector<int> MatchColumns(const TMemoryTable& data, const TMemoryTable& products,
                              const std::string& source_name) {
  std::vector<int> columns;
  std::string missing;
  for (int i = 0; i < kGivenFieldCount; ++i) {
    const std::string& name = products.Fields(i).FieldName();
    const std::string label = FieldDisplayLabel(products.Fields(i));
    const std::optional<int> column = ColumnOf(data, name, label);
    if (!column && i < kProductFieldCount) {
      missing += (missing.empty() ? "" : ", ") + name + " (" + label + ")";
    }
    columns.push_back(column.value_or(-1));
  }
  if (!missing.empty()) {
    throw PrintError(PrintErrorKind::kMissingColumns,
                     "Missing columns in " + source_name + ": " + missing);
  }
  return columns;
}

bool IsPriceField(const TField& field) { return field.DataType() == ftInteger; }

// The product's values as the fields take them: prices as plain digits.
std::vector<std::string> ProductValues(const TMemoryTable& data, const std::vector<int>& columns,
                                       const TMemoryTable& products) {
  std::vector<std::string> values;
  for (int i = 0; i < kGivenFieldCount; ++i) {
    const int column = columns[static_cast<size_t>(i)];
    std::string text = column < 0 ? std::string() : data.Fields(column).AsString();
    if (IsPriceField(products.Fields(i))) {
      try {
        text = PriceDigits(text);
      } catch (const PriceError& e) {
        throw PriceError(e.Why(), FieldDisplayLabel(products.Fields(i)) + ": " + e.what());
      }
    }
    values.push_back(std::move(text));
  }
  return values;
}

// Appends one card and works out what it shows; the notices come with the first copy only.
void AppendCard(const std::vector<std::string>& values, const BatchOptions& options,
                TMemoryTable& products, CardNotices* notices) {
  products.Append();
  try {
    CardNotices card = AssignGivenFields(products, values);
    for (CardNotice& notice : card) notice.product = values[0];
    CardNotices shown = FillCardFields(products, options.day);
    card.insert(card.end(), shown.begin(), shown.end());
    if (notices != nullptr) notices->insert(notices->end(), card.begin(), card.end());
    products.Post();
  } catch (...) {
    products.Cancel();
    throw;
  }
}

void CopyRecord(const TMemoryTable& from, TMemoryTable& to) {
  to.Append();
  for (int i = 0; i < from.FieldCount(); ++i) {
    const TField& field = from.Fields(i);
    if (field.IsNull()) {
      to.Fields(i).Clear();
    } else {
      to.Fields(i).SetAsString(field.AsString());
    }
  }
  to.Post();
}

void CheckCardCount(int cards, int max_cards) {
  if (cards <= max_cards) return;
  throw PrintError(PrintErrorKind::kTooManyCards,
                   "Too many cards for one run (at most " + std::to_string(max_cards) +
                       "; raise the limit with --max-cards): " + std::to_string(cards) +
                       " or more");
}

class BatchBuilder {
 public:
  BatchBuilder(const TMemoryTable& data, const std::string& source_name,
               const BatchOptions& options)
      : data_(data), options_(options) {
    batch_.table = std::make_unique<TMemoryTable>(kRecordCodePage);
    batch_.table->SetName(options.table_name);
    CreateProductTable(*batch_.table);
    columns_ = MatchColumns(data, *batch_.table, source_name);
    copies_column_ = ColumnOf(data, kCopiesColumn, kCopiesLabel);
    batch_.products.reserve(static_cast<size_t>(data.RecordCount()));
  }

  // Adds the current row's cards, or a notice saying why it has none.
  void AddRow(const std::string& place) {
    ++batch_.source_products;
    const std::string product = data_.Fields(columns_[0]).AsString();
    CardNotices card_notices;
    try {
      int count = options_.copies;
      if (copies_column_) {
        const int own = CountValue(data_.Fields(*copies_column_).AsString(), kMaxCopies, "COPIES");
        if (own >= 0) count = own;
      }
      if (count == 0) return;
      CheckCardCount(cards_ + count, options_.max_cards);
      const std::vector<std::string> values = ProductValues(data_, columns_, *batch_.table);
      TMemoryTable& table = *batch_.table;
      for (int i = 0; i < count; ++i)
        AppendCard(values, options_, table, i == 0 ? &card_notices : nullptr);
      if (std::optional<CardNotice> barcode = CheckBarcodeOf(table)) {
        card_notices.push_back(std::move(*barcode));
      }
      batch_.products.push_back({place, cards_, count, CardValuesOf(table)});
      cards_ += count;
    } catch (const Exception& e) {
      // Only the first copy can fail, and a failing append takes its record back; a run with too
      // many cards fails whole.
      if (KindOf(e) == PrintErrorKind::kTooManyCards) throw;
      batch_.notices.push_back(
          {CardNotice::Kind::kRowSkipped, place, product, "", MessageForDisplay(e.what())});
      return;
    }
    for (CardNotice& notice : card_notices) {
      notice.where = place;
      batch_.notices.push_back(std::move(notice));
    }
  }

  BatchProducts Finish(CardNotices source_notices) {
    batch_.notices.insert(batch_.notices.end(), source_notices.begin(), source_notices.end());
    // The source's order, whichever reader found the fault.
    SortByPlace(batch_.notices);
    batch_.table->First();
    return std::move(batch_);
  }

 private:
  const TMemoryTable& data_;
  const BatchOptions& options_;
  BatchProducts batch_;
  std::vector<int> columns_;
  std::optional<int> copies_column_;
  int cards_ = 0;
};
}  // namespace

BatchProducts MakeBatchProducts(SourceRows rows, const std::string& source_name,
                                const BatchOptions& options) {
  if (options.copies < 0 || options.copies > kMaxCopies) {
    throw Exception("Copies must be from 0 to " + std::to_string(kMaxCopies) + ": " +
                    std::to_string(options.copies));
  }
  BatchBuilder builder(*rows.data, source_name, options);
  size_t record = 0;
  for (rows.data->First(); !rows.data->Eof(); rows.data->Next(), ++record) {
    builder.AddRow(rows.places[record]);
  }
  BatchProducts batch = builder.Finish(std::move(rows.notices));
  if (batch.table->RecordCount() == 0) throw NothingToPrint(source_name, std::move(batch.notices));
  return batch;
}

void KeepProducts(BatchProducts& batch, const std::vector<bool>& keep) {
  if (std::all_of(keep.begin(), keep.end(), [](bool kept) { return kept; }) &&
      keep.size() >= batch.products.size()) {
    return;
  }
  // A fresh table with the kept cards: usually a few of many, so copying beats deleting.
  TMemoryTable& from = *batch.table;
  auto table = std::make_unique<TMemoryTable>(from.CodePage());
  table->SetName(from.Name());
  CreateProductTable(*table);
  std::vector<BatchProduct> kept;
  for (size_t i = 0; i < batch.products.size(); ++i) {
    if (i >= keep.size() || !keep[i]) continue;
    BatchProduct product = std::move(batch.products[i]);
    from.SetBookmark(std::to_string(product.first_card));
    product.first_card = table->RecordCount();
    for (int card = 0; card < product.copies; ++card, from.Next()) CopyRecord(from, *table);
    kept.push_back(std::move(product));
  }
  batch.table = std::move(table);
  batch.products = std::move(kept);
  batch.table->First();
}

}  // namespace vorn
