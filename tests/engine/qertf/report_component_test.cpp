#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/fake_dataset.h"
#include "engine/qefunc/user_functions.h"
#include "engine/qertf/qertf.h"
#include "engine/test_dir.h"
#include "platform/system/clock.h"
#include "platform/system/files.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using testing::FakeDataSet;
using testing::ReadFileBytes;
using testing::TestDir;

class ReportComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Temporary files of the runs land here so the tests can see that none is left.
    temp_dir_ = std::make_unique<TestDir>();
    saved_tmpdir_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", temp_dir_->Path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_tmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    }
    unsetenv("VORN_OPEN_COMMAND");
    SetTickSource({});
  }
  // Runs Execute and returns the error message, or "" when it succeeded.
  std::string ExecuteError(TQeRTF& report, const std::vector<TDataSet*>& datasets = {}) {
    try {
      report.Execute(datasets);
    } catch (const Exception& e) {
      EXPECT_FALSE(report.Succeeded());
      EXPECT_EQ(report.ErrorMessage(), e.what());
      return e.what();
    }
    EXPECT_TRUE(report.Succeeded());
    return "";
  }
  bool NoTempFilesLeft() const { return temp_dir_->Entries().empty(); }

  TestDir dir_;
  std::unique_ptr<TestDir> temp_dir_;
  std::string saved_tmpdir_;
};

constexpr const char* kPlainTemplate = "{\\rtf1\\ansi Hello, shelf.\\par }";

// What a new component's defaults do to a run, where each shows.
TEST_F(ReportComponentTest, NewComponentRunsWithTheDocumentedDefaults) {
  TQeRTF report;
  EXPECT_EQ(report.OutFile(), "outfile.doc");
  EXPECT_EQ(report.ErrorMessage(), "No errors.");
  EXPECT_EQ(report.UDFList(), nullptr);
  report.SetInFile(dir_.Write("defaults.rtf",
                              "{\\rtf1{\\fonttbl{\\f0\\fcharset136 A;}}"
                              "[\\\\TRUE\\\\][\\\\FALSE\\\\][\\\\FFIX(1.005)\\\\]}"));
  TMemoryStream out;
  report.ExecuteToStream({}, out);
  EXPECT_TRUE(report.Succeeded());
  // Charset 1 rewrites the fonts, Lang 0 frames the values, the true and false texts and
  // eoDotAsColon's neighbour eoGraphicsBinary change nothing here.
  EXPECT_EQ(out.Bytes(),
            "{\\rtf1{\\fonttbl{\\f0\\fcharset1 A;}}"
            "[\\lang0 True][\\lang0 False][\\lang0 1.01]}");
  ASSERT_EQ(report.DefaultPalette().size(), 16u);
  EXPECT_EQ(report.DefaultPalette()[8].Blue, 128);
  EXPECT_EQ(report.DefaultPalette()[15].Red, 192);
  EXPECT_TRUE(report.Options() == (TQeRTFOptions{eoGraphicsBinary, eoDotAsColon}));
  EXPECT_TRUE(report.DisableControls());
}

TEST_F(ReportComponentTest, TemplateWithoutTagsPassesThroughByteForByte) {
  TQeRTF report;
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  report.SetOutFile(dir_.File("out.doc"));
  EXPECT_EQ(ExecuteError(report), "");
  EXPECT_EQ(ReadFileBytes(dir_.File("out.doc")), kPlainTemplate);
  EXPECT_TRUE(NoTempFilesLeft());

  TMemoryStream memory;
  memory.Write(std::string(100, 'x'));
  report.ExecuteToStream({}, memory);
  EXPECT_TRUE(report.Succeeded());
  EXPECT_EQ(memory.Position(), 0);
  // Bytes beyond the report's length stay in the caller's stream.
  EXPECT_EQ(memory.Bytes().substr(0, std::string(kPlainTemplate).size()), kPlainTemplate);
  EXPECT_EQ(memory.Size(), 100);
}

TEST_F(ReportComponentTest, ExecuteToAFileStreamUsesATemporaryIntermediate) {
  TQeRTF report;
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  TFileStream target(dir_.File("stream.doc"), TFileStream::Mode::kCreate);
  report.ExecuteToStream({}, target);
  target.Flush();
  EXPECT_EQ(ReadFileBytes(dir_.File("stream.doc")), kPlainTemplate);
  EXPECT_EQ(target.Position(), 0);
  EXPECT_TRUE(NoTempFilesLeft());
}

TEST_F(ReportComponentTest, MissingTemplateFailsWithItsMessage) {
  TQeRTF report;
  report.SetInFile(dir_.File("nowhere.rtf"));
  report.SetOutFile(dir_.File("out.doc"));
  EXPECT_EQ(ExecuteError(report),
            "Can't read report template from file: " + dir_.File("nowhere.rtf"));
  // The same check holds after a successful run.
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  EXPECT_EQ(ExecuteError(report), "");
  report.SetInFile(dir_.File("nowhere.rtf"));
  EXPECT_NE(ExecuteError(report), "");
  EXPECT_TRUE(NoTempFilesLeft());
}

