#include "app/renderer/lok_session.h"

#define LOK_USE_UNSTABLE_API
#include <sys/statvfs.h>
#include <unistd.h>

#include <LibreOfficeKit/LibreOfficeKit.hxx>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
// Widths a preview may ask for; beyond them a page would take hundreds of megabytes.
constexpr int kMinWidth = 16;
constexpr int kMaxWidth = 4000;
constexpr int kMaxHeight = 8000;
// Below this LibreOffice cannot be expected to write a PDF.
constexpr unsigned long long kLowSpaceBytes = 1024 * 1024;

struct PageRect {
  long x = 0, y = 0, width = 0, height = 0;  // twips
};

// "x, y, w, h; x, y, w, h; ..." as LibreOfficeKit lists a text document's pages.
std::vector<PageRect> ParsePageRects(const char* text) {
  std::vector<PageRect> pages;
  while (text != nullptr && *text != '\0') {
    PageRect page;
    int consumed = 0;
    if (std::sscanf(text, " %ld , %ld , %ld , %ld%n", &page.x, &page.y, &page.width, &page.height,
                    &consumed) != 4) {
      break;
    }
    pages.push_back(page);
    text += consumed;
    while (*text == ';' || *text == ' ') ++text;
  }
  return pages;
}

// The protocol gives pixels as native 32-bit ARGB, which on this little-endian machine is blue,
// green, red, alpha in memory.
void SwapRedAndBlue(std::string& pixels) {
  for (size_t i = 0; i + 3 < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
}

RenderMessage Failed(std::string why) {
  RenderMessage answer;
  answer.verb = RenderVerb::kFailed;
  answer.fields = {std::move(why)};
  return answer;
}

bool LowOnSpace(const std::string& folder) {
  struct statvfs st {};
  return ::statvfs(folder.c_str(), &st) == 0 &&
         static_cast<unsigned long long>(st.f_bavail) * st.f_frsize < kLowSpaceBytes;
}

// Owns a string LibreOfficeKit allocated.
struct Freed {
  char* text;
  ~Freed() { std::free(text); }
};
}  // namespace

LokSession::LokSession(const std::string& office, const std::string& profile, std::string folder)
    : folder_(std::move(folder)) {
  office_.reset(lok::lok_cpp_init(office.c_str(), FileUrl(profile).c_str()));
  if (!office_) throw Exception("LibreOfficeKit did not start from " + office);
}

LokSession::~LokSession() = default;

std::string LokSession::Version() {
  const Freed info{office_->getVersionInfo()};
  return info.text != nullptr ? info.text : "";
}

std::string LokSession::ErrorText() {
  const Freed error{office_->getError()};
  return error.text != nullptr && *error.text != '\0' ? error.text : "no reason given";
}

std::string LokSession::LinkTo(const std::string& document) {
  const std::string link = folder_ + "/document-" + std::to_string(++serial_) + ".rtf";
  if (::symlink(document.c_str(), link.c_str()) != 0) {
    throw Exception("Cannot read the document " + document + ": " + std::strerror(errno));
  }
  return link;
}

RenderMessage LokSession::Pdf(const std::string& document) {
  if (!FileExists(document)) return Failed("Cannot open the document " + document);
  const std::string link = LinkTo(document);
  std::unique_ptr<lok::Document> loaded(office_->documentLoad(FileUrl(link).c_str()));
  ::unlink(link.c_str());
  if (!loaded) return Failed("LibreOffice cannot read " + document + ": " + ErrorText());
  const std::string pdf = folder_ + "/document-" + std::to_string(serial_) + ".pdf";
  if (!loaded->saveAs(FileUrl(pdf).c_str(), "pdf", nullptr)) {
    ::unlink(pdf.c_str());
    if (LowOnSpace(folder_)) {
      return Failed("Cannot write the PDF of " + document + ": no space left in " + folder_);
    }
    return Failed("LibreOffice cannot write the PDF of " + document + ": " + ErrorText());
  }
  RenderMessage answer;
  answer.verb = RenderVerb::kDone;
  answer.fields = {pdf, std::to_string(loaded->getParts())};
  return answer;
}

RenderMessage LokSession::Page(const std::string& document, int page, int width) {
  if (width < kMinWidth || width > kMaxWidth) {
    return Failed("A page is drawn from " + std::to_string(kMinWidth) + " to " +
                  std::to_string(kMaxWidth) + " pixels wide: " + std::to_string(width));
  }
  if (!FileExists(document)) return Failed("Cannot open the document " + document);
  const std::string link = LinkTo(document);
  std::unique_ptr<lok::Document> loaded(office_->documentLoad(FileUrl(link).c_str()));
  ::unlink(link.c_str());
  if (!loaded) return Failed("LibreOffice cannot read " + document + ": " + ErrorText());
  loaded->initializeForRendering(nullptr);
  const Freed listed{loaded->getPartPageRectangles()};
  const std::vector<PageRect> pages = ParsePageRects(listed.text);
  if (page < 0 || page >= static_cast<int>(pages.size())) {
    return Failed("The document has " + std::to_string(pages.size()) + " page(s), no page " +
                  std::to_string(page + 1) + ": " + document);
  }
  const PageRect& rect = pages[static_cast<size_t>(page)];
  if (rect.width <= 0 || rect.height <= 0) return Failed("The page is empty: " + document);
  const int height = static_cast<int>(std::clamp<long long>(
      (static_cast<long long>(width) * rect.height + rect.width / 2) / rect.width, 1, kMaxHeight));
  RenderMessage answer;
  answer.verb = RenderVerb::kDone;
  answer.fields = {std::to_string(pages.size()), std::to_string(width), std::to_string(height)};
  answer.data.assign(static_cast<size_t>(width) * height * 4, '\0');
  loaded->paintTile(reinterpret_cast<unsigned char*>(answer.data.data()), width, height,
                    static_cast<int>(rect.x), static_cast<int>(rect.y),
                    static_cast<int>(rect.width), static_cast<int>(rect.height));
  if (loaded->getTileMode() == LOK_TILEMODE_RGBA) SwapRedAndBlue(answer.data);
  return answer;
}

}  // namespace vorn
