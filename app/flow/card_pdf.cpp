#include "app/flow/card_pdf.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "app/card/print_error.h"
#include "app/flow/batch_document.h"
#include "app/flow/print_flow.h"
#include "app/output/label_sheets.h"
#include "app/output/pdf_export.h"
#include "app/output/printing.h"
#include "app/output/work_folder.h"
#include "engine/qertf/qertf.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/shell_open.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;

// A renderer lays out a part of 60 to 100 cards fastest a card: smaller ones pay more for each
// document, larger ones are laid out ever more slowly.
constexpr int kMinCardsPerPart = 60;
constexpr int kMaxCardsPerPart = 100;

int JobCount(int asked) {
  if (const char* jobs = std::getenv("VORN_PDF_JOBS"); jobs != nullptr && *jobs != '\0') {
    asked = std::atoi(jobs);
  }
  if (asked <= 0) asked = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(asked, 1, 16);
}

}  // namespace

int CardsPerPart(int cards, int jobs) {
  if (const char* size = std::getenv("VORN_PDF_PART_CARDS"); size != nullptr && *size != '\0') {
    return std::max(1, std::atoi(size));
  }
  // A renderer converts part after part in one start, so parts cost little, let the progress
  // move, and spare LibreOffice the long documents it lays out ever more slowly; four a
  // renderer at least.
  const int even = (cards + jobs * 4 - 1) / (jobs * 4);
  return std::clamp(even, kMinCardsPerPart, kMaxCardsPerPart);
}

std::string MakeCardPdf(const std::string& document, int cards, const CardPdfOptions& options) {
  const int jobs = JobCount(options.jobs);
  const int per_part = CardsPerPart(cards, jobs);
  fs::path pdf(fs::absolute(document));
  pdf.replace_extension(".pdf");
  const WorkFolder folder("vornreport-parts-");
  std::vector<std::string> documents = {document};
  if (cards > per_part) documents = WriteBatchParts(document, per_part, folder.Path());
  const auto progress = [&](size_t done) {
    if (options.on_progress) {
      options.on_progress(std::min(cards, static_cast<int>(done) * per_part), cards);
    }
  };
  if (options.on_progress) options.on_progress(0, cards);
  // Only the finished PDF takes the output's name: a card to be placed on labels, and the
  // parts, are made in the private folder.
  std::vector<std::string> pdfs;
  if (documents.size() == 1 && options.sheet == nullptr) {
    pdfs.push_back(pdf.string());
  } else {
    for (size_t i = 0; i < documents.size(); ++i) {
      pdfs.push_back(folder.Path() + "/part" + std::to_string(i + 1) + ".pdf");
    }
  }
  ConvertAllToPdf(documents, pdfs, jobs, progress);
  if (options.sheet != nullptr) {
    ImposeCards(pdfs, *options.sheet, options.imposition, pdf.string());
  } else if (pdfs.size() > 1) {
    JoinPdfs(pdfs, pdf.string());
  }
  return pdf.string();
}

void OpenCardPdf(const std::string& pdf) {
  const int code = ShellOpenFile(pdf, kShowNormal);
  if (code <= 32) {
    throw CardNotOpened("Failed to open the PDF. Error message: " + TQeRTF::ShellErrorText(code),
                        pdf);
  }
}

std::string PublishCardPdf(const std::string& document, const std::string& pdf,
                           const std::string& folder) {
  const std::string final_pdf = folder + "/" + fs::path(pdf).filename().string();
  MoveFileInto(pdf, final_pdf);
  MoveFileInto(document, folder + "/" + fs::path(document).filename().string());
  return final_pdf;
}

void CheckPdfPossible() {
  try {
    RequireRenderer();
  } catch (const PrintError&) {
    throw;
  } catch (const Exception& e) {
    throw PrintError(PrintErrorKind::kRenderer, e.what());
  }
}

void CheckPrinterKnown(const std::string& printer) {
  try {
    CheckPrinter(printer);
  } catch (const Exception& e) {
    throw PrintError(PrintErrorKind::kPrinter, e.what());
  }
}

std::string SendPdfToPrinter(const std::string& pdf, const std::string& printer) {
  try {
    return PrintPdf(pdf, printer, fs::path(pdf).filename().string());
  } catch (const Exception& e) {
    throw PrintError(PrintErrorKind::kPrinter, e.what());
  }
}

}  // namespace vorn
