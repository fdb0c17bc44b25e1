#pragma once

#include <string>

namespace vorn {

// The first executable "soffice" in the folders of PATH, or "" when there is
// none.
std::string FindOfficeProgram();

// Converts the written document to a PDF beside it with LibreOffice headless
// and returns the PDF's path. LibreOffice runs with a profile of its own in the
// temporary folder, so an office already open on the desktop does not take the
// job over. Throws vorn::Exception when LibreOffice is not installed or the
// conversion fails.
std::string ConvertToPdf(const std::string &document);

}  // namespace vorn
