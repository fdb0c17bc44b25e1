#include "data/csv_loader.h"

#include <fstream>
#include <vector>

#include "data/csv_header.h"
#include "data/csv_reader.h"
#include "platform/system/exception.h"
#include "platform/text/ascii_text.h"

namespace vorn {
namespace {
namespace fs = std::filesystem;

// A header wider than this is not a table anyone means to print.
constexpr size_t kMaxColumns = 10000;

// Reads in chunks so that a pipe or a device is bounded as well as a regular file.
std::string ReadFileBytes(const fs::path& path, size_t limit, const std::string& what) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Exception("Cannot open " + what + ": " + path.string());
  std::string bytes;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    if (bytes.size() + static_cast<size_t>(in.gcount()) > limit) {
      throw Exception(what + " too large: " + path.string());
    }
    bytes.append(chunk, static_cast<size_t>(in.gcount()));
  }
  if (in.bad()) throw Exception("Cannot read " + what + ": " + path.string());
  return bytes;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsTextType(TFieldType type) {
  return type == ftString || type == ftMemo || type == ftFixedChar || type == ftWideString;
}

bool IsBlobType(TFieldType type) { return type == ftBlob || type == ftGraphic; }

// Blanks and control bytes only, as a header cell left empty in a spreadsheet may hold.
bool IsBlank(std::string_view cell) { return TrimControl(cell).empty(); }

// True when `inner` lies in `folder` after resolving ".." and symbolic links.
bool IsInside(const fs::path& folder, const fs::path& inner) {
  std::error_code error;
  const fs::path base = fs::weakly_canonical(folder, error);
  if (error) return false;
  const fs::path full = fs::weakly_canonical(inner, error);
  if (error) return false;
  auto b = base.begin();
  auto f = full.begin();
  for (; b != base.end() && !b->empty(); ++b, ++f) {
    if (f == full.end() || *b != *f) return false;
  }
  return true;
}

class CsvLoader {
 public:
  CsvLoader(std::string_view text, std::string source_name, fs::path base_folder,
            const TCsvOptions& options)
      : reader_(text, std::move(source_name),
                options.separator != 0 ? options.separator : DetectCsvSeparator(text)),
        base_folder_(std::move(base_folder)),
        options_(options) {}

  std::unique_ptr<TMemoryTable> Load() {
    table_ = std::make_unique<TMemoryTable>(options_.code_page);
    ReadHeader();
    for (size_t count; (count = reader_.ReadRow(cells_, header_cells_)) != 0;) LoadRow(count);
    for (size_t i = 0; i < columns_.size(); ++i) {
      if (columns_[i].fit_size) table_->FitFieldSize(static_cast<int>(i));
    }
    table_->First();
    return std::move(table_);
  }

 private:
  void ReadHeader() {
    header_cells_ = reader_.ReadRow(cells_, kMaxColumns);
    if (header_cells_ == 0) throw Exception(reader_.Location(0) + "No header row");
    if (header_cells_ > kMaxColumns) {
      throw Exception(reader_.Location(kMaxColumns) + "Too many fields in the header, at most " +
                      std::to_string(kMaxColumns));
    }
    for (size_t i = 0; i < header_cells_; ++i) {
      if (IsBlank(cells_[i])) {
        field_of_cell_.push_back(-1);
        unnamed_unreported_.push_back(i);
        continue;
      }
      AddField(i);
    }
    if (columns_.empty()) throw Exception(reader_.Location(0) + "No field name in the header");
    try {
      table_->CreateDataSet();
    } catch (const Exception& error) {
      throw Exception(reader_.Location(0) + error.what());
    }
  }

  void AddField(size_t cell) {
    try {
      TCsvColumn column = ParseCsvHeaderCell(cells_[cell]);
      raw_names_.push_back(column.def.name);
      if (options_.converter)
        column.def.name = options_.converter(column.def.name, column.def.name);
      table_->AddFieldDef(column.def);
      field_of_cell_.push_back(static_cast<int>(columns_.size()));
      columns_.push_back(std::move(column));
    } catch (const Exception& error) {
      throw Exception(reader_.Location(cell) + error.what());
    }
  }

