#include "app/card/product_table.h"

#include <array>

#include "app/card/barcode.h"
#include "app/card/record_text.h"
#include "data/memory_table.h"
#include "platform/system/exception.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
struct ProductField {
  const char* name;
  TFieldType type;
  int size;
  const char* label;  // UTF-8
  bool required;
};

// Storage order; the field list swaps the two first prices.
constexpr std::array<ProductField, kProductFieldCount> kStorage = {{
    {"PROD_ID", ftString, 20, "商品編號", true},
    {"PROD_BARCODE", ftString, 20, "國際條碼", false},
    {"PROD_NAME", ftString, 50, "商品名稱", false},
    {"PROD_SNAME", ftString, 20, "簡稱", false},
    {"UNITNAME", ftString, 10, "單位", false},
    {"SALE_PRICE", ftInteger, 0, "建議售價", false},
    {"PSALE_PRICE", ftInteger, 0, "門市價", false},
    {"VIP_PRICE", ftInteger, 0, "會員價", false},
}};
constexpr std::array<int, kProductFieldCount> kListOrder = {0, 1, 2, 3, 4, 6, 5, 7};

bool IsTextField(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftMemo;
}
}  // namespace

void CreateProductTable(TMemoryTable& table) {
  for (const ProductField& f : kStorage) {
    table.AddFieldDef({f.name, f.type, f.size, false});
  }
  table.AddIndexDef({"Idx_Index", "PROD_ID", 0});
  std::vector<TFieldListEntry> list;
  for (int storage : kListOrder) {
    const ProductField& f = kStorage[storage];
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
  const std::string bytes = RecordBytesFromUtf8(utf8, FieldDisplayLabel(field));
  const int limit = FieldByteLimit(field);
  if (limit == 0) {
    field.SetAsString(bytes);
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

CardNotices FillProductRecord(TMemoryTable& table, const std::vector<std::string>& values) {
  table.Edit();
  CardNotices notices;
  for (int i = 0; i < table.FieldCount(); ++i) {
    const size_t argument = static_cast<size_t>(i);
    TField& field = table.Fields(i);
    const std::optional<std::string> cut =
        AssignFieldText(field, argument < values.size() ? values[argument] : "");
    if (cut) {
      notices.push_back({CardNotice::Kind::kValueCut, "", FieldDisplayText(table.Fields(0)),
                         FieldDisplayLabel(field), *cut});
    }
  }
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
