#include "data/csv_reader.h"

#include "platform/system/exception.h"

namespace vorn {
namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// CRLF, LF and a lone CR each end one line.
size_t CountLineBreaks(std::string_view text) {
  size_t count = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++count;
    }
  }
  return count;
}
}  // namespace

CsvReader::CsvReader(std::string_view text, std::string source_name, char separator)
    : text_(text), separator_(separator), source_name_(std::move(source_name)) {
  if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) pos_ = kByteOrderMark.size();
}

size_t CsvReader::ReadRow(std::vector<std::string_view>& cells, size_t max_cells) {
  SkipBlankLines();
  if (pos_ >= text_.size()) return 0;
  row_line_ = line_;
  ++row_;
  size_t count = 0;
  size_t filled = 0;  // nonzero once a cell, kept or not, holds something
  bool more = true;
  for (; more && count < max_cells; ++count) {
    if (count == cells.size()) cells.emplace_back();
    cells[count] = ReadCell(count, true);
    filled |= cells[count].size();
    more = NextCell();
  }
  for (; more; ++count) {
    filled |= ReadCell(count, false).size();
    more = NextCell();
  }
  row_empty_ = filled == 0;
  return count;
}

bool CsvReader::NextCell() {
  if (pos_ >= text_.size()) return false;
  if (AtLineBreak()) {
    SkipLineBreak();
    return false;
  }
  ++pos_;  // the separator; one that ends the text still opens an empty cell
  return true;
}

std::string CsvReader::Location(size_t cell_index) const {
  return source_name_ + ":" + std::to_string(row_line_) + ":" + std::to_string(cell_index + 1) +
         ": ";
}

// A spreadsheet has a row for each of them, so they count.
void CsvReader::SkipBlankLines() {
  while (pos_ < text_.size() && AtLineBreak()) {
    SkipLineBreak();
    ++row_;
  }
}

std::string_view CsvReader::ReadCell(size_t cell_index, bool keep) {
  if (pos_ < text_.size() && text_[pos_] == '"') return ReadQuotedCell(cell_index, keep);
  // A quote inside an unquoted cell is kept as it stands.
  // A plain loop: find_first_of would search the three stop bytes for every byte.
  size_t end = pos_;
  while (end < text_.size() && text_[end] != separator_ && text_[end] != '\r' &&
         text_[end] != '\n') {
    ++end;
  }
  const std::string_view cell = text_.substr(pos_, end - pos_);
  pos_ = end;
  return cell;
}

std::string_view CsvReader::ReadQuotedCell(size_t cell_index, bool keep) {
  const size_t open = pos_;
  ++pos_;
  std::string_view cell;
  std::string* unescaped = nullptr;
  while (true) {
    const size_t quote = text_.find('"', pos_);
    if (quote == std::string_view::npos) {
      throw Exception(Location(cell_index) + "Quoted cell not closed before the end of the file");
    }
    const std::string_view chunk = text_.substr(pos_, quote - pos_);
    line_ += CountLineBreaks(chunk);
    pos_ = quote + 1;
    const bool doubled = pos_ < text_.size() && text_[pos_] == '"';
    if (!keep) {
      // A cell beyond those kept is unescaped nowhere: only whether it is empty is asked.
      if (doubled) {
        ++pos_;
        continue;
      }
      cell = text_.substr(open + 1, quote - open - 1);
      break;
    }
    if (unescaped == nullptr && !doubled) {
      cell = chunk;
      break;
    }
    if (unescaped == nullptr) {
      if (unescaped_.size() <= cell_index) unescaped_.resize(cell_index + 1);
      unescaped = &unescaped_[cell_index];
      unescaped->clear();
    }
    unescaped->append(chunk);
    if (!doubled) {
      cell = *unescaped;
      break;
    }
    unescaped->push_back('"');
    ++pos_;
  }
  if (pos_ < text_.size() && text_[pos_] != separator_ && !AtLineBreak()) {
    throw Exception(Location(cell_index) + "Unexpected text after a closing quote");
  }
  return cell;
}

bool CsvReader::AtLineBreak() const { return text_[pos_] == '\n' || text_[pos_] == '\r'; }

void CsvReader::SkipLineBreak() {
  if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
  ++pos_;
  ++line_;
}

char DetectCsvSeparator(std::string_view text) {
  size_t at = text.find_first_not_of("\r\n");
  if (at == std::string_view::npos) return ',';
  size_t commas = 0, semicolons = 0, tabs = 0;
  bool quoted = false;
  for (; at < text.size() && (quoted || (text[at] != '\n' && text[at] != '\r')); ++at) {
    const char c = text[at];
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    commas += c == ',';
    semicolons += c == ';';
    tabs += c == '\t';
  }
  if (semicolons > commas && semicolons >= tabs) return ';';
  if (tabs > commas && tabs > semicolons) return '\t';
  return ',';
}

}  // namespace vorn
