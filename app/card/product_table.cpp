#include "app/card/product_table.h"

#include <array>

#include "app/card/barcode.h"
#include "app/card/card_date.h"
#include "app/card/net_content.h"
#include "app/card/price_text.h"
#include "app/card/print_error.h"
#include "app/card/promotion.h"
#include "app/card/record_text.h"
#include "data/memory_table.h"
#include "platform/system/exception.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
constexpr int kAllFieldCount = kGivenFieldCount + 5;
// Positions in list order.
constexpr int kStorePriceField = 5;
constexpr int kSuggestedPriceField = 6;
constexpr int kMemberPriceField = 7;

struct FieldDefinition {
  const char* name;
  TFieldType type;
  int size;
  const char* label;  // UTF-8
  bool required;
};

// Storage order; the field list swaps the two first prices.
constexpr std::array<FieldDefinition, kAllFieldCount> kStorage = {{
    {"PROD_ID", ftString, 20, "商品編號", true},
    {"PROD_BARCODE", ftString, 20, "國際條碼", false},
    {"PROD_NAME", ftString, 50, "商品名稱", false},
    {"PROD_SNAME", ftString, 20, "簡稱", false},
    {"UNITNAME", ftString, 10, "單位", false},
    {"SALE_PRICE", ftInteger, 0, "建議售價", false},
    {"PSALE_PRICE", ftInteger, 0, "門市價", false},
    {"VIP_PRICE", ftInteger, 0, "會員價", false},
    {"PROMO_PRICE", ftInteger, 0, "促銷價", false},
    {"PROMO_START", ftString, 20, "促銷開始", false},
    {"PROMO_END", ftString, 20, "促銷結束", false},
    {"NET_CONTENT", ftString, 20, "內容量", false},
    {"QR", ftString, 300, "QR", false},
    // Worked out for each card: see FillCardFields.
    {"PROMO_ON", ftBoolean, 0, "特價中", false},
    {"PRICE_NOW", ftInteger, 0, "今日售價", false},
    {"PROMO_FROM", ftString, 10, "特價開始", false},
    {"PROMO_TO", ftString, 10, "特價至", false},
    {"UNIT_PRICE", ftString, 40, "單位價格", false},
}};
constexpr std::array<int, kAllFieldCount> kListOrder = {0, 1,  2,  3,  4,  6,  5,  7,  8,
                                                        9, 10, 11, 12, 13, 14, 15, 16, 17};

// List positions of the fields FillCardFields works out.
enum CardField : int {
  kPromoOnField = kGivenFieldCount,
  kPriceNowField,
  kPromoFromField,
  kPromoToField,
  kUnitPriceField,
};

bool IsTextField(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftMemo;
}
}  // namespace

void CreateProductTable(TMemoryTable& table) {
  for (const FieldDefinition& f : kStorage) {
    table.AddFieldDef({f.name, f.type, f.size, false});
  }
  table.AddIndexDef({"Idx_Index", "PROD_ID", 0});
  std::vector<TFieldListEntry> list;
  for (int storage : kListOrder) {
    const FieldDefinition& f = kStorage[static_cast<size_t>(storage)];
    // Labels are record bytes like every other text, so the table's messages are too.
    list.push_back({f.name, RecordBytesFromUtf8(f.label, f.label), f.required});
  }
  table.SetFieldList(std::move(list));
  table.CreateDataSet();
}

std::optional<std::string> AssignFieldText(TField& field, std::string_view utf8) {
  // An empty box means no value, whatever the table makes of an empty string.
  if (utf8.empty()) {
    field.Clear();
    return std::nullopt;
  }
  std::string bytes;
  try {
    bytes = RecordBytesFromUtf8(utf8, FieldDisplayLabel(field));
  } catch (const Exception& e) {
    throw PrintError(PrintErrorKind::kUnreadableText, e.what());
  }
  const int limit = FieldByteLimit(field);
  if (limit == 0) {
    if (field.DataType() == ftInteger) {
      // A price as clerks write it ("$1,280"). A text that is no price at all is left to the
      // table, which names it in its own words; one that is a price no card may show is not.
      try {
        bytes = PriceDigits(bytes);
      } catch (const PriceError& e) {
        if (e.Why() != PriceError::Reason::kNotWhole) {
          throw PriceError(e.Why(), FieldDisplayLabel(field) + ": " + e.what());
        }
      }
    }
    try {
      field.SetAsString(bytes);
    } catch (const Exception& e) {
      throw PrintError(PrintErrorKind::kBadPrice, e.what());
    }
    return std::nullopt;
  }
  // The size counts bytes; a character is never cut in half.
  const std::string_view kept =
      CutToBytes(bytes, static_cast<size_t>(limit), CodePage(kRecordCodePage));
  field.SetAsString(kept);
  if (kept.size() == bytes.size()) return std::nullopt;
  return "the field holds " + std::to_string(limit) + " bytes, the value has " +
         std::to_string(CountedSize(bytes)) + "; printed \"" + Utf8FromRecordBytes(kept) + "\"";
}

bool RecordTextFits(std::string_view utf8, int limit) {
  try {
    return CountedSize(RecordBytesFromUtf8(utf8, "")) <= static_cast<size_t>(limit);
  } catch (const Exception&) {
    return true;
  }
}

int FieldByteLimit(const TField& field) {
  return IsTextField(field.DataType()) && field.Size() > 0 ? field.Size() : 0;
}

