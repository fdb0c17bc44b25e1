#include "engine/qebasereport/base_rtf_report.h"

#include <cstdio>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/quote_rules.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/system/stream.h"
#include "platform/text/code_page.h"

namespace vorn {

namespace {
std::string Hex(uint32_t value, int digits) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
  return buffer;
}
}  // namespace

TQeBaseRTFReport::TQeBaseRTFReport()
    : palette_{{0, 0, 0},     {0, 0, 255},   {0, 255, 255},   {0, 255, 0},
               {255, 0, 255}, {255, 0, 0},   {255, 255, 0},   {255, 255, 255},
               {0, 0, 128},   {0, 128, 128}, {0, 128, 0},     {128, 0, 128},
               {128, 0, 0},   {128, 128, 0}, {128, 128, 128}, {192, 192, 192}} {}

int TQeBaseRTFReport::CodePage() const {
  if (code_page_ != 0) return code_page_;
  return CodePage::FromCharset(charset_).Number();
}

std::optional<uint8_t> TQeBaseRTFReport::FontCharset() const {
  if (keep_font_charsets_) return std::nullopt;
  return charset_;
}

bool TQeBaseRTFReport::IsQuoteOpen(unsigned char c) const { return IsQuoteOpener(c); }

bool TQeBaseRTFReport::IsQuoteClose(unsigned char opener, unsigned char c) const {
  return ClosesQuote(opener, c);
}

bool TQeBaseRTFReport::IsQuotedString(std::string_view text) const { return IsQuotedText(text); }

std::string TQeBaseRTFReport::CreateFileName(const std::string& dir, const std::string& prefix) {
  return CreateFileName(dir, prefix, ".doc");
}

std::string TQeBaseRTFReport::CreateFileName(const std::string& dir, const std::string& prefix,
                                             const std::string& ext) {
  std::string folder = dir;
  if (!folder.empty()) {
    if (!DirectoryExists(folder)) {
      throw EIOError("CreateFileName: directory " + dir + " does not exist");
    }
    if (folder.back() != '/') folder += '/';
  }
  std::string ticks = Hex(TickCount(), 8);
  const size_t first = ticks.find_first_not_of('0');
  ticks = first == std::string::npos ? "0" : ticks.substr(first);
  const std::string random = Hex(RandomBelow(65535), 4);
  std::string extension = ext;
  if (!extension.empty() && extension[0] != '.') extension = "." + extension;
  return folder + prefix + ticks + random + extension;
}

namespace {
std::string TableText(const TQeHeaderTables& tables, int32_t table_type) {
  TMemoryStream text;
  tables.WriteTable(table_type, text);
  return text.Bytes();
}
}  // namespace

void TQeBaseRTFReport::PlaceTable(int32_t table_type, TStream& out) {
  TQeOutTab tab;
  tab.TableType = table_type;
  tab.Text = TableText(HeaderTables, table_type);
  tab.Start = out.Position();
  out.Write(tab.Text);
  tab.End = out.Position();
  OutTabs.push_back(std::move(tab));
}

bool TQeBaseRTFReport::PlacedTablesChanged() const {
  for (const TQeOutTab& tab : OutTabs) {
    if (TableText(HeaderTables, tab.TableType) != tab.Text) return true;
  }
  return false;
}

}  // namespace vorn
