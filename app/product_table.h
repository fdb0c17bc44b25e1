#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class TField;
class TMemoryTable;

// Fields of the product record in list order; argument i (1-based) fills field i - 1.
inline constexpr int kProductFieldCount = 8;

// Defines the product table's storage, its index and its field list, then creates it.
// The table must be new and use the record code page.
void CreateProductTable(TMemoryTable& table);

// Assigns UTF-8 text to a field: an empty text clears it; a string is converted to the
// record's code page and cut to the field's size without splitting a character; other
// types parse it. Throws vorn::Exception with the message the operator sees.
void AssignFieldText(TField& field, std::string_view utf8);

// The field's value decoded for display.
std::string FieldDisplayText(const TField& field);
// The field's display label decoded for display.
std::string FieldDisplayLabel(const TField& field);

// Puts the table into edit state and assigns values[i] to field i in list order ("" for
// missing values, values past the eighth ignored). Throws at the first value that fails;
// the fields after it keep no value.
void FillProductRecord(TMemoryTable& table, const std::vector<std::string>& values);

}  // namespace vorn
