#include "app/pdf_export.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;

std::string PdfPathFor(const std::string &document) {
  fs::path pdf(document);
  pdf.replace_extension(".pdf");
  return pdf.string();
}

std::string RequireOffice(const std::string &what) {
  const std::string office = FindOfficeProgram();
  if (office.empty()) {
    throw Exception("LibreOffice is not installed (no soffice on PATH); cannot " + what);
  }
  return office;
}

// Each LibreOffice process of a run needs a profile of its own: two sharing one would hand
// their work to each other.
std::string ProfileFor(int slot) {
  std::string profile = TempDir() + "/vornreport-office-" + std::to_string(::getuid());
  if (slot > 0) profile += "-" + std::to_string(slot);
  return "-env:UserInstallation=file://" + profile;
}

std::vector<std::string> PdfCommand(const std::string &office, int slot,
                                    const std::string &document) {
  return {office, ProfileFor(slot), "--headless",
          // Cards are RTF under a ".doc" name; the Word filter would refuse them.
          "--infilter=Rich Text Format", "--convert-to", "pdf", "--outdir",
          fs::path(document).parent_path().string(), document};
}
}  // namespace

std::string FindOfficeProgram() { return FindProgram("soffice"); }

std::string ConvertToPdf(const std::string &document) {
  const std::string office = RequireOffice("write the PDF of " + document);
  const std::string absolute = fs::absolute(document).string();
  const std::string pdf = PdfPathFor(absolute);
  // A PDF left from an earlier run must not pass for this one's.
  DeleteFile(pdf);
  const int status = RunProgram(PdfCommand(office, 0, absolute));
  if (status != 0 || !FileExists(pdf)) {
    throw Exception("LibreOffice could not convert the document to PDF: " + document);
  }
  return pdf;
}

std::vector<std::string> ConvertAllToPdf(const std::vector<std::string> &documents, int jobs,
                                         const std::function<void(size_t done)> &on_progress) {
  const std::string office = RequireOffice("write the PDF of " + documents.front());
  std::vector<std::string> pdfs;
  for (const std::string &document : documents) {
    pdfs.push_back(PdfPathFor(fs::absolute(document).string()));
    DeleteFile(pdfs.back());
  }
  jobs = std::max(1, jobs);
  struct Running {
    std::unique_ptr<ChildProcess> process;
    size_t document = 0;
  };
  std::vector<Running> slots(static_cast<size_t>(jobs));
  size_t next = 0;
  size_t done = 0;
  while (done < documents.size()) {
    for (size_t slot = 0; slot < slots.size(); ++slot) {
      Running &running = slots[slot];
      if (running.process && running.process->Finished()) {
        const size_t document = running.document;
        if (running.process->Status() != 0 || !FileExists(pdfs[document])) {
          throw Exception("LibreOffice could not convert the document to PDF: " +
                          documents[document]);
        }
        running.process.reset();
        if (on_progress) on_progress(++done);
      }
      if (!running.process && next < documents.size()) {
        running.document = next;
        running.process = std::make_unique<ChildProcess>(
            PdfCommand(office, static_cast<int>(slot), fs::absolute(documents[next]).string()));
        ++next;
      }
    }
    if (done < documents.size()) {
      // The caller may repaint and take a cancel while the processes work.
      if (on_progress) on_progress(done);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return pdfs;
}

bool IsSpreadsheetFile(const std::string &path) {
  std::string extension = fs::path(path).extension().string();
  for (char &c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return extension == ".xlsx" || extension == ".xls" || extension == ".ods" ||
         extension == ".xlsm" || extension == ".fods";
}

std::string ConvertSpreadsheetToCsv(const std::string &spreadsheet, const std::string &folder) {
  const std::string office = RequireOffice("read the spreadsheet " + spreadsheet);
  if (!FileExists(spreadsheet)) throw Exception("Cannot open data file: " + spreadsheet);
  const std::string absolute = fs::absolute(spreadsheet).string();
  fs::path csv = fs::path(folder) / fs::path(absolute).filename();
  csv.replace_extension(".csv");
  DeleteFile(csv.string());
  // Comma between cells, double quotes around text, UTF-8 (76), from the first row, cells as
  // they are stored rather than as shown (a barcode shown as 4.71E+12, a price as $1,280), of
  // the first sheet.
  const int status =
      RunProgram({office, ProfileFor(0), "--headless", "--convert-to",
                  "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false",
                  "--outdir", folder, absolute});
  if (status != 0 || !FileExists(csv.string())) {
    throw Exception("LibreOffice could not read the spreadsheet " + spreadsheet);
  }
  return csv.string();
}

}  // namespace vorn
