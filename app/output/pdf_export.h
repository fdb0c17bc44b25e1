#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vorn {

// The first executable "soffice" in the folders of PATH, or "" when there is
// none.
std::string FindOfficeProgram();

// Converts the written document to a PDF beside it with LibreOffice headless
// and returns the PDF's path. LibreOffice runs with a profile of its own in the
// temporary folder, so an office already open on the desktop does not take the
// job over. Throws vorn::Exception when LibreOffice is not installed or the
// conversion fails.
std::string ConvertToPdf(const std::string& document);

// Converts each document to a PDF beside it with up to `jobs` LibreOffice processes
// at once, each with a profile of its own and a run of the documents (which share a
// folder), and returns the PDFs in the documents' order. `on_progress` hears how many are done as
// each ends and again every few milliseconds while they work; an exception from it, or a failed
// conversion, ends the processes still running and is thrown on.
std::vector<std::string> ConvertAllToPdf(const std::vector<std::string>& documents, int jobs,
                                         const std::function<void(size_t done)>& on_progress);

// The first sheet of a spreadsheet (.xlsx, .xls, .ods, ...) as a UTF-8 CSV file in
// `folder`, converted by LibreOffice; returns its path. Throws vorn::Exception when
// LibreOffice is not installed or cannot read the file.
std::string ConvertSpreadsheetToCsv(const std::string& spreadsheet, const std::string& folder);

// Whether the file's name marks a spreadsheet rather than a CSV file.
bool IsSpreadsheetFile(const std::string& path);

}  // namespace vorn
