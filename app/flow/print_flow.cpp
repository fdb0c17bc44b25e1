#include "app/flow/print_flow.h"

#include <cstdlib>
#include <fstream>
#include <optional>

#include "app/card/product_table.h"
#include "app/flow/batch.h"
#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/scope_exit.h"

namespace vorn {

void ConfigureReport(TQeRTF& report) {
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

PrintFlow::PrintFlow(TQeRTF& report, TMemoryTable& table, ProgramFolders folders)
    : report_(report), table_(table), folders_(std::move(folders)) {}

namespace {
std::string ReadTemplate(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw Exception("Cannot open template " + path);
  std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  if (file.bad()) throw Exception("Cannot read template " + path);
  return text;
}
}  // namespace

void PrintFlow::Run(TMemoryTable& table, bool open) {
  report_.SetUDFList(&functions_.List());
  const ScopeExit forget_functions([this] { report_.SetUDFList(nullptr); });
  try {
    if (open) {
      report_.ExecuteOpen({&table}, kShowNormal);
    } else {
      report_.Execute({&table});
    }
  } catch (const Exception& e) {
    // The report is written before the desktop is asked to open it.
    constexpr std::string_view kOpenFailed = "Failed to open report results. Error message: ";
    if (open && std::string_view(e.what()).starts_with(kOpenFailed) &&
        FileExists(report_.OutFile())) {
      throw CardNotOpened(e.what(), report_.OutFile());
    }
    throw;
  }
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
  for (int i = 0; i < kAttempts; ++i) {
    std::string name = report_.CreateFileName(folders_.output, "cu");
    if (!FileExists(name)) return name;
  }
  throw Exception("No free name for a new card in " + folders_.output);
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

std::string PrintFlow::PrintBatch(std::string_view layout, TMemoryTable& products, bool open) {
  RunBatch(layout, products, FreshOutputName(), open, true);
  return report_.OutFile();
}

void PrintFlow::WriteBatch(std::string_view layout, TMemoryTable& products,
                           const std::string& path) {
  RunBatch(layout, products, path, false, false);
}

void PrintFlow::RunBatch(std::string_view layout, TMemoryTable& products, const std::string& path,
                         bool open, bool progress) {
  const std::string template_path = TemplatePath(folders_, layout);
  // The engine reads the wrapped template from memory; the layout's file names it in messages.
  report_.SetInFile(template_path);
  report_.SetTemplateBytes(WrapTemplateInScan(ReadTemplate(template_path), products.Name()));
  report_.SetOutFile(path);
  const int cards = products.RecordCount();
  int card = 0;
  if (progress) {
    report_.OnScanRecord = [this, &card, cards](TQeScanInfo&) {
      if (OnProgress) OnProgress(++card, cards);
    };
  }
  const ScopeExit restore([this] {
    report_.OnScanRecord = nullptr;
    report_.ClearTemplateBytes();
  });
  if (OnProcessMessages) OnProcessMessages();
  Run(products, open);
}

int PrintFlow::OpenTemplate(std::string_view layout) {
  return report_.ShellOpen(TemplatePath(folders_, layout), kShowNormal);
}

}  // namespace vorn
