#include "engine/qebasereport/header_tables.h"

#include "engine/qebasereport/compiled_stream.h"
#include "platform/stream.h"

namespace vorn {

void TQeHeaderTables::Clear() {
  Fonts.clear();
  Colors.clear();
  Styles.clear();
  Info.clear();
  ColorTableSeen = false;
}

namespace {
void WriteGroup(const char* keyword, const std::vector<std::string>& entries, TStream& out) {
  out.Write(keyword);
  for (const std::string& entry : entries) out.Write(entry);
  out.Write("}");
}
}  // namespace

void TQeHeaderTables::WriteTable(int32_t table_type, TStream& out) const {
  switch (table_type) {
    case rkFontTable:
      WriteGroup("{\\fonttbl", Fonts, out);
      if (!ColorTableSeen && !Colors.empty()) WriteGroup("{\\colortbl", Colors, out);
      break;
    case rkColorTable:
      WriteGroup("{\\colortbl", Colors, out);
      break;
    case rkStyleSheet:
      WriteGroup("{\\stylesheet", Styles, out);
      break;
    default:
      break;  // the information group is not carried into the output
  }
}

}  // namespace vorn
