#pragma once

#include <string>
#include <vector>

namespace vorn {

// Something about a product that the operator must hear of although the run went on.
struct CardNotice {
  enum class Kind {
    kRowSkipped,       // the product could make no correct card and was left out
    kNoBarcodeSymbol,  // the card printed with the barcode's digits but without its symbol
    kValueCut,         // a text was longer than its field and printed cut
    kCardFault,        // the card printed without something it was given (field, reason)
    kSourceNotice,     // the source has something the batch passed over (reason)
    kHistory,          // the print history could not be used; the cards printed (reason)
  };
  Kind kind;
  std::string where;    // "line 19" of a CSV file, "row 19" of a query; empty for one card
  std::string product;  // the product number as given (UTF-8); may be empty
  std::string field;    // the field's display label (UTF-8), for kValueCut and kCardFault
  std::string reason;   // the detail, in the engine's English
};

using CardNotices = std::vector<CardNotice>;

// One line for standard error: "line 19, product 4710001: left out: <reason>".
std::string NoticeText(const CardNotice& notice);

// The same for the dialog, in Traditional Chinese with the detail after it.
std::string NoticeTextForDialog(const CardNotice& notice);

enum class NoticeLanguage { kEnglish, kChinese };

// One line a notice, NoticeText or NoticeTextForDialog, but at most `per_problem` lines for the
// same problem (the same kind and reason but for its numbers): the rest of them are counted in
// one line after the others, so that a file with ten thousand bad rows gives a readable list.
std::vector<std::string> SummarisedNoticeTexts(const CardNotices& notices, NoticeLanguage language,
                                               size_t per_problem = 20);

// Sorts notices into their source's order by the number of their place ("line 19" before
// "row 23"), keeping the order of notices of one place; notices without a place come first.
void SortByPlace(CardNotices& notices);

// How many notices are of `kind`.
int CountNotices(const CardNotices& notices, CardNotice::Kind kind);

}  // namespace vorn
