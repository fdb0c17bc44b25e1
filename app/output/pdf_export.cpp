#include "app/output/pdf_export.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "app/output/office_profile.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;

std::string PdfPathFor(const std::string& document) {
  fs::path pdf(document);
  pdf.replace_extension(".pdf");
  return pdf.string();
}

std::string RequireOffice(const std::string& what) {
  const std::string office = FindOfficeProgram();
  if (office.empty()) {
    throw Exception("LibreOffice is not installed (no soffice on PATH); cannot " + what);
  }
  return office;
}

// One LibreOffice start converting `documents` in turn into PDFs in `folder`.
std::vector<std::string> PdfCommand(const std::string& office, const OfficeProfile& profile,
                                    const std::string& folder, std::vector<std::string> documents) {
  std::vector<std::string> command = {office, profile.SofficeArgument(), "--headless",
                                      // Cards are RTF under a ".doc" name; the Word filter would
                                      // refuse them.
                                      "--infilter=Rich Text Format", "--convert-to", "pdf",
                                      "--outdir", folder};
  command.insert(command.end(), documents.begin(), documents.end());
  return command;
}
}  // namespace

std::string FindOfficeProgram() { return FindProgram("soffice"); }

std::string ConvertToPdf(const std::string& document) {
  const std::string office = RequireOffice("write the PDF of " + document);
  const std::string absolute = fs::absolute(document).string();
  const std::string pdf = PdfPathFor(absolute);
  // A PDF left from an earlier run must not pass for this one's.
  DeleteFile(pdf);
  const OfficeProfile profile;
  const int status = RunProgram(
      PdfCommand(office, profile, fs::path(absolute).parent_path().string(), {absolute}));
  if (status != 0 || !FileExists(pdf)) {
    throw Exception("LibreOffice could not convert the document to PDF: " + document);
  }
  return pdf;
}

std::vector<std::string> ConvertAllToPdf(const std::vector<std::string>& documents, int jobs,
                                         const std::function<void(size_t done)>& on_progress) {
  const std::string office = RequireOffice("write the PDF of " + documents.front());
  std::vector<std::string> pdfs;
  for (const std::string& document : documents) {
    pdfs.push_back(PdfPathFor(fs::absolute(document).string()));
    DeleteFile(pdfs.back());
  }
  // A LibreOffice start costs seconds: each process converts a run of the documents in one
  // go, the runs as even as the documents allow.
  const size_t processes = std::clamp<size_t>(static_cast<size_t>(jobs), 1, documents.size());
  struct Run {
    size_t first = 0;
    size_t end = 0;
    // Each process needs a profile of its own: two sharing one would hand their work over.
    OfficeProfile profile;
    std::unique_ptr<ChildProcess> process;
  };
  std::vector<Run> runs(processes);
  for (size_t i = 0; i < processes; ++i) {
    runs[i].first = documents.size() * i / processes;
    runs[i].end = documents.size() * (i + 1) / processes;
    std::vector<std::string> run_documents;
    for (size_t d = runs[i].first; d < runs[i].end; ++d) {
      run_documents.push_back(fs::absolute(documents[d]).string());
    }
    // The documents of a run share a folder, as the parts of a batch do.
    runs[i].process = std::make_unique<ChildProcess>(
        PdfCommand(office, runs[i].profile, fs::path(pdfs[runs[i].first]).parent_path().string(),
                   std::move(run_documents)));
  }
  while (true) {
    size_t done = 0;
    bool all_finished = true;
    for (Run& run : runs) {
      if (run.process->Finished()) {
        for (size_t d = run.first; d < run.end; ++d) {
          if (run.process->Status() != 0 || !FileExists(pdfs[d])) {
            throw Exception("LibreOffice could not convert the document to PDF: " + documents[d]);
          }
        }
        done += run.end - run.first;
        continue;
      }
      all_finished = false;
      // A run writes its PDFs in order; the newest may be half written.
      size_t written = run.first;
      while (written < run.end && FileExists(pdfs[written])) ++written;
      if (written > run.first) done += written - run.first - 1;
    }
    // The caller may repaint and take a cancel while the processes work.
    if (on_progress) on_progress(done);
    if (all_finished) return pdfs;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

bool IsSpreadsheetFile(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return extension == ".xlsx" || extension == ".xls" || extension == ".ods" ||
         extension == ".xlsm" || extension == ".fods";
}

std::string ConvertSpreadsheetToCsv(const std::string& spreadsheet, const std::string& folder) {
  const std::string office = RequireOffice("read the spreadsheet " + spreadsheet);
  if (!FileExists(spreadsheet)) throw Exception("Cannot open data file: " + spreadsheet);
  const std::string absolute = fs::absolute(spreadsheet).string();
  fs::path csv = fs::path(folder) / fs::path(absolute).filename();
  csv.replace_extension(".csv");
  DeleteFile(csv.string());
  // Comma between cells, double quotes around text, UTF-8 (76), from the first row, cells as
  // they are stored rather than as shown (a barcode shown as 4.71E+12, a price as $1,280), of
  // the first sheet.
  const OfficeProfile profile;
  const int status =
      RunProgram({office, profile.SofficeArgument(), "--headless", "--convert-to",
                  "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false",
                  "--outdir", folder, absolute});
  if (status != 0 || !FileExists(csv.string())) {
    throw Exception("LibreOffice could not read the spreadsheet " + spreadsheet);
  }
  return csv.string();
}

}  // namespace vorn
