#pragma once

#include <string>
#include <string_view>

#include "data/memory_table.h"

namespace vorn {

// One header cell "NAME" or "NAME:TYPE", TYPE one of string(N), string, integer, smallint,
// largeint, float, currency, bcd, boolean, date, time, datetime, memo, blob, graphic (any
// case). A string without a size is sized to its longest value once the data is in.
struct TCsvColumn {
  TFieldDef def;
  bool fit_size = false;
};

// Throws vorn::Exception naming the cell for an empty name, an unknown type or a bad size.
TCsvColumn ParseCsvHeaderCell(std::string_view cell);

}  // namespace vorn
