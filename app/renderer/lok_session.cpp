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
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "app/output/staged_file.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/scope_exit.h"

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

// LibreOffice marks the corners of the text area on screen; a preview shows the card as it
// prints, so the profile turns the marks off before LibreOffice reads it.
constexpr std::string_view kHideTextBoundaries =
    "<item oor:path=\"/org.openoffice.Office.UI/ColorScheme/ColorSchemes/"
    "org.openoffice.Office.UI:ColorScheme['LibreOffice']/DocBoundaries\"><prop "
    "oor:name=\"IsVisible\" oor:op=\"fuse\"><value>false</value></prop></item>\n";
constexpr std::string_view kItemsEnd = "</oor:items>";
constexpr std::string_view kEmptySettings =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<oor:items "
    "xmlns:oor=\"http://openoffice.org/2001/registry\" "
    "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n</oor:items>\n";
// A page as printed: no shadow around it.
constexpr const char* kPrintView =
    "{\".uno:ShowBorderShadow\":{\"type\":\"boolean\",\"value\":\"false\"}}";

std::string ReadWhole(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Adds the setting to the profile's settings, made when the profile is new (LibreOffice fills
// in the rest). A profile it cannot be written into only shows the marks.
void HideTextBoundaries(const std::string& profile) {
  const std::string folder = profile + "/user";
  const std::string settings_path = folder + "/registrymodifications.xcu";
  std::string settings = ReadWhole(settings_path);
  if (settings.empty()) settings = kEmptySettings;
  const size_t end = settings.rfind(kItemsEnd);
  if (settings.find("/DocBoundaries\"") != std::string::npos || end == std::string::npos) return;
  settings.insert(end, kHideTextBoundaries);
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const std::string passing = settings_path + ".vornreport";
  std::ofstream(passing, std::ios::binary | std::ios::trunc) << settings;
  if (::rename(passing.c_str(), settings_path.c_str()) != 0) ::unlink(passing.c_str());
}

// The text between `start` and the next `end` after it, or "".
std::string TextAfter(const std::string& text, std::string_view start, std::string_view end) {
  const size_t from = text.find(start);
  if (from == std::string::npos) return std::string();
  const size_t begin = from + start.size();
  const size_t until = text.find(end, begin);
  return until == std::string::npos ? std::string() : text.substr(begin, until - begin);
}

// Owns a string LibreOfficeKit allocated.
struct Freed {
  char* text;
  ~Freed() { std::free(text); }
};
}  // namespace

LokSession::LokSession(const std::string& office, const std::string& profile, std::string folder)
    : profile_(profile), folder_(std::move(folder)) {
  HideTextBoundaries(profile);
  office_.reset(lok::lok_cpp_init(office.c_str(), FileUrl(profile).c_str()));
  if (!office_) throw Exception("LibreOfficeKit did not start from " + office);
}

LokSession::~LokSession() = default;

std::string LokSession::Version() {
  const Freed info{office_->getVersionInfo()};
  return info.text != nullptr ? info.text : "";
}

bool LokSession::ProfileSettled() {
  const std::string running = TextAfter(Version(), "\"ProductVersion\": \"", "\"");
  const std::string recorded =
      TextAfter(TextAfter(ReadWhole(profile_ + "/user/registrymodifications.xcu"),
                          "oor:name=\"ooSetupLastVersion\"", "</item>"),
                "<value>", "</value>");
  return !running.empty() && running == recorded;
}

void LokSession::SettleProfile() {
  const std::string card = folder_ + "/settle.rtf";
  std::ofstream(card) << "{\\rtf1\\ansi x\\par}";
  std::unique_ptr<lok::Document> loaded(office_->documentLoad(FileUrl(card).c_str()));
  loaded.reset();
  office_.reset();
  UnstageFile(card);
}

std::string LokSession::ErrorText() {
  const Freed error{office_->getError()};
  return error.text != nullptr && *error.text != '\0' ? error.text : "no reason given";
}

std::string LokSession::Stage(const std::string& document) {
  const std::string staged = folder_ + "/document-" + std::to_string(++serial_) + ".rtf";
  StageFile(document, staged);
  return staged;
}

RenderMessage LokSession::Pdf(const std::string& document) {
  if (!FileExists(document)) return Failed("Cannot open the document " + document);
  const std::string staged = Stage(document);
  const ScopeExit unstage([&staged] { UnstageFile(staged); });
  std::unique_ptr<lok::Document> loaded(office_->documentLoad(FileUrl(staged).c_str()));
  if (!loaded) return Failed("LibreOffice cannot read " + document + ": " + ErrorText());
  const std::string pdf = folder_ + "/document-" + std::to_string(serial_) + ".pdf";
  if (!loaded->saveAs(FileUrl(pdf).c_str(), "pdf", nullptr)) {
    ::unlink(pdf.c_str());
    if (LowOnSpace(folder_)) {
      return Failed("Cannot write the PDF of " + document +
                    ": no space left in the temporary folder " + DirName(folder_));
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
  const std::string staged = Stage(document);
  const ScopeExit unstage([&staged] { UnstageFile(staged); });
  std::unique_ptr<lok::Document> loaded(office_->documentLoad(FileUrl(staged).c_str()));
  if (!loaded) return Failed("LibreOffice cannot read " + document + ": " + ErrorText());
  loaded->initializeForRendering(kPrintView);
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
