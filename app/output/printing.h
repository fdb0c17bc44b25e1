#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// How long the CUPS client programs may take: a print server that does not answer must not
// leave the clerk waiting for ever.
inline constexpr std::chrono::seconds kPrintLimit{60};
inline constexpr std::chrono::seconds kPrinterListLimit{10};

// The printers (CUPS destinations) this machine can print to, as `lpstat -e` names them;
// empty when there are none, CUPS is not installed, or it did not answer in time.
std::vector<std::string> ListPrinters();

// The default printer, or "" when none is set (or CUPS did not answer in time).
std::string DefaultPrinter();

// Throws vorn::Exception when printing cannot work: lp is not installed, or CUPS lists its
// printers and `printer` (when named) is not among them. For a check before any work starts.
void CheckPrinter(const std::string& printer);

// How messages and the print history name `printer`: itself, or "(default)" for "".
std::string PrinterName(const std::string& printer);

// Sends a PDF to `printer` ("" for the default one) with `lp`, started without a shell, and
// returns what lp answered ("request id is ..."). Throws vorn::Exception with lp's own message
// when the job is refused, and when lp has not answered within `limit` (lp is then ended).
std::string PrintPdf(const std::string& pdf, const std::string& printer, std::string_view title,
                     std::chrono::seconds limit = kPrintLimit);

}  // namespace vorn
