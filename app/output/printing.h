#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The printers (CUPS destinations) this machine can print to, as `lpstat -e` names them;
// empty when there are none or CUPS is not installed.
std::vector<std::string> ListPrinters();

// The default printer, or "" when none is set.
std::string DefaultPrinter();

// Sends a PDF to `printer` ("" for the default one) with `lp`, started without a shell, and
// returns what lp answered ("request id is ..."). Throws vorn::Exception with lp's own message
// when the job is refused.
std::string PrintPdf(const std::string& pdf, const std::string& printer, std::string_view title);

}  // namespace vorn
