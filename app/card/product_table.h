#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/card/card_notices.h"
#include "app/card/card_values.h"

namespace vorn {

class TField;
class TMemoryTable;

// Fields of the product record in list order: the eight a command line gives by position
// (argument i, 1-based, fills field i - 1), then the optional fields a source or an option may
// give (promotion, net content, QR text), then the fields the program works out for each card
// before it prints (FillCardFields).
inline constexpr int kProductFieldCount = 8;
inline constexpr int kGivenFieldCount = 13;

// List positions of the optional fields.
enum ProductField : int {
  kPromoPriceField = 8,
  kPromoStartField,
  kPromoEndField,
  kNetContentField,
  kQrField,
};

// Defines the product table's storage, its index and its field list, then creates it.
// The table must be new and use the record code page.
void CreateProductTable(TMemoryTable& table);

// Assigns UTF-8 text to a field: an empty text clears it; a string is converted to the
// record's code page and cut to the field's size without splitting a character; other
// types parse it. Returns the reason when the text was cut, nullopt when it fits. Throws
// vorn::Exception with the message the operator sees.
std::optional<std::string> AssignFieldText(TField& field, std::string_view utf8);

// How many bytes of the record's code page a string field holds; 0 for other fields.
int FieldByteLimit(const TField& field);

// Whether UTF-8 text takes at most `limit` bytes in the record's code page; text that does not
// convert counts as fitting, so that its error shows when the record is posted.
bool RecordTextFits(std::string_view utf8, int limit);

// The field's value decoded for display.
std::string FieldDisplayText(const TField& field);
// The field's display label decoded for display.
std::string FieldDisplayLabel(const TField& field);

// Assigns values[i] to field i of the record being edited or appended, in list order ("" for
// missing values, values past the given fields ignored). Returns a notice for each value that
// was cut, naming its field but not yet its product. Throws at the first value that fails.
CardNotices AssignGivenFields(TMemoryTable& table, const std::vector<std::string>& values);

// Puts the table into edit state and assigns the values as AssignGivenFields does; the notices
// name the product by its number as stored. Throws at the first value that fails; the fields
// after it keep no value.
CardNotices FillProductRecord(TMemoryTable& table, const std::vector<std::string>& values);

// Works out, for the record being edited or inserted, what its card shows on `day`: whether the
// promotion shows (PROMO_ON), the price a shopper pays (PRICE_NOW), the promotion's first and
// last day as the card writes them (PROMO_FROM, PROMO_TO: "12/24"), and the unit price
// (UNIT_PRICE: "每100g $12.5"). Returns a notice for a promotion that cannot show although it was
// given, and for a net content that cannot be read; the card then prints without them.
CardNotices FillCardFields(TMemoryTable& table, std::chrono::year_month_day day);

// What the current record's card shows, for the print history.
CardValues CardValuesOf(const TMemoryTable& table);

// A notice when the current record's barcode is given but is no valid barcode, so that its
// card prints without the symbol.
std::optional<CardNotice> CheckBarcodeOf(const TMemoryTable& table);

}  // namespace vorn
