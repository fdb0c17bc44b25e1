#pragma once

#include <string>
#include <utility>

#include "app/card/card_notices.h"
#include "platform/system/exception.h"

namespace vorn {

// What kind of fault stopped a print, so that the dialog and the command line can tell the
// operator what to do about it without reading the message's words.
enum class PrintErrorKind {
  kOther,
  kRequiredValue,   // a value the card needs is empty (the product number)
  kBadPrice,        // a price that is no whole number
  kUnreadableText,  // typed or given text that is no UTF-8
  kDataEncoding,    // a data file whose encoding cannot be told
  kOutputFolder,    // the folder for cards is missing or cannot be written
  kTemplate,        // the layout's template is missing, unreadable or broken
  kMissingColumns,  // a data file lacks columns the card needs
  kNothingToPrint,  // every product of a batch was left out
  kDataFile,        // a data file that cannot be opened or read
  kDataFormat,      // a data file whose text is no valid CSV
  kDatabase,        // an SQLite database or query that fails
  kCardNotOpened,   // the card was written but the desktop could not open it
  kPrinter,         // the printer refused the job or did not answer
  kRenderer,        // LibreOffice could not make the PDF
  kTooManyCards,    // a run of more cards than its limit
};

// A fault the print flow knows the kind of; the message is the program's exact text.
class PrintError : public Exception {
 public:
  PrintError(PrintErrorKind kind, const std::string& message) : Exception(message), kind_(kind) {}
  PrintErrorKind Kind() const { return kind_; }

 private:
  PrintErrorKind kind_;
};

// The kind of any error: a PrintError's own, kOther for the rest.
PrintErrorKind KindOf(const std::exception& error);

// The card was written but the desktop could not open it; it stays where it was saved.
class CardNotOpened : public PrintError {
 public:
  CardNotOpened(const std::string& message, std::string path)
      : PrintError(PrintErrorKind::kCardNotOpened, message), path_(std::move(path)) {}
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Every product of a batch was left out; the notices say why, product by product.
class NothingToPrint : public PrintError {
 public:
  NothingToPrint(const std::string& source, CardNotices notices)
      : PrintError(PrintErrorKind::kNothingToPrint, "No cards to print in " + source),
        notices_(std::move(notices)) {}
  const CardNotices& Notices() const { return notices_; }

 private:
  CardNotices notices_;
};

}  // namespace vorn
