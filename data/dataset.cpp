#include "data/dataset.h"

#include "data/field_text.h"

namespace vorn {

TField* TDataSet::FindField(std::string_view name) const {
  const int count = FieldCount();
  for (int i = 0; i < count; ++i) {
    TField& field = Fields(i);
    if (SameFieldName(field.FieldName(), name)) return &field;
  }
  return nullptr;
}

TQeValueClass FieldValueClass(TFieldType type) {
  switch (type) {
    case ftString:
    case ftMemo:
    case ftFixedChar:
    case ftWideString:
      return TQeValueClass::kString;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftAutoInc:
    case ftLargeint:
      return TQeValueClass::kNumber;
    case ftBoolean:
      return TQeValueClass::kBoolean;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return TQeValueClass::kDateTime;
    default:
      return TQeValueClass::kNone;
  }
}

}  // namespace vorn
