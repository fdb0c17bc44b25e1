#include "app/headless/command_line.h"

#include <algorithm>
#include <charconv>

#include "app/card/card_date.h"
#include "app/flow/batch.h"
#include "app/flow/layouts.h"

namespace vorn {

namespace {
// The value of an option written "--name VALUE" or "--name=VALUE", or nullopt
// when `argument` is not that option.
std::optional<std::string> OptionValue(const std::vector<std::string>& arguments, size_t& i,
                                       const std::string& name) {
  const std::string& argument = arguments[i];
  if (argument == name) {
    if (i + 1 >= arguments.size()) throw UsageError("Missing value for option " + name);
    return arguments[++i];
  }
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == '=') {
    return argument.substr(name.size() + 1);
  }
  return std::nullopt;
}

// The value of an option whose value may be left out: "--name=VALUE", or "--name VALUE" when the
// next argument is no option.
std::optional<std::string> OptionalValue(const std::vector<std::string>& arguments, size_t& i,
                                         const std::string& name) {
  const std::string& argument = arguments[i];
  if (argument == name) {
    if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) return arguments[++i];
    return std::string();
  }
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == '=') {
    return argument.substr(name.size() + 1);
  }
  return std::nullopt;
}

int ParseFirstLabel(const std::string& text) {
  int first = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), first);
  if (error != std::errc() || end != text.data() + text.size() || first < 1 || first > 9999) {
    throw UsageError("The first label must be a whole number from 1, or next: " + text);
  }
  return first;
}

int ParseCopies(const std::string& text) {
  int copies = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), copies);
  if (error != std::errc() || end != text.data() + text.size() || copies < 1 ||
      copies > kMaxCopies) {
    throw UsageError("Copies must be a whole number from 1 to " + std::to_string(kMaxCopies) +
                     ": " + text);
  }
  return copies;
}

int ParseLimit(const std::string& option, const std::string& text) {
  int max = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), max);
  if (error != std::errc() || end != text.data() + text.size() || max < 1 || max > 100'000'000) {
    throw UsageError("Option " + option + " needs a whole number from 1 to 100000000: " + text);
  }
  return max;
}

std::string ParseDate(const std::string& option, const std::string& text) {
  try {
    return IsoDate(ParseCardDate(text));
  } catch (const Exception&) {
    throw UsageError("Option " + option + " needs a date such as 2026-12-24 or 115/12/24: " + text);
  }
}

// The optional fields of the record by their options, in list order.
struct FieldOption {
  const char* name;
  int field;
};
constexpr FieldOption kFieldOptions[] = {
    {"--promo", kPromoPriceField},
    {"--promo-from", kPromoStartField},
    {"--promo-to", kPromoEndField},
    {"--content", kNetContentField},
    {"--qr", kQrField},
};

bool TakeFieldOption(const std::vector<std::string>& arguments, size_t& i,
                     std::vector<std::optional<std::string>>& fields) {
  for (const FieldOption& option : kFieldOptions) {
    if (auto value = OptionValue(arguments, i, option.name)) {
      std::string text = *value;
      if (option.field == kPromoStartField || option.field == kPromoEndField) {
        text = ParseDate(option.name, text);
      }
      fields[static_cast<size_t>(option.field - kProductFieldCount)] = std::move(text);
      return true;
    }
  }
  return false;
}

