#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/text_decoding.h"

namespace vorn {

// One dataset given with --data NAME=FILE (and --query for a database file).
struct DataOption {
  std::string name;
  std::string file;
  std::string query;
  bool IsDatabase() const;
};

struct VariableOption {
  std::string name;
  std::string value;
  bool numeric = false;
};

// The command line of vornfill, parsed but not yet acted on.
struct FillOptions {
  std::string template_file;
  std::string output_file;  // "-" writes to standard output
  std::vector<DataOption> datasets;
  std::vector<VariableOption> variables;
  std::optional<std::string> options;  // comma-separated option names, or "none"
  // The encoding of CSV files that are not Unicode (UTF-8, or UTF-16 with a byte order mark).
  TDataEncoding data_encoding{TDataEncoding::Kind::kUnicode, 0};
  std::optional<int> charset;  // none: the template's fonts keep their character sets
  std::optional<int> lang;
  std::optional<int> code_page;
  std::optional<std::string> true_value;
  std::optional<std::string> false_value;
  int64_t max_rows = 1'000'000;  // rows a query may return
  bool open = false;
  bool help = false;
  bool version = false;
};

// Throws UsageError with a message for the user when the arguments do not parse.
struct UsageError {
  std::string message;
};
FillOptions ParseFillOptions(const std::vector<std::string>& args);
std::string FillUsage();

}  // namespace vorn
