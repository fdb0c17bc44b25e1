#include "app/layouts.h"

#include "data/field_text.h"
#include "platform/files.h"

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

}  // namespace vorn
