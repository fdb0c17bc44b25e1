#include "app/output/printing.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "app/output/interrupt.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"
#include "platform/text/ascii_text.h"

namespace vorn {

namespace {
struct ClientAnswer {
  int status = -1;
  std::string text;
};

// Runs a CUPS client program; its status and what it printed, blanks trimmed, or nullopt when
// it did not end within `limit` (it is ended then). A signal during an InterruptScope throws
// Interrupted.
std::optional<ClientAnswer> RunClient(const std::vector<std::string>& arguments,
                                      std::chrono::seconds limit) {
  const TempFile output("vornlp");
  ClientAnswer answer;
  {
    ChildProcess client(arguments, output.Path());
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!client.Finished()) {
      ThrowIfInterrupted();
      if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
      PauseUnlessInterrupted(std::chrono::milliseconds(20));
    }
    answer.status = client.Status();
  }
  std::ifstream file(output.Path());
  std::stringstream text;
  text << file.rdbuf();
  answer.text = std::string(TrimControl(text.str()));
  return answer;
}
}  // namespace

std::vector<std::string> ListPrinters() {
  if (FindProgram("lpstat").empty()) return {};
  const std::optional<ClientAnswer> answer = RunClient({"lpstat", "-e"}, kPrinterListLimit);
  std::vector<std::string> printers;
  if (!answer || answer->status != 0) return printers;
  std::istringstream lines(answer->text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) printers.push_back(line);
  }
  return printers;
}

std::string DefaultPrinter() {
  if (FindProgram("lpstat").empty()) return std::string();
  // "system default destination: NAME", or "no system default destination".
  const std::optional<ClientAnswer> answer = RunClient({"lpstat", "-d"}, kPrinterListLimit);
  if (!answer) return std::string();
  const size_t colon = answer->text.find(": ");
  if (answer->status != 0 || colon == std::string::npos) return std::string();
  return answer->text.substr(colon + 2);
}

void CheckPrinter(const std::string& printer) {
  if (FindProgram("lp").empty())
    throw Exception("Cannot print: CUPS is not installed (no lp on PATH)");
  if (printer.empty()) return;
  // Without an answer from CUPS the name cannot be judged; lp will tell.
  const std::vector<std::string> printers = ListPrinters();
  if (!printers.empty() && std::find(printers.begin(), printers.end(), printer) == printers.end()) {
    throw Exception("No such printer: " + printer);
  }
}

std::string PrinterName(const std::string& printer) {
  return printer.empty() ? std::string("(default)") : printer;
}

std::string PrintPdf(const std::string& pdf, const std::string& printer, std::string_view title,
                     std::chrono::seconds limit) {
  if (FindProgram("lp").empty()) {
    throw Exception("Cannot print: CUPS is not installed (no lp on PATH); the PDF is " + pdf);
  }
  const std::string name = PrinterName(printer);
  std::vector<std::string> arguments = {"lp"};
  if (!printer.empty()) arguments.insert(arguments.end(), {"-d", printer});
  arguments.insert(arguments.end(), {"-t", std::string(title), pdf});
  const std::optional<ClientAnswer> answer = RunClient(arguments, limit);
  if (!answer) {
    throw Exception("The printer " + name + " did not take the job within " +
                    std::to_string(limit.count()) + " s (lp did not answer); the PDF is " + pdf);
  }
  if (answer->status != 0)
    throw Exception("The printer " + name + " refused the job: " + answer->text);
  return answer->text;
}

}  // namespace vorn