std::string FieldDisplayText(const TField& field) { return Utf8FromRecordBytes(field.AsString()); }

std::string FieldDisplayLabel(const TField& field) {
  return Utf8FromRecordBytes(field.DisplayLabel());
}

CardNotices AssignGivenFields(TMemoryTable& table, const std::vector<std::string>& values) {
  CardNotices notices;
  for (int i = 0; i < kGivenFieldCount; ++i) {
    const size_t argument = static_cast<size_t>(i);
    TField& field = table.Fields(i);
    const std::optional<std::string> cut =
        AssignFieldText(field, argument < values.size() ? values[argument] : "");
    if (cut)
      notices.push_back({CardNotice::Kind::kValueCut, "", "", FieldDisplayLabel(field), *cut});
  }
  return notices;
}

CardNotices FillProductRecord(TMemoryTable& table, const std::vector<std::string>& values) {
  table.Edit();
  CardNotices notices = AssignGivenFields(table, values);
  for (CardNotice& notice : notices) notice.product = FieldDisplayText(table.Fields(0));
  return notices;
}

std::optional<CardNotice> CheckBarcodeOf(const TMemoryTable& table) {
  const std::string value = table.FieldByName("PROD_BARCODE").AsString();
  if (value.find_first_not_of(" \t") == std::string::npos) return std::nullopt;
  try {
    ParseBarcode(value);
    return std::nullopt;
  } catch (const Exception& e) {
    return CardNotice{CardNotice::Kind::kNoBarcodeSymbol, "",
                      Utf8FromRecordBytes(table.FieldByName("PROD_ID").AsString()), "",
                      Utf8FromRecordBytes(e.what())};
  }
}

}  // namespace vorn

namespace vorn {

namespace {
std::string TextOf(const TMemoryTable& table, int field) {
  return Utf8FromRecordBytes(table.Fields(field).AsString());
}

CardNotice CardFault(const TMemoryTable& table, std::string field, std::string reason) {
  return {CardNotice::Kind::kCardFault, "", TextOf(table, 0), std::move(field), std::move(reason)};
}

void SetOrClear(TField& field, const std::string& record_bytes) {
  if (record_bytes.empty()) {
    field.Clear();
  } else {
    field.SetAsString(record_bytes);
  }
}

PromotionFields PromotionOf(const TMemoryTable& table) {
  return {TextOf(table, kPromoPriceField), TextOf(table, kPromoStartField),
          TextOf(table, kPromoEndField), TextOf(table, kStorePriceField)};
}
}  // namespace

CardNotices FillCardFields(TMemoryTable& table, std::chrono::year_month_day day) {
  CardNotices notices;
  const PromotionState promotion = EvaluatePromotion(PromotionOf(table), day);
  if (!promotion.fault.empty()) {
    notices.push_back(CardFault(table, FieldDisplayLabel(table.Fields(kPromoPriceField)),
                                "printed without the promotion: " + promotion.fault));
  }
  table.Fields(kPromoOnField).SetAsString(promotion.shown ? "True" : "False");
  const int price_field = promotion.shown ? kPromoPriceField : kStorePriceField;
  SetOrClear(table.Fields(kPriceNowField), table.Fields(price_field).AsString());
  SetOrClear(table.Fields(kPromoFromField),
             promotion.shown && promotion.start ? MonthDayText(*promotion.start) : "");
  SetOrClear(table.Fields(kPromoToField), promotion.shown ? MonthDayText(*promotion.end) : "");
  std::string unit_price;
  const std::string content = TextOf(table, kNetContentField);
  if (!content.empty()) {
    try {
      const NetContent parsed = ParseNetContent(content);
      const TField& price = table.Fields(kPriceNowField);
      if (!price.IsNull()) unit_price = UnitPriceText(price.AsLargeInt(), parsed);
    } catch (const Exception& e) {
      notices.push_back(CardFault(table, FieldDisplayLabel(table.Fields(kNetContentField)),
                                  "printed without the unit price: " + std::string(e.what())));
    }
  }
  SetOrClear(table.Fields(kUnitPriceField), RecordBytesFromUtf8(unit_price, ""));
  return notices;
}

CardValues CardValuesOf(const TMemoryTable& table) {
  CardValues values;
  values.product_id = TextOf(table, 0);
  values.barcode = TextOf(table, 1);
  values.name = TextOf(table, 2);
  values.short_name = TextOf(table, 3);
  values.unit = TextOf(table, 4);
  values.store_price = TextOf(table, kStorePriceField);
  values.suggested_price = TextOf(table, kSuggestedPriceField);
  values.member_price = TextOf(table, kMemberPriceField);
  values.promo_price = TextOf(table, kPromoPriceField);
  values.net_content = TextOf(table, kNetContentField);
  values.qr = TextOf(table, kQrField);
  const TField& shown = table.Fields(kPromoOnField);
  values.promo_shown = !shown.IsNull() && shown.AsBoolean();
  // The history keeps the days as one form, whichever way the clerk wrote them.
  const auto iso = [](const std::string& text) {
    try {
      return text.empty() ? text : IsoDate(ParseCardDate(text));
    } catch (const Exception&) {
      return text;
    }
  };
  values.promo_start = iso(TextOf(table, kPromoStartField));
  values.promo_end = iso(TextOf(table, kPromoEndField));
  return values;
}

}  // namespace vorn
