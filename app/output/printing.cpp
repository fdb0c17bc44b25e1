#include "app/output/printing.h"

#include <fstream>
#include <sstream>

#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"

namespace vorn {

namespace {
// Runs a CUPS client program; its status and what it printed, blanks trimmed.
std::pair<int, std::string> RunClient(const std::vector<std::string>& arguments) {
  const TempFile output("vornlp");
  const int status = RunProgram(arguments, output.Path());
  std::ifstream file(output.Path());
  std::stringstream text;
  text << file.rdbuf();
  std::string answer = text.str();
  while (!answer.empty() && static_cast<unsigned char>(answer.back()) <= ' ') answer.pop_back();
  return {status, answer};
}
}  // namespace

std::vector<std::string> ListPrinters() {
  if (FindProgram("lpstat").empty()) return {};
  const auto [status, answer] = RunClient({"lpstat", "-e"});
  std::vector<std::string> printers;
  if (status != 0) return printers;
  std::istringstream lines(answer);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) printers.push_back(line);
  }
  return printers;
}

std::string DefaultPrinter() {
  if (FindProgram("lpstat").empty()) return std::string();
  // "system default destination: NAME", or "no system default destination".
  const auto [status, answer] = RunClient({"lpstat", "-d"});
  const size_t colon = answer.find(": ");
  if (status != 0 || colon == std::string::npos) return std::string();
  return answer.substr(colon + 2);
}

std::string PrintPdf(const std::string& pdf, const std::string& printer, std::string_view title) {
  if (FindProgram("lp").empty()) {
    throw Exception("Cannot print: CUPS is not installed (no lp on PATH); the PDF is " + pdf);
  }
  std::vector<std::string> arguments = {"lp"};
  if (!printer.empty()) arguments.insert(arguments.end(), {"-d", printer});
  arguments.insert(arguments.end(), {"-t", std::string(title), pdf});
  const auto [status, answer] = RunClient(arguments);
  if (status != 0) {
    throw Exception("The printer " + (printer.empty() ? std::string("(default)") : printer) +
                    " refused the job: " + answer);
  }
  return answer;
}

}  // namespace vorn
