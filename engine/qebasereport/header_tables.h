#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

class TStream;

// The header tables of one run: font, colour, style and information lists, kept
// until the end so that pictures and fragments can add entries before they are written.
// (The template reading side is added with the template scanner.)
class TQeHeaderTables {
 public:
  std::vector<std::string> Fonts;
  std::vector<std::string> Colors;
  std::vector<std::string> Styles;
  std::vector<std::string> Info;
  bool ColorTableSeen = false;

  void Clear();
  // Writes the table an insertion entry names (-17, -18, -19; -20 and 0 write nothing).
  void WriteTable(int32_t table_type, TStream& out) const;
};

}  // namespace vorn
