#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace vorn {

// The five card layouts; each is the template "<name>.rtf".
inline constexpr std::array<std::string_view, 5> kLayoutNames = {"B5", "A4", "SM1", "SM2", "OTHER"};

// The layout's own spelling of `name`, compared without regard to the case of A-Z.
std::optional<std::string> CanonicalLayoutName(std::string_view name);

// The folders the program reads templates from and writes cards into.
struct ProgramFolders {
  std::string templates;
  std::string output;
};

// VornSAMPLE and VORNTEMP beside the executable.
ProgramFolders DefaultProgramFolders();

std::string TemplatePath(const ProgramFolders& folders, std::string_view layout);

// A layout's template as a run reads it, once: its bytes and the size of one card in
// millimetres, the template's paper size from its \paperw and \paperh (RTF's Letter when it
// gives none).
struct LayoutTemplate {
  std::string name;
  std::string path;
  std::string rtf;
  double width_mm = 0;
  double height_mm = 0;
};

// Reads the layout's template. Throws vorn::Exception ("Can't read report template from file:
// PATH") when it cannot be read.
LayoutTemplate ReadLayout(const ProgramFolders& folders, std::string_view layout);

// The size of the layout's card in millimetres (ReadLayout).
std::pair<double, double> LayoutCardSize(const ProgramFolders& folders, std::string_view layout);

}  // namespace vorn
