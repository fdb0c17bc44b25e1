#include "app/product_table.h"

#include <array>

#include "app/record_text.h"
#include "data/memory_table.h"
#include "platform/code_page.h"

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

void AssignFieldText(TField& field, std::string_view utf8) {
  // An empty box means no value, whatever the table makes of an empty string.
  if (utf8.empty()) {
    field.Clear();
    return;
  }
  const std::string bytes = RecordBytesFromUtf8(utf8, FieldDisplayLabel(field));
  if (IsTextField(field.DataType()) && field.Size() > 0) {
    // The size counts bytes; a character is never cut in half.
    field.SetAsString(
        CutToBytes(bytes, static_cast<size_t>(field.Size()), CodePage(kRecordCodePage)));
    return;
  }
  field.SetAsString(bytes);
}

std::string FieldDisplayText(const TField& field) { return Utf8FromRecordBytes(field.AsString()); }

std::string FieldDisplayLabel(const TField& field) {
  return Utf8FromRecordBytes(field.DisplayLabel());
}

void FillProductRecord(TMemoryTable& table, const std::vector<std::string>& values) {
  table.Edit();
  for (int i = 0; i < table.FieldCount(); ++i) {
    const size_t argument = static_cast<size_t>(i);
    AssignFieldText(table.Fields(i), argument < values.size() ? values[argument] : "");
  }
}

}  // namespace vorn
