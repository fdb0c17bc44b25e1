#include "app/flow/layouts.h"

#include <cstdlib>
#include <fstream>

#include "app/card/print_error.h"
#include "data/field_text.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {

std::optional<std::string> CanonicalLayoutName(std::string_view name) {
  for (std::string_view layout : kLayoutNames) {
    if (SameFieldName(layout, name)) return std::string(layout);
  }
  return std::nullopt;
}

ProgramFolders DefaultProgramFolders() {
  const std::string dir = ExecutableDir();
  return {dir + "/VornSAMPLE", dir + "/VORNTEMP"};
}

std::string TemplatePath(const ProgramFolders& folders, std::string_view layout) {
  return folders.templates + "/" + std::string(layout) + ".rtf";
}

namespace {
// The number after the first `word` in the document's opening, or `fallback`.
double TwipsAfter(const std::string& head, const std::string& word, double fallback) {
  size_t at = head.find(word);
  // The word stands right before its number, as in "\paperw11906".
  while (at != std::string::npos &&
         (at + word.size() >= head.size() || head[at + word.size()] < '0' ||
          head[at + word.size()] > '9')) {
    at = head.find(word, at + 1);
  }
  if (at == std::string::npos) return fallback;
  return std::strtod(head.c_str() + at + word.size(), nullptr);
}
}  // namespace

LayoutTemplate ReadLayout(const ProgramFolders& folders, std::string_view layout) {
  LayoutTemplate read;
  read.name = std::string(layout);
  read.path = TemplatePath(folders, layout);
  std::ifstream file(read.path, std::ios::binary);
  if (!file) {
    throw PrintError(PrintErrorKind::kTemplate,
                     "Can't read report template from file: " + read.path);
  }
  read.rtf.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (file.bad()) {
    throw PrintError(PrintErrorKind::kTemplate,
                     "Can't read report template from file: " + read.path);
  }
  // The document's format stands before its text.
  const std::string head = read.rtf.substr(0, 16384);
  constexpr double kMmPerTwip = 25.4 / 1440;
  read.width_mm = TwipsAfter(head, "\\paperw", 12240) * kMmPerTwip;
  read.height_mm = TwipsAfter(head, "\\paperh", 15840) * kMmPerTwip;
  return read;
}

std::pair<double, double> LayoutCardSize(const ProgramFolders& folders, std::string_view layout) {
  const LayoutTemplate read = ReadLayout(folders, layout);
  return {read.width_mm, read.height_mm};
}

}  // namespace vorn