  void LoadRow(size_t count) {
    // A spreadsheet saved as CSV leaves such rows below its data.
    if (reader_.RowIsEmpty()) return;
    if (count != header_cells_) {
      return BadRow(std::min(count, header_cells_), "Row has " + std::to_string(count) +
                                                        " cells, the header has " +
                                                        std::to_string(header_cells_));
    }
    if (!unnamed_unreported_.empty()) ReportUnnamedCells();
    table_->Append();
    for (size_t i = 0; i < count; ++i) {
      const int field = field_of_cell_[i];
      if (field < 0 || cells_[i].empty()) continue;  // a new record's fields start out null
      try {
        AssignCell(table_->Field(field), static_cast<size_t>(field), cells_[i]);
      } catch (const Exception& error) {
        table_->Cancel();
        return BadRow(i, error.what());
      }
    }
    table_->Post();
    if (options_.row_lines != nullptr) options_.row_lines->push_back(reader_.Line());
    if (options_.row_numbers != nullptr) options_.row_numbers->push_back(reader_.Row());
  }

  // A note typed beside the table is no field, but its writer should hear that it is not read.
  void ReportUnnamedCells() {
    std::erase_if(unnamed_unreported_, [this](size_t cell) {
      if (cells_[cell].empty()) return false;
      if (options_.on_notice) {
        options_.on_notice({reader_.Line(), reader_.Row()},
                           "column " + std::to_string(cell + 1) +
                               " has no name in the header; its cells are ignored");
      }
      return true;
    });
  }

  void BadRow(size_t cell, const std::string& reason) {
    if (options_.on_bad_row_at)
      return options_.on_bad_row_at({reader_.Line(), reader_.Row()}, reason);
    if (options_.on_bad_row) return options_.on_bad_row(reader_.Line(), reason);
    throw Exception(reader_.Location(cell) + reason);
  }

  void AssignCell(TMemoryField& field, size_t index, std::string_view cell) {
    const TFieldType type = field.DataType();
    if (IsTextType(type) && options_.converter) {
      field.SetAsString(options_.converter(raw_names_[index], cell));
    } else if (IsBlobType(type)) {
      field.SetAsString(BlobBytes(cell, field));
    } else {
      field.SetAsString(cell);
    }
  }

  std::string BlobBytes(std::string_view cell, const TMemoryField& field) const {
    if (cell.front() == '@') return BlobFile(std::string(cell.substr(1)));
    if (cell.size() % 2 != 0) {
      throw Exception("Invalid hexadecimal value for field '" + field.DisplayLabel() + "'");
    }
    std::string bytes(cell.size() / 2, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
      const int high = HexDigit(cell[2 * i]);
      const int low = HexDigit(cell[2 * i + 1]);
      if (high < 0 || low < 0) {
        throw Exception("Invalid hexadecimal value for field '" + field.DisplayLabel() + "'");
      }
      bytes[i] = static_cast<char>(high * 16 + low);
    }
    return bytes;
  }

  // A data file names pictures beside it; it may not reach outside its own folder.
  std::string BlobFile(const std::string& name) const {
    const fs::path relative = fs::path(name).lexically_normal();
    const fs::path full = base_folder_ / relative;
    if (name.empty() || relative.is_absolute() || relative.has_root_name() ||
        (!relative.empty() && *relative.begin() == "..") || !IsInside(base_folder_, full)) {
      throw Exception("Blob file outside the data folder: " + name);
    }
    // A pipe or a device could block the load or never end.
    std::error_code error;
    if (!fs::is_regular_file(full, error)) {
      throw Exception("Cannot open blob file: " + full.string());
    }
    return ReadFileBytes(full, options_.max_blob_file_bytes, "blob file");
  }

  CsvReader reader_;
  fs::path base_folder_;
  const TCsvOptions& options_;
  std::unique_ptr<TMemoryTable> table_;
  size_t header_cells_ = 0;
  std::vector<TCsvColumn> columns_;     // per field
  std::vector<std::string> raw_names_;  // per field
  std::vector<int> field_of_cell_;      // per header cell; -1 for one without a name
  std::vector<size_t> unnamed_unreported_;
  std::vector<std::string_view> cells_;
};
}  // namespace

std::unique_ptr<TMemoryTable> LoadCsv(const fs::path& path, const TCsvOptions& options) {
  const std::string text = DecodeDataText(ReadFileBytes(path, options.max_file_bytes, "data file"),
                                          options.encoding, path.string());
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  return CsvLoader(text, path.string(), folder, options).Load();
}

std::unique_ptr<TMemoryTable> LoadCsvText(std::string_view text, const TCsvOptions& options) {
  if (options.encoding.kind == TDataEncoding::Kind::kAsIs) {
    return CsvLoader(text, options.source_name, options.base_folder, options).Load();
  }
  const std::string decoded = DecodeDataText(text, options.encoding, options.source_name);
  return CsvLoader(decoded, options.source_name, options.base_folder, options).Load();
}

}  // namespace vorn