void CheckConsistent(const CommandLine& command) {
  if (command.no_open && !command.layout) {
    throw UsageError("Option --no-open needs --layout");
  }
  if (command.pdf && !command.layout) throw UsageError("Option --pdf needs --layout");
  const bool batch = command.csv || command.sqlite;
  if (batch && !command.layout) throw UsageError("Batch printing needs --layout");
  if (command.csv && command.sqlite) throw UsageError("Give either --csv or --sqlite, not both");
  if (command.sqlite && !command.query) throw UsageError("Option --sqlite needs --query");
  if (command.query && !command.sqlite) throw UsageError("Option --query needs --sqlite");
  if (command.copies && !batch && !command.sheet) {
    throw UsageError("Option --copies needs --csv, --sqlite or --sheet");
  }
  if (command.sheet && !command.layout) throw UsageError("Option --sheet needs --layout");
  if ((command.first_label || command.first_label_next) && !command.sheet) {
    throw UsageError("Option --first needs --sheet");
  }
  if (command.changed && !batch) throw UsageError("Option --changed needs --csv or --sqlite");
  if (command.outline && !command.sheet) throw UsageError("Option --outline needs --sheet");
  if (command.print && !command.layout) throw UsageError("Option --print needs --layout");
  if (batch && !command.values.empty()) {
    throw UsageError("Product values cannot be given with a batch: " + command.values.front());
  }
  if (command.max_cards > 0 && !batch && !command.sheet) {
    throw UsageError("Option --max-cards needs --csv, --sqlite or --sheet");
  }
  if (command.max_rows > 0 && !command.sqlite) throw UsageError("Option --max-rows needs --sqlite");
}
}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine command;
  bool options_ended = false;
  std::vector<std::optional<std::string>> fields(kGivenFieldCount - kProductFieldCount);
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument == "-" || !argument.starts_with("-")) {
      if (command.values.size() == kProductFieldCount) {
        throw UsageError("More than eight product values (give the others with their options): " +
                         argument);
      }
      command.values.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "--help") {
      command.help = true;
    } else if (argument == "--version") {
      command.version = true;
    } else if (argument == "--no-open") {
      command.no_open = true;
    } else if (argument == "--pdf") {
      command.pdf = true;
    } else if (argument == "--outline") {
      command.outline = true;
    } else if (auto filter = OptionalValue(arguments, i, "--sheets")) {
      command.list_sheets = true;
      command.sheets_filter = *filter;
    } else if (auto printer = OptionalValue(arguments, i, "--print")) {
      command.print = true;
      command.printer = *printer;
    } else if (auto layout = OptionValue(arguments, i, "--layout")) {
      const std::optional<std::string> name = CanonicalLayoutName(*layout);
      if (!name) throw UsageError("Unknown layout (use B5, A4, SM1, SM2 or OTHER): " + *layout);
      command.layout = *name;
    } else if (auto dir = OptionValue(arguments, i, "--templates")) {
      command.templates_dir = *dir;
    } else if (auto out = OptionValue(arguments, i, "--output")) {
      command.output_dir = *out;
    } else if (auto csv = OptionValue(arguments, i, "--csv")) {
      command.csv = *csv;
    } else if (auto db = OptionValue(arguments, i, "--sqlite")) {
      command.sqlite = *db;
    } else if (auto query = OptionValue(arguments, i, "--query")) {
      command.query = *query;
    } else if (auto copies = OptionValue(arguments, i, "--copies")) {
      command.copies = ParseCopies(*copies);
    } else if (auto sheet = OptionValue(arguments, i, "--sheet")) {
      command.sheet = *sheet;
    } else if (auto first = OptionValue(arguments, i, "--first")) {
      if (*first == "next") {
        command.first_label_next = true;
      } else {
        command.first_label = ParseFirstLabel(*first);
      }
    } else if (argument == "--changed") {
      command.changed = true;
    } else if (auto product = OptionalValue(arguments, i, "--history")) {
      command.history = *product;
    } else if (auto date = OptionValue(arguments, i, "--date")) {
      command.date = ParseDate("--date", *date);
    } else if (auto max = OptionValue(arguments, i, "--max-cards")) {
      command.max_cards = ParseLimit("--max-cards", *max);
    } else if (auto max = OptionValue(arguments, i, "--max-rows")) {
      command.max_rows = ParseLimit("--max-rows", *max);
    } else if (!TakeFieldOption(arguments, i, fields)) {
      // A typo must never print as a product's value.
      throw UsageError("Unknown option: " + argument);
    }
  }
  const bool any_field = std::any_of(fields.begin(), fields.end(), [](const auto& f) { return f; });
  if (any_field) {
    if (command.csv || command.sqlite) {
      throw UsageError(
          "Promotion, content and QR options are for one product; a batch takes them "
          "from its columns");
    }
    command.values.resize(kGivenFieldCount);
    for (size_t i = 0; i < fields.size(); ++i) {
      if (fields[i]) command.values[kProductFieldCount + i] = *fields[i];
    }
  }
  CheckConsistent(command);
  return command;
}

ProgramFolders FoldersFor(const CommandLine& command) {
  ProgramFolders folders = DefaultProgramFolders();
  if (command.templates_dir) folders.templates = *command.templates_dir;
  if (command.output_dir) folders.output = *command.output_dir;
  return folders;
}

