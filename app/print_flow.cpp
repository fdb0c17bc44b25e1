#include "app/print_flow.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "app/batch.h"
#include "app/record_text.h"
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
    : report_(report),
      table_(table),
      folders_(std::move(folders)),
      barcodes_([this] { return CurrentProduct(); }) {}

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

std::string PrintFlow::CurrentProduct() const {
  if (current_ == nullptr || current_->FieldCount() == 0) return std::string();
  return Utf8FromRecordBytes(current_->FieldByName("PROD_ID").AsString());
}

void PrintFlow::Run(TMemoryTable &table, bool open) {
  current_ = &table;
  report_.SetUDFList(&barcodes_.List());
  try {
    if (open) {
      report_.ExecuteOpen({&table}, kShowNormal);
    } else {
      report_.Execute({&table});
    }
  } catch (...) {
    report_.SetUDFList(nullptr);
    current_ = nullptr;
    throw;
  }
  report_.SetUDFList(nullptr);
  current_ = nullptr;
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

std::string PrintFlow::PrintLayout(std::string_view layout, bool open) {
  PostRecord();
  report_.SetInFile(TemplatePath(folders_, layout));
  report_.SetOutFile(FreshOutputName());
  if (OnProcessMessages) OnProcessMessages();
  Run(table_, open);
  return report_.OutFile();
}

std::string PrintFlow::PrintBatch(std::string_view layout, TMemoryTable &products, bool open) {
  const std::string wrapped = WrapTemplateInScan(ReadTemplate(TemplatePath(folders_, layout)),
                                                 products.Name(), LayoutBreaksPages(layout));
  const TemporaryTemplate temporary(TempDir(), wrapped);
  report_.SetInFile(temporary.Path());
  report_.SetOutFile(FreshOutputName());
  const int cards = products.RecordCount();
  int card = 0;
  report_.OnScanRecord = [this, &card, cards](TQeScanInfo &) {
    if (OnProgress) OnProgress(++card, cards);
  };
  if (OnProcessMessages) OnProcessMessages();
  try {
    Run(products, open);
  } catch (...) {
    report_.OnScanRecord = nullptr;
    throw;
  }
  report_.OnScanRecord = nullptr;
  return report_.OutFile();
}

int PrintFlow::OpenTemplate(std::string_view layout) {
  return report_.ShellOpen(TemplatePath(folders_, layout), kShowNormal);
}

}  // namespace vorn
