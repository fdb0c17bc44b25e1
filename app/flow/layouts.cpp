#include "app/flow/layouts.h"

#include <fstream>

#include "app/card/print_error.h"
#include "data/field_text.h"
#include "engine/qebasereport/rtf_walker.h"
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
// The number of the first `word` that has one, in twips, or `fallback`. The whole document is
// read: a large font table or stylesheet may stand before the page's size.
double TwipsOf(std::string_view rtf, std::string_view word, double fallback) {
  return FirstWordParam(rtf, word).value_or(fallback);
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
  constexpr double kMmPerTwip = 25.4 / 1440;
  read.width_mm = TwipsOf(read.rtf, "\\paperw", 12240) * kMmPerTwip;
  read.height_mm = TwipsOf(read.rtf, "\\paperh", 15840) * kMmPerTwip;
  return read;
}

std::pair<double, double> LayoutCardSize(const ProgramFolders& folders, std::string_view layout) {
  const LayoutTemplate read = ReadLayout(folders, layout);
  return {read.width_mm, read.height_mm};
}

}  // namespace vorn
