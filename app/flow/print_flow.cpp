#include "app/flow/print_flow.h"

#include <cstdlib>
#include <optional>
#include <set>

#include "app/card/card_date.h"
#include "app/card/print_error.h"
#include "app/card/product_table.h"
#include "app/card/record_text.h"
#include "app/flow/batch_document.h"
#include "data/memory_table.h"
#include "engine/conscom/exceptions.h"
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
    : report_(report), table_(table), folders_(std::move(folders)), card_day_(LocalToday()) {}

namespace {
CardNotice QrNotice(std::string place, std::string product, const std::string& text) {
  return {CardNotice::Kind::kCardFault, std::move(place), std::move(product), "QR",
          "printed without the QR code: its text (" + std::to_string(text.size()) +
              " bytes) is too long for the code's room on the card"};
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
  } catch (const EIOError& e) {
    // A failed run leaves no card under its fresh name, so a card that stands there was
    // written whole and only the desktop's opening failed.
    if (open && FileExists(report_.OutFile())) throw CardNotOpened(e.what(), report_.OutFile());
    throw;
  } catch (const EBadRtfFormat& e) {
    throw PrintError(PrintErrorKind::kTemplate, e.what());
  } catch (const EIllegalScanUse& e) {
    throw PrintError(PrintErrorKind::kTemplate, e.what());
  } catch (const EIllegalIFUse& e) {
    throw PrintError(PrintErrorKind::kTemplate, e.what());
  } catch (const EIllegalFunctionUse& e) {
    throw PrintError(PrintErrorKind::kTemplate, e.what());
  }
}

void PrintFlow::PostRecord() {
  const TDataSetState state = table_.State();
  if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert) return;
  if (OnBeforePost) OnBeforePost();
  try {
    table_.Post();
  } catch (const PrintError&) {
    throw;
  } catch (const Exception& e) {
    // What the table refuses at a post is a value the card needs.
    throw PrintError(PrintErrorKind::kRequiredValue, e.what());
  }
}

std::string PrintFlow::FreshOutputName() {
  // Names come from the clock and a random number; two runs within one
  // millisecond may draw the same one, and a card already written must never be
  // overwritten.
  constexpr int kAttempts = 64;
  try {
    for (int i = 0; i < kAttempts; ++i) {
      std::string name = report_.CreateFileName(folders_.output, "cu");
      if (FileExists(name)) continue;
      if (staging_.empty()) return name;
      return staging_ + "/" + name.substr(name.find_last_of('/') + 1);
    }
  } catch (const Exception& e) {
    throw PrintError(PrintErrorKind::kOutputFolder, e.what());
  }
  throw PrintError(PrintErrorKind::kOutputFolder,
                   "No free name for a new card in " + folders_.output);
}

PrintedCards PrintFlow::PrintLayout(std::string_view layout, bool open) {
  return WriteLayout(layout, std::nullopt, open);
}

PrintedCards PrintFlow::WriteCard(std::string_view layout, const std::string& path) {
  return WriteLayout(layout, path, false);
}

PrintedCards PrintFlow::WriteLayout(std::string_view layout, const std::optional<std::string>& path,
                                    bool open) {
  PostRecord();
  PrintedCards printed;
  table_.Edit();
  try {
    printed.notices = FillCardFields(table_, card_day_);
    table_.Post();
  } catch (...) {
    table_.Cancel();
    throw;
  }
  const LayoutTemplate read = ReadLayout(folders_, layout);
  report_.SetInFile(read.path);
  report_.SetTemplateBytes(read.rtf);
  const ScopeExit forget_template([this] { report_.ClearTemplateBytes(); });
  report_.SetOutFile(path ? *path : FreshOutputName());
  if (OnProcessMessages) OnProcessMessages();
  if (std::optional<CardNotice> barcode = CheckBarcodeOf(table_)) {
    printed.notices.push_back(std::move(*barcode));
  }
  functions_.TakeTooLongQrTexts();
  Run(table_, open);
  for (const std::string& text : functions_.TakeTooLongQrTexts()) {
    printed.notices.push_back(QrNotice("", Utf8FromRecordBytes(table_.Fields(0).AsString()), text));
    break;  // one card, one code
  }
  printed.path = report_.OutFile();
  return printed;
}

std::string PrintFlow::PrintBatch(const LayoutTemplate& layout, BatchProducts& batch, bool open) {
  TMemoryTable& products = *batch.table;
  // The engine reads the wrapped template from memory; the layout's file names it in messages.
  report_.SetInFile(layout.path);
  report_.SetTemplateBytes(WrapTemplateInScan(layout.rtf, products.Name()));
  report_.SetOutFile(FreshOutputName());
  const int cards = products.RecordCount();
  int card = 0;
  report_.OnScanRecord = [this, &card, cards](TQeScanInfo&) {
    if (OnProgress) OnProgress(++card, cards);
  };
  const ScopeExit restore([this] {
    report_.OnScanRecord = nullptr;
    report_.ClearTemplateBytes();
  });
  if (OnProcessMessages) OnProcessMessages();
  functions_.TakeTooLongQrTexts();
  Run(products, open);
  const std::vector<std::string> too_long = functions_.TakeTooLongQrTexts();
  if (!too_long.empty()) {
    const std::set<std::string> texts(too_long.begin(), too_long.end());
    for (const BatchProduct& product : batch.products) {
      if (texts.contains(product.values.qr)) {
        batch.notices.push_back(
            QrNotice(product.place, product.values.product_id, product.values.qr));
      }
    }
    SortByPlace(batch.notices);
  }
  return report_.OutFile();
}

int PrintFlow::OpenTemplate(std::string_view layout) {
  return report_.ShellOpen(TemplatePath(folders_, layout), kShowNormal);
}

}  // namespace vorn
