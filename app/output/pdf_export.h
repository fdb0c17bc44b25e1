#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vorn {

// The first executable "soffice" in the folders of PATH, or "" when there is none.
std::string FindOfficeProgram();

// Throws vorn::Exception when PDFs cannot be made here (LibreOffice or the program's renderer
// missing), so a run can refuse before it does any work.
void RequireRenderer();

// Converts the written document (RTF) to a PDF beside it through a renderer (renderer.h) and
// returns the PDF's path; the PDF appears under its name only when complete. Throws
// vorn::Exception when LibreOffice is not installed or the conversion fails.
std::string ConvertToPdf(const std::string& document);

// Converts each document to the PDF of the same place in `pdfs` with up to `jobs` renderers at
// once, each taking the next document as it becomes free. `on_progress` hears how many are done
// as each ends and again every few milliseconds while they work; an exception from it, a
// signal (Interrupted), or a failed conversion ends the renderers, removes the PDFs this call
// made and is thrown on.
void ConvertAllToPdf(const std::vector<std::string>& documents,
                     const std::vector<std::string>& pdfs, int jobs,
                     const std::function<void(size_t done)>& on_progress);

// The same with each PDF beside its document under the document's name with ".pdf"; returns
// them in the documents' order.
std::vector<std::string> ConvertAllToPdf(const std::vector<std::string>& documents, int jobs,
                                         const std::function<void(size_t done)>& on_progress);

// The first sheet of a spreadsheet (.xlsx, .xls, .ods, ...) as a UTF-8 CSV file in `folder`,
// a private folder of the caller's, converted by LibreOffice (soffice, tied to this process,
// with a profile of the user's own and a time limit); returns its path. Throws vorn::Exception
// when LibreOffice is not installed, cannot read the file, or takes too long.
std::string ConvertSpreadsheetToCsv(const std::string& spreadsheet, const std::string& folder);

// Whether the file's name marks a spreadsheet rather than a CSV file.
bool IsSpreadsheetFile(const std::string& path);

}  // namespace vorn
