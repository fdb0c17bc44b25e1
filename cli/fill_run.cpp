#include "cli/fill_run.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "data/csv_loader.h"
#include "data/memory_table.h"
#include "data/sqlite_loader.h"
#include "engine/qertf/qertf.h"
#include "platform/system/exception.h"
#include "platform/system/stream.h"
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

std::unique_ptr<TMemoryTable> LoadDataset(const DataOption& data, const TDataEncoding& encoding,
                                          const TQeRTF& report) {
  std::unique_ptr<TMemoryTable> table;
  if (data.IsDatabase()) {
    table = LoadSqlite(data.file, data.query, ConverterFor(report), report.CodePage());
  } else {
    TCsvOptions csv;
    csv.encoding = encoding;
    csv.converter = ConverterFor(report);
    csv.code_page = report.CodePage();
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

// Standard output as the stream a run writes into: bytes go out as they come, so a document
// of any size passes through without being held. It cannot go back; the run's rewind before it
// writes and after it is done means nothing to a pipe.
class StandardOutput : public TStream {
 public:
  size_t Read(void*, size_t) override { throw Exception("Can't read standard output"); }
  void Write(const void* data, size_t count) override {
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(STDOUT_FILENO, bytes + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        throw Exception(std::string("Can't write standard output: ") + std::strerror(errno));
      }
      done += static_cast<size_t>(n);
    }
    written_ += static_cast<int64_t>(count);
  }
  int64_t Position() const override { return written_; }
  void Seek(int64_t position) override {
    if (position != 0 && position != written_) {
      throw Exception("Can't move on standard output to " + std::to_string(position));
    }
  }
  int64_t Size() const override { return written_; }
  using TStream::Write;

 private:
  int64_t written_ = 0;
};
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
  try {
    ConfigureReport(options, report);
  } catch (const UsageError& e) {
    errors << "vornfill: " << e.message << "\n";
    return 2;
  }
  try {
    std::vector<std::unique_ptr<TMemoryTable>> tables;
    std::vector<TDataSet*> datasets;
    for (const DataOption& data : options.datasets) {
      tables.push_back(LoadDataset(data, options.data_encoding, report));
      datasets.push_back(tables.back().get());
    }
    AddVariables(options, report);
    report.SetInFile(options.template_file);
    if (options.output_file == "-") {
      StandardOutput out;
      report.ExecuteToStream(datasets, out);
    } else {
      report.SetOutFile(options.output_file);
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
