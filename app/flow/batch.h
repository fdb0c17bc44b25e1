#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "app/card/card_notices.h"
#include "app/card/card_values.h"
#include "app/flow/product_source.h"

namespace vorn {

class TMemoryTable;

inline constexpr int kMaxCopies = 999;
// More cards than this in one run is almost always a mistake (a COPIES column read as prices);
// the limit can be raised for a run.
inline constexpr int kDefaultMaxCards = 100'000;

// How a batch makes cards of its source's rows.
struct BatchOptions {
  int copies = 1;                   // cards per product unless its COPIES cell says otherwise
  std::chrono::year_month_day day;  // the day the cards hang, for promotions
  int max_cards = kDefaultMaxCards;
  std::string table_name = "ClientDataSet1";  // the name the templates know the products by
};

// One product of a batch that prints.
struct BatchProduct {
  std::string place;  // where the source has it: "line 19", "row 19"
  int first_card;     // its first record in the table
  int copies;
  CardValues values;  // what its cards show
};

// What a batch prints: a product table (CreateProductTable) with one record per card, in the
// source's order, and what the operator must hear of although it printed.
struct BatchProducts {
  std::unique_ptr<TMemoryTable> table;
  std::vector<BatchProduct> products;
  CardNotices notices;      // in the source's order
  int source_products = 0;  // rows of the source that are products, printed or not
};

// Makes the cards of the source's rows. Columns are matched to the product fields by name
// regardless of case, or by the dialog's label; the eight of the command line must be there,
// the promotion, net content and QR columns may be. Prices are read as clerks write them
// (PriceDigits); a COPIES column, when present and not empty, gives a product's own count. A
// product that can make no correct card is left out with a notice naming its place and number;
// so is every card that prints with a fault. Throws PrintError for missing columns (naming them
// and the source), for more cards than options.max_cards, and NothingToPrint, with the notices,
// when every product was left out.
BatchProducts MakeBatchProducts(SourceRows rows, const std::string& source_name,
                                const BatchOptions& options);

// Keeps the products whose `keep` entry is true (one entry per product, in order), with their
// cards; the notices stay.
void KeepProducts(BatchProducts& batch, const std::vector<bool>& keep);

}  // namespace vorn
