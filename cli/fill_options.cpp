#include "cli/fill_options.h"

#include <charconv>

namespace vorn {

namespace {
// Beyond this no table of rows fits in the memory of a machine that runs us.
constexpr int kMaxRowsLimit = 1'000'000'000;

std::pair<std::string, std::string> SplitAssignment(const std::string& option,
                                                    const std::string& value) {
  const size_t equals = value.find('=');
  if (equals == std::string::npos || equals == 0) {
    throw UsageError{option + " expects NAME=VALUE, got \"" + value + "\""};
  }
  return {value.substr(0, equals), value.substr(equals + 1)};
}

int ParseInt(const std::string& option, const std::string& value, int min, int max) {
  int result = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), result);
  if (error != std::errc() || end != value.data() + value.size() || result < min || result > max) {
    throw UsageError{option + " expects a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ", got \"" + value + "\""};
  }
  return result;
}

// A named code page reads the files that are not Unicode; the others still are.
TDataEncoding ParseDataEncoding(const std::string& value) {
  try {
    return {TDataEncoding::Kind::kUnicode, DataEncodingByName(value).code_page};
  } catch (const std::exception&) {
    throw UsageError{
        "--data-encoding expects utf-8 or a code page such as cp950, cp932 or "
        "cp1252, got \"" +
        value + "\""};
  }
}

bool EndsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
}  // namespace

bool DataOption::IsDatabase() const {
  return EndsWith(file, ".sqlite") || EndsWith(file, ".db") || EndsWith(file, ".sqlite3");
}

FillOptions ParseFillOptions(const std::vector<std::string>& args) {
  FillOptions result;
  std::vector<std::string> positional;
  bool options_ended = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_ended || arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_ended = true;
      continue;
    }
    if (arg == "--help") {
      result.help = true;
      continue;
    }
    if (arg == "--version") {
      result.version = true;
      continue;
    }
    if (arg == "--open") {
      result.open = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    const size_t equals = arg.find('=');
    if (equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
    } else {
      if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
      value = args[++i];
    }
    if (name == "--data") {
      auto [data_name, file] = SplitAssignment(name, value);
      result.datasets.push_back({data_name, file, ""});
    } else if (name == "--query") {
      if (result.datasets.empty() || !result.datasets.back().IsDatabase()) {
        throw UsageError{"--query must follow a --data option naming a .sqlite or .db file"};
      }
      result.datasets.back().query = value;
    } else if (name == "--var" || name == "--num") {
      auto [var_name, var_value] = SplitAssignment(name, value);
      result.variables.push_back({var_name, var_value, name == "--num"});
    } else if (name == "--data-encoding") {
      result.data_encoding = ParseDataEncoding(value);
    } else if (name == "--options") {
      result.options = value;
    } else if (name == "--charset") {
      result.charset = ParseInt(name, value, 0, 255);
    } else if (name == "--lang") {
      result.lang = ParseInt(name, value, 0, 65535);
    } else if (name == "--codepage") {
      result.code_page = ParseInt(name, value, 1, 65535);
    } else if (name == "--max-rows") {
      result.max_rows = ParseInt(name, value, 1, kMaxRowsLimit);
    } else if (name == "--true") {
      result.true_value = value;
    } else if (name == "--false") {
      result.false_value = value;
    } else {
      throw UsageError{"unknown option " + name};
    }
  }
  if (result.help || result.version) return result;
  if (positional.size() != 2) throw UsageError{"expected TEMPLATE and OUTPUT"};
  result.template_file = positional[0];
  result.output_file = positional[1];
  for (const DataOption& data : result.datasets) {
    if (data.IsDatabase() && data.query.empty()) {
      throw UsageError{"--data " + data.name + "=" + data.file + " needs a --query"};
    }
  }
  return result;
}

std::string FillUsage() {
  return R"(Usage: vornfill [OPTIONS] TEMPLATE OUTPUT
Fills the RTF template TEMPLATE and writes the document to OUTPUT ("-": standard output).
A file is replaced once the document is complete; a pipe or a device is written into.

  --data NAME=FILE    add a dataset: a CSV file with a header row, or a .sqlite/.db
                      file with --query; the first is alias A, the next B, ...
                      A header cell may carry a type, NAME:TYPE, with TYPE one of
                      string(N) integer smallint largeint float currency bcd boolean
                      date time datetime memo blob (blob cells: hexadecimal or @file)
  --query SQL         the query of the database named by the --data before it
  --max-rows N        the most rows a query may return (default 1000000)
  --data-encoding ENC the code page of CSV files that are not Unicode: cp950 (big5),
                      cp932 (shift_jis), cp936, cp949, cp1250 to cp1258, ...
                      (default: UTF-8, or UTF-16 with a byte order mark, only)
  --var NAME=TEXT     add a text report variable
  --num NAME=NUMBER   add a numeric report variable
  --options LIST      report options, comma-separated, or "none": eoGraphicsWmfCompatible,
                      eoGraphicsBinary, eoClearMissedFields, eoDotAsColon,
                      eoNumericFormatClearZero (default eoGraphicsBinary,eoDotAsColon)
  --charset N         give every font of the template character set N (default: each
                      font keeps its own, and values are written as Unicode)
  --lang N            language id written with every value (default 0)
  --codepage N        code page of the report's text (default: follows --charset, 1252)
  --true TEXT         text of a true boolean (default True)
  --false TEXT        text of a false boolean (default False)
  --open              open the document with the desktop's application afterwards
  --help, --version
Exit status: 0 success, 1 report or data error, 2 usage error.
)";
}

}  // namespace vorn