TEST_F(ReportComponentTest, UnreadableTemplateFails) {
  TQeRTF report;
  report.SetInFile(dir_.Path());  // a folder is no template
  EXPECT_EQ(ExecuteError(report), "Can't read report template from file: " + dir_.Path());
}

TEST_F(ReportComponentTest, NonRtfTemplateFailsAndLeavesTheOldOutputInPlace) {
  TQeRTF report;
  report.SetOutFile(dir_.Write("out.doc", "previous report"));
  for (const char* bytes : {"plain text", "{\\RTF1 upper case}", "", "{\\rt"}) {
    report.SetInFile(dir_.Write("bad.rtf", bytes));
    EXPECT_EQ(ExecuteError(report), "Template is not RTF file.") << bytes;
  }
  EXPECT_EQ(ReadFileBytes(dir_.File("out.doc")), "previous report");
  EXPECT_TRUE(NoTempFilesLeft());
}

TEST_F(ReportComponentTest, MissingOutputFolderFailsWithoutLeavingFiles) {
  TQeRTF report;
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  report.SetOutFile(dir_.File("missing/out.doc"));
  const std::string error = ExecuteError(report);
  EXPECT_NE(error.find(dir_.File("missing/out.doc")), std::string::npos) << error;
  EXPECT_TRUE(NoTempFilesLeft());
}

TEST_F(ReportComponentTest, ShellFailuresBecomeTheOpenErrorAfterTheReportIsWritten) {
  TQeRTF report;
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  report.SetOutFile(dir_.File("out.doc"));
  struct Case {
    const char* opener;
    const char* text;
  } cases[] = {
      {"/nonexistent/opener",
       "There is no application associated with the given filename extension."},
      {"false", "Reason unknown."},
  };
  for (const Case& c : cases) {
    setenv("VORN_OPEN_COMMAND", c.opener, 1);
    try {
      report.ExecuteOpen({}, 5);
      ADD_FAILURE() << "no error for " << c.opener;
    } catch (const EIOError& e) {
      EXPECT_EQ(std::string(e.what()),
                std::string("Failed to open report results. Error message: ") + c.text);
    }
    EXPECT_FALSE(report.Succeeded());
    EXPECT_EQ(ReadFileBytes(dir_.File("out.doc")), kPlainTemplate);
  }
  setenv("VORN_OPEN_COMMAND", "true", 1);
  report.ExecuteOpen({}, 5);
  EXPECT_TRUE(report.Succeeded());
}

TEST_F(ReportComponentTest, ShellResultCodesHaveTheirTexts) {
  EXPECT_EQ(TQeRTF::ShellErrorText(0), "The operating system is out of memory or resources.");
  EXPECT_EQ(TQeRTF::ShellErrorText(2), "The specified file was not found.");
  EXPECT_EQ(TQeRTF::ShellErrorText(32), "The specified dynamic-link library was not found.");
  EXPECT_EQ(TQeRTF::ShellErrorText(1), "Reason unknown.");
  EXPECT_EQ(TQeRTF::ShellErrorText(4), "Reason unknown.");
}

TEST_F(ReportComponentTest, ControlStatesAreRestoredExactlyOnceOnEveryPath) {
  TQeRTF report;
  FakeDataSet enabled("ONE", {"F"}, {{"x"}});
  FakeDataSet disabled("TWO", {"F"}, {{"y"}});
  disabled.DisableControls();
  disabled.DisableControls();
  int seen_enabled = -1;
  int seen_disabled = -1;
  report.OnFinished = [&](TQeBaseReport&) {
    seen_enabled = enabled.DisableCount();
    seen_disabled = disabled.DisableCount();
  };
  report.SetInFile(dir_.Write("plain.rtf", kPlainTemplate));
  report.SetOutFile(dir_.File("out.doc"));
  EXPECT_EQ(ExecuteError(report, {&enabled, &disabled}), "");
  EXPECT_EQ(seen_enabled, 1);
  EXPECT_EQ(seen_disabled, 3);
  EXPECT_EQ(enabled.DisableCount(), 0);
  EXPECT_EQ(disabled.DisableCount(), 2);

  report.SetInFile(dir_.File("nowhere.rtf"));
  EXPECT_NE(ExecuteError(report, {&enabled, &disabled}), "");
  EXPECT_EQ(enabled.DisableCount(), 0);
  EXPECT_EQ(disabled.DisableCount(), 2);

  // An error raised by the shell step also restores them.
  report.SetInFile(dir_.File("plain.rtf"));
  setenv("VORN_OPEN_COMMAND", "false", 1);
  EXPECT_THROW(report.ExecuteOpen({&enabled, &disabled}, 5), EIOError);
  EXPECT_EQ(enabled.DisableCount(), 0);
  EXPECT_EQ(disabled.DisableCount(), 2);

  report.SetDisableControls(false);
  seen_enabled = -1;
  EXPECT_EQ(ExecuteError(report, {&enabled}), "");
  EXPECT_EQ(enabled.DisableCount(), 0);
}

