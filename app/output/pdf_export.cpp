#include "app/output/pdf_export.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/output/helper_process.h"
#include "app/output/interrupt.h"
#include "app/output/office_profile.h"
#include "app/output/renderer.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;

// How often the caller hears of progress, and may repaint or cancel, while renderers work.
constexpr int kProgressMilliseconds = 20;

std::string PdfPathFor(const std::string& document) {
  fs::path pdf(fs::absolute(document));
  pdf.replace_extension(".pdf");
  return pdf.string();
}

// Sleeps until a busy renderer answers, a signal comes or the progress is due.
void AwaitAnswers(const std::vector<std::unique_ptr<Renderer>>& renderers) {
  std::vector<pollfd> watched;
  for (const auto& renderer : renderers) {
    if (renderer->Busy() && renderer->Socket() >= 0)
      watched.push_back({renderer->Socket(), POLLIN, 0});
  }
  if (InterruptFd() >= 0) watched.push_back({InterruptFd(), POLLIN, 0});
  ::poll(watched.data(), watched.size(), kProgressMilliseconds);
}

// Hands out the documents in order to whichever renderer is free until all are converted.
void ConvertWith(std::vector<std::unique_ptr<Renderer>>& renderers,
                 const std::vector<std::string>& documents, const std::vector<std::string>& pdfs,
                 const std::function<void(size_t done)>& on_progress, std::vector<bool>& made) {
  std::vector<size_t> working(renderers.size());  // the document each busy renderer converts
  size_t next = 0;
  size_t done = 0;
  while (true) {
    for (size_t r = 0; r < renderers.size(); ++r) {
      if (!renderers[r]->Busy() && next < documents.size()) {
        renderers[r]->BeginPdf(documents[next], pdfs[next]);
        working[r] = next++;
      }
    }
    if (on_progress) on_progress(done);
    if (done == documents.size()) return;
    AwaitAnswers(renderers);
    for (size_t r = 0; r < renderers.size(); ++r) {
      if (renderers[r]->Busy() && renderers[r]->Poll()) {
        made[working[r]] = true;
        ++done;
      }
    }
  }
}
}  // namespace

std::string FindOfficeProgram() { return FindProgram("soffice"); }

void RequireRenderer() {
  if (OfficeProgramFolder().empty()) {
    throw Exception("LibreOffice is not installed (no soffice on PATH): cannot make PDFs");
  }
  const std::string program = RendererProgram();
  if (::access(program.c_str(), X_OK) != 0) {
    throw Exception("The program's renderer is missing: " + program);
  }
}

std::string ConvertToPdf(const std::string& document) {
  const std::string pdf = PdfPathFor(document);
  Renderer renderer;
  renderer.BeginPdf(document, pdf);
  renderer.Wait();
  return pdf;
}

void ConvertAllToPdf(const std::vector<std::string>& documents,
                     const std::vector<std::string>& pdfs, int jobs,
                     const std::function<void(size_t done)>& on_progress) {
  if (documents.size() != pdfs.size()) throw Exception("A PDF name is needed for each document");
  if (documents.empty()) return;
  std::vector<bool> made(pdfs.size(), false);
  try {
    const size_t count = std::clamp<size_t>(static_cast<size_t>(jobs), 1, documents.size());
    // A renderer's new profile is copied from another's before either starts: seconds sooner
    // than LibreOffice makes one.
    std::vector<OfficeProfile> profiles(count);
    std::vector<const OfficeProfile*> idle;
    for (const OfficeProfile& profile : profiles) idle.push_back(&profile);
    for (OfficeProfile& profile : profiles) profile.Prepare(idle);
    // Each renderer starts LibreOffice in the background, so they come up side by side.
    std::vector<std::unique_ptr<Renderer>> renderers;
    for (OfficeProfile& profile : profiles) {
      renderers.push_back(std::make_unique<Renderer>(RendererOptions(), std::move(profile)));
    }
    ConvertWith(renderers, documents, pdfs, on_progress, made);
  } catch (...) {
    for (size_t i = 0; i < pdfs.size(); ++i) {
      if (made[i]) DeleteFile(pdfs[i]);
    }
    throw;
  }
}

std::vector<std::string> ConvertAllToPdf(const std::vector<std::string>& documents, int jobs,
                                         const std::function<void(size_t done)>& on_progress) {
  std::vector<std::string> pdfs;
  for (const std::string& document : documents) pdfs.push_back(PdfPathFor(document));
  ConvertAllToPdf(documents, pdfs, jobs, on_progress);
  return pdfs;
}

}  // namespace vorn
