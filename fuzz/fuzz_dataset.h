#pragma once

#include <string>
#include <vector>

#include "data/memory_table.h"

namespace vorn::fuzz {

// The fixed data every fuzz run fills its template from: CARDS (alias A, three rows with
// Big5 and UTF-8 names, numbers, dates, a JPEG, a BMP and an RTF fragment) and LINES
// (alias B, two rows, for nested scans). Both are in code page 950.
struct FixedData {
  FixedData();
  FixedData(const FixedData&) = delete;
  FixedData& operator=(const FixedData&) = delete;

  std::vector<TDataSet*> DataSets();

  TMemoryTable cards;
  TMemoryTable lines;
};

std::string FixedJpeg();
std::string FixedBmp();

}  // namespace vorn::fuzz