std::string UsageText() {
  return "Usage: vornreport [OPTIONS] [--] [VALUE...]\n"
         "       vornreport --layout NAME (--csv FILE | --sqlite DB --query SQL) [OPTIONS]\n"
         "Prints a shelf price card for one product. The values fill, in order: product\n"
         "number, barcode, name, short name, unit, store price, suggested price, member\n"
         "price. Without --layout the dialog opens with them.\n"
         "\n"
         "  --layout NAME    print the layout NAME (B5, A4, SM1, SM2 or OTHER) without the dialog\n"
         "  --no-open        with --layout: write the card, print its path, do not open it\n"
         "  --csv FILE       with --layout: one card per product row of the CSV file FILE\n"
         "                   (UTF-8, UTF-16 or Big5; comma, semicolon or tab between cells;\n"
         "                   columns named as in the README or as the dialog labels them)\n"
         "                   or of the first sheet of a spreadsheet (.xlsx, .xls, .ods)\n"
         "  --sqlite DB      with --layout and --query: one card per row of the query on DB\n"
         "  --query SQL      the query that selects the products from --sqlite DB\n"
         "  --copies N       cards per product (a COPIES column overrides it); default 1\n"
         "  --max-cards N    allow a run of up to N cards (default 100000)\n"
         "  --max-rows N     allow a query of up to N rows (default 1000000)\n"
         "  --promo PRICE    the promotion price of the one product (shown as 特價 while the\n"
         "                   promotion runs on the --date; its store price as 原價)\n"
         "  --promo-from DATE  the promotion's first day (none: already running)\n"
         "  --promo-to DATE  the promotion's last day (needed with --promo)\n"
         "  --content TEXT   the pack's net content (600ml, 1.5L, 300g, 6x330ml, 12入) for the\n"
         "                   unit price\n"
         "  --qr TEXT        text or address for the card's QR code\n"
         "  --date DATE      the day the cards will hang (default today): a promotion shows when\n"
         "                   this day lies within its period. Dates as 2026-12-24, 2026/12/24,\n"
         "                   20261224 or 115/12/24\n"
         "  --pdf            with --layout: also convert the document to PDF with LibreOffice\n"
         "                   and open the PDF instead\n"
         "  --sheet NAME     with --layout: put the cards on the labels of a label sheet, as\n"
         "                   \"Avery A4 L7413\" (manufacturer and product code), into a PDF;\n"
         "                   with one product, --copies N fills N labels\n"
         "  --first N        with --sheet: start at label N of the first sheet (a used sheet);\n"
         "                   --first next starts where the last run on that sheet stopped\n"
         "  --outline        with --sheet: draw each label's outline, for a test print\n"
         "  --sheets [TEXT]  list the label sheets whose labels hold the --layout's card (all\n"
         "                   sheets without --layout), those whose name holds TEXT\n"
         "  --changed        with a batch: print only the products whose card differs from the\n"
         "                   last one printed on the layout (or that never had one)\n"
         "  --history [PRODUCT]  list the cards printed, newest first: those of the last ten\n"
         "                   runs, or every card of PRODUCT (tab-separated, with a header line)\n"
         "  --print [NAME]   with --layout: print the PDF (cards or sheets) on the printer NAME,\n"
         "                   the default printer without one; give product values after --\n"
         "  --templates DIR  read the layout templates from DIR instead of VornSAMPLE\n"
         "  --output DIR     write cards into DIR instead of VORNTEMP\n"
         "  --help           show this text\n"
         "  --version        show the program's version\n"
         "  --               every later argument is a value (for values that begin with -)\n"
         "\n"
         "Every card of a batch starts a page of its own. A product that cannot make a\n"
         "correct card (a price that is no whole number, a row with missing cells, no\n"
         "product number) is left out and the others print; a barcode with a wrong check\n"
         "digit prints as digits without its symbol; a text longer than its field is cut.\n"
         "Each of these is listed on standard error with its line and product number.\n"
         "\n"
         "Exit status: 0 success, 1 report or data error (nothing printed), 2 usage error,\n"
         "3 printed, but some rows were left out or some cards need a look (see the warnings).\n";
}

}  // namespace vorn
