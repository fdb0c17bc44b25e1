#pragma once

#include <string>
#include <string_view>

namespace vorn {

// What the operator chose for a batch in the dialog.
struct BatchChoice {
  std::string layout;
  std::string sheet;    // a label sheet's manufacturer and label name, or "" for one card a page
  int first_label = 1;  // on the first sheet
  bool outline = false;
  bool print = false;   // send the PDF to `printer` instead of opening the document
  std::string printer;  // "" for the default printer
  // Print only the products whose card changed since it was last printed on the layout; chosen
  // for each batch anew, never kept.
  bool changed_only = false;
};

// The file of the one setting the program keeps, the last batch choice of each layout:
// $XDG_CONFIG_HOME/vornreport/batch.ini, ~/.config/vornreport/batch.ini when that is unset.
std::string BatchSettingsPath();

// The choice last made for `layout` (its sheet, outline and printer; first label 1), or for
// the layout used last when `layout` is empty; B5 the first time.
BatchChoice LoadBatchChoice(std::string_view layout);

// Remembers the choice for its layout and as the layout used last.
void SaveBatchChoice(const BatchChoice& choice);

}  // namespace vorn
