#include "app/print_flow.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include "app/batch.h"
#include "app/product_table.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "platform/exception.h"
#include "platform/files.h"

namespace vorn {

void ConfigureReport(TQeRTF &report) {
  report.SetOutFile("outfile.doc");
  report.SetTrueValue("True");
  report.SetFalseValue("False");
  report.SetCharset(136);
  report.SetLang(1028);
  report.SetOptions({eoGraphicsBinary, eoDotAsColon});
  report.SetDisableControls(true);
  report.SetVarList(TQeVarList());
  report.SetUDFList(nullptr);
}

PrintFlow::PrintFlow(TQeRTF &report, TMemoryTable &table, ProgramFolders folders)
    : report_(report), table_(table), folders_(std::move(folders)) {}

namespace {
// A generated template that exists only for one run.
class TemporaryTemplate {
 public:
  TemporaryTemplate(const std::string &folder, const std::string &text) {
    // mkstemp creates the file exclusively, so no other file can stand in its
    // place.
    std::string pattern = folder + "/vornbatch-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) throw Exception("Cannot create the batch template in " + folder);
    path_ = pattern;
    size_t written = 0;
    while (written < text.size()) {
      const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
      if (n <= 0) break;
      written += static_cast<size_t>(n);
    }
    const bool closed = ::close(fd) == 0;
    if (written != text.size() || !closed) {
      DeleteFile(path_);
      throw Exception("Cannot write the batch template " + path_);
    }
  }
  ~TemporaryTemplate() { DeleteFile(path_); }
  TemporaryTemplate(const TemporaryTemplate &) = delete;
  TemporaryTemplate &operator=(const TemporaryTemplate &) = delete;
  const std::string &Path() const { return path_; }

 private:
  std::string path_;
};

std::string ReadTemplate(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Exception("Cannot open template " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
}  // namespace

void PrintFlow::Run(TMemoryTable &table, bool open) {
  report_.SetUDFList(&functions_.List());
  try {
    if (open) {
      report_.ExecuteOpen({&table}, kShowNormal);
    } else {
      report_.Execute({&table});
    }
  } catch (const Exception &e) {
    report_.SetUDFList(nullptr);
    // The report is written before the desktop is asked to open it.
    constexpr std::string_view kOpenFailed = "Failed to open report results. Error message: ";
    if (open && std::string_view(e.what()).starts_with(kOpenFailed) &&
        FileExists(report_.OutFile())) {
      throw CardNotOpened(e.what(), report_.OutFile());
    }
    throw;
  } catch (...) {
    report_.SetUDFList(nullptr);
    throw;
  }
  report_.SetUDFList(nullptr);
}

void PrintFlow::PostRecord() {
  const TDataSetState state = table_.State();
  if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert) return;
  if (OnBeforePost) OnBeforePost();
  table_.Post();
}

std::string PrintFlow::FreshOutputName() {
  // Names come from the clock and a random number; two runs within one
  // millisecond may draw the same one, and a card already written must never be
  // overwritten.
  constexpr int kAttempts = 64;
  std::string name;
  for (int i = 0; i < kAttempts; ++i) {
    name = report_.CreateFileName(folders_.output, "cu");
    if (!FileExists(name)) return name;
  }
  return name;
}

PrintedCards PrintFlow::PrintLayout(std::string_view layout, bool open) {
  PostRecord();
  report_.SetInFile(TemplatePath(folders_, layout));
  report_.SetOutFile(FreshOutputName());
  if (OnProcessMessages) OnProcessMessages();
  PrintedCards printed;
  if (std::optional<CardNotice> barcode = CheckBarcodeOf(table_)) {
    printed.notices.push_back(std::move(*barcode));
  }
  Run(table_, open);
  printed.path = report_.OutFile();
  return printed;
}

std::string PrintFlow::PrintBatch(std::string_view layout, TMemoryTable &products, bool open) {
  RunBatch(layout, products, FreshOutputName(), open, true);
  return report_.OutFile();
}

void PrintFlow::WriteBatch(std::string_view layout, TMemoryTable &products,
                           const std::string &path) {
  RunBatch(layout, products, path, false, false);
}

void PrintFlow::RunBatch(std::string_view layout, TMemoryTable &products, const std::string &path,
                         bool open, bool progress) {
  const std::string wrapped =
      WrapTemplateInScan(ReadTemplate(TemplatePath(folders_, layout)), products.Name());
  const TemporaryTemplate temporary(TempDir(), wrapped);
  report_.SetInFile(temporary.Path());
  report_.SetOutFile(path);
  const int cards = products.RecordCount();
  int card = 0;
  if (progress) {
    report_.OnScanRecord = [this, &card, cards](TQeScanInfo &) {
      if (OnProgress) OnProgress(++card, cards);
    };
  }
  if (OnProcessMessages) OnProcessMessages();
  try {
    Run(products, open);
  } catch (...) {
    report_.OnScanRecord = nullptr;
    throw;
  }
  report_.OnScanRecord = nullptr;
}

int PrintFlow::OpenTemplate(std::string_view layout) {
  return report_.ShellOpen(TemplatePath(folders_, layout), kShowNormal);
}

}  // namespace vorn
