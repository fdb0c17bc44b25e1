#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/base_rtf_report.h"
#include "engine/qebasereport/template_scanner.h"

namespace vorn::testing {

// A report whose template is given as text, with the compile pass's scanner loop.
class ScannerTest : public ::testing::Test {
 protected:
  // Loads `rtf` as the template and starts a compiled stream.
  void Load(std::string_view rtf);
  // Scans the whole template. Each tag becomes a literal "<tag:RAW>"; tags whose raw text
  // begins with "CMD" also take their command paragraph and show "<cmd:RAW|ABSORBED>" or
  // "<cmd:RAW>" when nothing was absorbed.
  void ScanAll();
  // What the records copy and mark, in order: template text as it is copied, literals,
  // "<trowd>", "<row>", "<group>" before a verbatim group's text, "<fonttbl>" and so on.
  // Without `with_marks` rows and verbatim groups show as their text alone.
  std::string Rendered(bool with_marks = true);
  // Scans the whole template as the compiler does for now, each tag copied as written,
  // and returns Rendered(false): any template without header groups comes back unchanged.
  std::string PassThrough(std::string_view rtf);
  // Load, ScanAll and Rendered in one.
  std::string Trace(std::string_view rtf);
  // The kinds of the records written, rkStreamStart and rkStreamEnd left out.
  std::vector<int32_t> Kinds();
  // The raw text of the tags found, in order.
  std::vector<std::string> Tags(std::string_view rtf);

  TQeBaseRTFReport report;
  std::unique_ptr<TemplateScanner> scanner;
  std::vector<std::string> tags;

 private:
  std::string path_;
};

// The bytes of a file under tests/data_files.
std::string ReadDataFile(const std::string& relative_path);

}  // namespace vorn::testing
