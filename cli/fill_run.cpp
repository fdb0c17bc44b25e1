#include "cli/fill_run.h"

#include <csignal>
#include <memory>

#include "cli/fill_output.h"
#include "data/csv_loader.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "engine/qertf/qertf.h"
#include "platform/system/exception.h"
#include "platform/text/code_page.h"
#include "platform/text/number_parse.h"

namespace vorn {

namespace {
constexpr int kShowNormal = 1;

TQeRTFOptions ParseOptionList(const std::string& list) {
  static const std::pair<const char*, TQeRTFOption> kNames[] = {
      {"eoGraphicsWmfCompatible", eoGraphicsWmfCompatible},
      {"eoGraphicsBinary", eoGraphicsBinary},
      {"eoClearMissedFields", eoClearMissedFields},
      {"eoDotAsColon", eoDotAsColon},
      {"eoNumericFormatClearZero", eoNumericFormatClearZero},
  };
  TQeRTFOptions result;
  if (list == "none") return result;
  size_t begin = 0;
  while (begin <= list.size()) {
    size_t end = list.find(',', begin);
    if (end == std::string::npos) end = list.size();
    const std::string name(TrimControl(std::string_view(list).substr(begin, end - begin)));
    bool known = false;
    for (const auto& [option_name, option] : kNames) {
      if (SameTextAscii(name, option_name)) {
        result.Include(option);
        known = true;
      }
    }
    if (!known) throw UsageError{"unknown report option \"" + name + "\" in --options"};
    begin = end + 1;
  }
  return result;
}

// Data files are decoded to UTF-8 first; the report holds its code page's bytes.
TTextConverter ConverterFor(const TQeRTF& report) {
  const CodePage code_page(report.CodePage());
  return [code_page](std::string_view field, std::string_view utf8) {
    return FromUtf8(utf8, code_page, field);
  };
}

std::unique_ptr<TMemoryTable> LoadDataset(const DataOption& data, const FillOptions& options,
                                          const TQeRTF& report, std::ostream& errors) {
  std::unique_ptr<TMemoryTable> table;
  if (data.IsDatabase()) {
    TSqliteOptions sqlite;
    sqlite.converter = ConverterFor(report);
    sqlite.code_page = report.CodePage();
    sqlite.max_rows = options.max_rows;
    sqlite.max_rows_option = "--max-rows";
    table = LoadSqlite(data.file, data.query, sqlite);
  } else {
    TCsvOptions csv;
    csv.encoding = options.data_encoding;
    csv.converter = ConverterFor(report);
    csv.code_page = report.CodePage();
    csv.on_notice = [&](const TCsvPlace& place, const std::string& text) {
      errors << "vornfill: warning: " << data.file << ":" << place.line << ": " << text << "\n";
    };
    table = LoadCsv(data.file, csv);
  }
  table->SetName(data.name);
  return table;
}

void AddVariables(const FillOptions& options, TQeRTF& report) {
  const CodePage code_page(report.CodePage());
  for (const VariableOption& variable : options.variables) {
    const std::string name = FromUtf8(variable.name, code_page, "--var");
    if (variable.numeric) {
      report.AddNumberVariable(name, StrToFloat(variable.value, FormatSettings::CLocale()));
    } else {
      report.AddTextVariable(name, FromUtf8(variable.value, code_page, name));
    }
  }
}

}  // namespace

void ConfigureReport(const FillOptions& options, TQeRTF& report) {
  // A template of any language reads as it was written unless a character set is asked for.
  report.SetKeepFontCharsets(!options.charset);
  if (options.charset) report.SetCharset(static_cast<uint8_t>(*options.charset));
  if (options.lang) report.SetLang(static_cast<uint16_t>(*options.lang));
  if (options.code_page) report.SetCodePage(*options.code_page);
  if (options.options) report.SetOptions(ParseOptionList(*options.options));
  if (options.true_value) report.SetTrueValue(*options.true_value);
  if (options.false_value) report.SetFalseValue(*options.false_value);
}

int RunFill(const FillOptions& options, std::ostream& errors) {
  TQeRTF report;
  FillOutput output;
  try {
    ConfigureReport(options, report);
    output = ResolveFillOutput(options.output_file);
  } catch (const UsageError& e) {
    errors << "vornfill: " << e.message << "\n";
    return 2;
  } catch (const std::exception& e) {
    errors << "vornfill: " << e.what() << "\n";
    return 1;
  }
  if (output.kind == FillOutput::Kind::kStream && options.open) {
    errors << "vornfill: --open needs OUTPUT to be a file, not " << options.output_file << "\n";
    return 2;
  }
  try {
    // Opened first, as a shell opens a redirection: a reader waiting on a pipe then sees its end
    // whatever fails later.
    std::unique_ptr<DescriptorOutput> stream;
    if (output.kind == FillOutput::Kind::kStream) {
      // A reader that goes away is an error to report, not a signal that ends the run unheard.
      std::signal(SIGPIPE, SIG_IGN);
      stream = std::make_unique<DescriptorOutput>(output.path);
    }
    std::vector<std::unique_ptr<TMemoryTable>> tables;
    std::vector<TDataSet*> datasets;
    for (const DataOption& data : options.datasets) {
      tables.push_back(LoadDataset(data, options, report, errors));
      datasets.push_back(tables.back().get());
    }
    AddVariables(options, report);
    report.SetInFile(options.template_file);
    if (stream) {
      report.ExecuteToStream(datasets, *stream);
      stream->Close();
    } else {
      report.SetOutFile(output.path);
      if (options.open) {
        report.ExecuteOpen(datasets, kShowNormal);
      } else {
        report.Execute(datasets);
      }
    }
  } catch (const std::exception& e) {
    errors << "vornfill: " << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace vorn
