#include "app/output/printing.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {
namespace {

// `lp` and `lpstat` replaced by scripts on PATH for the life of the object.
class FakeCups {
 public:
  explicit FakeCups(const std::string& lp_body, const std::string& lpstat_body = "exit 1")
      : folder_("vorn-cups-test-") {
    Write("lp", lp_body);
    Write("lpstat", lpstat_body);
    if (const char* path = std::getenv("PATH")) old_path_ = path;
    ::setenv("PATH", (folder_.Path() + ":" + old_path_).c_str(), 1);
  }
  ~FakeCups() { ::setenv("PATH", old_path_.c_str(), 1); }

 private:
  void Write(const std::string& name, const std::string& body) {
    const std::string path = folder_.Path() + "/" + name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0700);
  }

  TempFolder folder_;
  std::string old_path_;
};

std::string PrintError(const std::string& printer, std::chrono::seconds limit) {
  try {
    PrintPdf("/x/cards.pdf", printer, "cards.pdf", limit);
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(PrintingTest, APrintServerThatDoesNotAnswerIsGivenUpWithinTheLimit) {
  const FakeCups cups("exec sleep 30");
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(PrintError("", std::chrono::seconds(1)),
            "The printer (default) did not take the job within 1 s (lp did not answer); the PDF "
            "is /x/cards.pdf");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(PrintingTest, RefusalsAndUnknownPrintersAreToldBeforeAndAfter) {
  const FakeCups cups("echo 'lp: The printer or class does not exist.'; exit 1",
                      "[ \"$1\" = -e ] && printf 'Office_Laser\\nLabels\\n'");
  EXPECT_EQ(PrintError("Office_Laser", std::chrono::seconds(10)),
            "The printer Office_Laser refused the job: lp: The printer or class does not exist.");
  EXPECT_NO_THROW(CheckPrinter("Labels"));
  EXPECT_NO_THROW(CheckPrinter(""));
  try {
    CheckPrinter("Labesl");
    ADD_FAILURE() << "an unknown printer passed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "No such printer: Labesl");
  }
}

}  // namespace
}  // namespace vorn
