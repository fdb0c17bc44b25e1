#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vorn {

struct LabelSheet;

// How cards go onto label sheets.
struct ImpositionOptions {
  int first_label = 1;   // the first free label of the first sheet, counted in reading order
  int repeat = 1;        // how often each card is placed, for one card on a whole sheet
  bool outline = false;  // draw each label's outline, for a test print on plain paper
};

// Throws vorn::Exception when the options do not suit the sheet (a first label beyond it), so
// a run can refuse before it does any work; ImposeCards checks the same.
void CheckImposition(const LabelSheet& sheet, const ImpositionOptions& options);

// Places the pages of `card_pdfs` (one card a page, the files in order) on the labels of
// `sheet` in reading order, each card centred on its label, and writes the sheets to
// `sheet_pdf` (under a temporary name until it is complete). The cards stay vector graphics:
// each is placed as a form, never rendered. Returns the number of sheets. Throws
// vorn::Exception for a card PDF that cannot be read, a first label beyond the sheet, or a
// card larger than the labels (naming both sizes).
int ImposeCards(const std::vector<std::string>& card_pdfs, const LabelSheet& sheet,
                const ImpositionOptions& options, const std::string& sheet_pdf);

// Joins the pages of `pdfs` into `joined_pdf` in order, as they are.
void JoinPdfs(const std::vector<std::string>& pdfs, const std::string& joined_pdf);

// The size in millimetres of the first page of a PDF.
std::pair<double, double> FirstPageSize(const std::string& pdf);

}  // namespace vorn