// A report whose pass only runs a probe, to look at the run state from inside a run.
class ProbeReport : public TQeRTF {
 public:
  std::function<void(ProbeReport&)> probe;
  void ProcessTemplate() override { probe(*this); }
};

TEST_F(ReportComponentTest, DatasetAliasesResolveByLetterFirstThenByName) {
  ProbeReport report;
  FakeDataSet first("Products", {"F"}, {});
  FakeDataSet second("Prices", {"F"}, {});
  FakeDataSet named_b("B", {"F"}, {});
  std::vector<int> found;
  report.probe = [&](ProbeReport& r) {
    for (const char* alias : {"b", " products ", "PRICES", "B", "c", "", "other"}) {
      found.push_back(r.GetDataSetIndex(alias));
    }
  };
  report.Execute({&first, &second, &named_b});
  EXPECT_EQ(found, (std::vector<int>{1, 0, 1, 1, 2, -1, -1}));
}

class VersionedList : public TQeUDFList {
 public:
  explicit VersionedList(int version) : version_(version) {}
  int Version() const override { return version_; }

 private:
  int version_;
};

TEST_F(ReportComponentTest, UDFListAssignmentIsChecked) {
  ProbeReport report;
  VersionedList wrong(299);
  try {
    report.SetUDFList(&wrong);
    ADD_FAILURE();
  } catch (const EIllegalFunctionUse& e) {
    EXPECT_STREQ(e.what(), "TQeRTF version 300 doesn't equal TQeUDFList version 299");
  }
  EXPECT_EQ(report.UDFList(), nullptr);

  TQeUDFList good;
  report.SetUDFList(&good);
  TQeUDFList other;
  std::string message;
  report.probe = [&](ProbeReport& r) {
    try {
      r.SetUDFList(&other);
    } catch (const EIllegalFunctionUse& e) {
      message = e.what();
    }
  };
  report.Execute({});
  EXPECT_EQ(message, "Can't set UDFList while executing report");
  EXPECT_EQ(report.UDFList(), &good);
  report.SetUDFList(nullptr);
  EXPECT_EQ(report.UDFList(), nullptr);
}

TEST_F(ReportComponentTest, DestroyedUDFListIsForgotten) {
  TQeRTF report;
  {
    TQeUDFList list;
    report.SetUDFList(&list);
  }
  EXPECT_EQ(report.UDFList(), nullptr);
  // And a report that goes first no longer is told.
  auto list = std::make_unique<TQeUDFList>();
  {
    TQeRTF short_lived;
    short_lived.SetUDFList(list.get());
  }
  list.reset();
}

TEST_F(ReportComponentTest, CreateFileNameForms) {
  TQeRTF report;
  SetTickSource([] { return 0x0012AB34u; });
  const std::string name = report.CreateFileName("", "cu");
  ASSERT_EQ(name.size(), std::string("cu12AB34XXXX.doc").size()) << name;
  EXPECT_EQ(name.substr(0, 8), "cu12AB34");
  EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 8), 12u) << name;
  EXPECT_EQ(name.substr(12), ".doc");

  const std::string rtf = report.CreateFileName(dir_.Path(), "cu", "rtf");
  EXPECT_EQ(rtf.substr(0, dir_.Path().size() + 1), dir_.Path() + "/");
  EXPECT_EQ(rtf.substr(rtf.size() - 4), ".rtf");
  const std::string dotted = report.CreateFileName(dir_.Path() + "/", "cu", ".rtf");
  EXPECT_EQ(dotted.find("//"), std::string::npos);
  EXPECT_EQ(dotted.substr(dotted.size() - 4), ".rtf");
  const std::string bare = report.CreateFileName("", "p", "");
  EXPECT_EQ(bare.size(), std::string("p12AB34XXXX").size());

  SetTickSource([] { return 0u; });
  EXPECT_EQ(report.CreateFileName("", "cu").substr(0, 3), "cu0");
  EXPECT_EQ(report.CreateFileName("", "cu").size(), std::string("cu0XXXX.doc").size());
  SetTickSource([] { return 0xFFFFFFFFu; });
  EXPECT_EQ(report.CreateFileName("", "").substr(0, 8), "FFFFFFFF");

  try {
    report.CreateFileName(dir_.File("missing"), "cu");
    ADD_FAILURE();
  } catch (const EIOError& e) {
    EXPECT_EQ(std::string(e.what()),
              "CreateFileName: directory " + dir_.File("missing") + " does not exist");
  }
}

TEST_F(ReportComponentTest, TwoNamesInOneTickDiffer) {
  TQeRTF report;
  SetTickSource([] { return 0x1234u; });
  int same = 0;
  for (int i = 0; i < 20; ++i) {
    if (report.CreateFileName("", "cu") == report.CreateFileName("", "cu")) ++same;
  }
  EXPECT_LT(same, 2);
}

}  // namespace
}  // namespace vorn
