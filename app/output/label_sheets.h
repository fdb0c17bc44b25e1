#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// A sheet of labels as the office suite's label database describes it; lengths in millimetres.
struct LabelSheet {
  std::string manufacturer;  // "Avery A4"
  std::string name;          // "L7413 Business Card"
  double pitch_x = 0;        // from one label's left edge to the next one's
  double pitch_y = 0;
  double label_width = 0;
  double label_height = 0;
  double left = 0;  // the first label's distance from the sheet's edges
  double top = 0;
  int columns = 0;
  int rows = 0;
  double page_width = 0;
  double page_height = 0;

  // The product code, the first word of the name: "L7413".
  std::string Code() const;
  // "Avery A4 L7413", how a user names the sheet.
  std::string FullName() const;
  // "Avery A4 L7413 Business Card": how the dialog offers the sheet and the print history keeps
  // where its next free label is.
  std::string Key() const { return manufacturer + " " + name; }
  int LabelsPerSheet() const { return columns * rows; }
  // The label after `used` labels filled from `first_label` on, on this sheet or a later one:
  // where the next run on the sheet begins.
  int LabelAfter(int first_label, int used) const {
    return (first_label - 1 + used) % LabelsPerSheet() + 1;
  }
  // Why no card may be placed by this sheet's grid, "" when cards may: labels reaching past
  // the paper or overlapping, as a typing mistake in the database leaves them.
  std::string Unusable() const;
};

// The label database of the installed office suite: $VORN_LABELS_FILE when set, else
// share/labels/labels.xml beside LibreOffice's program folder; "" when there is none.
std::string DefaultLabelsFile();

// Reads every sheet of the database that lies in a grid. Throws vorn::Exception naming the
// file when it cannot be read or is no label database.
std::vector<LabelSheet> LoadLabelSheets(const std::string& path);

// The sheet called `name`: a manufacturer and a product code or the whole label name, in any
// case ("avery a4 l7413"). Throws vorn::Exception when no sheet or several different ones
// answer to it, or when every sheet that does is unusable (naming the reason).
const LabelSheet& FindLabelSheet(const std::vector<LabelSheet>& sheets, std::string_view name);

// The usable sheets whose labels hold a card of the given size, whose full name contains
// `filter` (any case; every sheet for an empty filter), in the database's order.
std::vector<const LabelSheet*> SheetsHolding(const std::vector<LabelSheet>& sheets,
                                             double card_width, double card_height,
                                             std::string_view filter);

// The unusable sheets (LabelSheet::Unusable) whose full name contains `filter`, in order.
std::vector<const LabelSheet*> UnusableSheets(const std::vector<LabelSheet>& sheets,
                                              std::string_view filter);

// Throws vorn::Exception naming both sizes when a card does not fit the sheet's labels.
void CheckCardFits(const LabelSheet& sheet, double card_width, double card_height);

// "90 x 50.8 mm".
std::string SizeText(double width, double height);

}  // namespace vorn
