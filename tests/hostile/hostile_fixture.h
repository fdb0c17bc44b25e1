#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "fuzz/fuzz_checks.h"
#include "fuzz/fuzz_dataset.h"
#include "platform/system/stream.h"

namespace vorn::testing {

// How long one hostile input may take; slower counts as a hang. Generous, since the suite
// also runs under the sanitizers on a busy machine.
inline constexpr std::chrono::seconds kHangLimit{5};

// What one run gave.
struct RunOutcome {
  bool succeeded = false;
  std::string output;
  std::string message;
};

// Each test runs under a watchdog: a test that hangs ends the binary with a message
// instead of stalling the suite.
class HostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::signal(SIGALRM, [](int) {
      static const char kText[] = "hostile test hung: watchdog expired\n";
      (void)!::write(STDERR_FILENO, kText, sizeof kText - 1);
      ::_exit(3);
    });
    ::alarm(30);
  }
  void TearDown() override { ::alarm(0); }

  // Fills `tmpl` from `datasets` (the fixed fuzz data when empty) into memory. A failure
  // must be a vorn::Exception with a message, reported by Succeeded and ErrorMessage; a
  // success must give output that is balanced whenever the template was.
  RunOutcome Run(const std::string& tmpl, std::vector<TDataSet*> datasets = {},
                 TQeRTFOptions options = {eoGraphicsBinary, eoDotAsColon}) {
    fuzz::FixedData data;
    if (datasets.empty()) datasets = data.DataSets();
    TQeRTF report;
    report.SetCharset(136);
    report.SetLang(1028);
    report.SetOptions(options);
    report.SetInFile(dir_.Write("template.rtf", tmpl));
    // A field tag outside every scan reads the current record: start each run at the first.
    for (TDataSet* dataset : datasets) dataset->First();
    TMemoryStream out;
    RunOutcome outcome;
    const auto start = std::chrono::steady_clock::now();
    try {
      report.ExecuteToStream(datasets, out);
      outcome.succeeded = true;
      outcome.output = out.Bytes();
      EXPECT_TRUE(report.Succeeded());
      if (fuzz::RtfBalanced(tmpl) && fuzz::RtfBalanced(tmpl, true)) {
        EXPECT_TRUE(fuzz::RtfBalanced(outcome.output)) << outcome.output.substr(0, 300);
      }
    } catch (const Exception& e) {
      outcome.message = e.what();
      EXPECT_FALSE(outcome.message.empty());
      EXPECT_FALSE(report.Succeeded());
      EXPECT_EQ(report.ErrorMessage(), outcome.message);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, hang_limit_);
    return outcome;
  }
  // The error of a run that must fail; "" (and a test failure) when it succeeded.
  std::string RunError(const std::string& tmpl, std::vector<TDataSet*> datasets = {}) {
    const RunOutcome outcome = Run(tmpl, std::move(datasets));
    EXPECT_FALSE(outcome.succeeded) << outcome.output.substr(0, 300);
    return outcome.message;
  }
  // The output of a run that must succeed.
  std::string RunOutput(const std::string& tmpl, std::vector<TDataSet*> datasets = {},
                        TQeRTFOptions options = {eoGraphicsBinary, eoDotAsColon}) {
    const RunOutcome outcome = Run(tmpl, std::move(datasets), options);
    EXPECT_TRUE(outcome.succeeded) << outcome.message;
    return outcome.output;
  }

  TestDir dir_;
  std::chrono::steady_clock::duration hang_limit_ = kHangLimit;
};

// A template with a small header and `body` as its document text.
inline std::string Doc(const std::string& body) {
  return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\n\\pard " + body + "\\par}";
}

}  // namespace vorn::testing
