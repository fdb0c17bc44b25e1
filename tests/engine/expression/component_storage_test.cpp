#include "engine/qertf/component_storage.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/qertf/qertf.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

void Configure(TQeRTF& report) {
  report.SetInFile("/t/B5.rtf");
  report.SetOutFile("");
  report.SetTrueValue("Y");
  report.SetFalseValue("");
  report.SetCharset(136);
  report.SetLang(1028);
  report.SetOptions({eoClearMissedFields, eoNumericFormatClearZero});
  report.SetDisableControls(false);
  report.AddTextVariable("Shop", "Main=Street");
  report.VarList().Add("Plain=1");
  report.AddNumberVariable("Rate", 0.5L);
  report.VarList().Add("When={2024-01-31}", VarDataType::kDateTime);
}

TEST(ComponentStorageTest, RoundTripKeepsEveryPublishedProperty) {
  TQeRTF saved;
  Configure(saved);
  TMemoryStream stream;
  SaveComponent(saved, stream);

  TQeRTF loaded;
  loaded.AddTextVariable("Stale", "x");
  stream.Seek(0);
  LoadComponent(loaded, stream);
  EXPECT_EQ(stream.Position(), stream.Size());
  EXPECT_EQ(loaded.InFile(), "/t/B5.rtf");
  EXPECT_EQ(loaded.OutFile(), "");
  EXPECT_EQ(loaded.TrueValue(), "Y");
  EXPECT_EQ(loaded.FalseValue(), "");
  EXPECT_EQ(loaded.Charset(), 136);
  EXPECT_EQ(loaded.Lang(), 1028);
  EXPECT_EQ(loaded.Options(), (TQeRTFOptions{eoClearMissedFields, eoNumericFormatClearZero}));
  EXPECT_FALSE(loaded.DisableControls());
  ASSERT_EQ(loaded.VarList().Count(), 4);
  EXPECT_EQ(loaded.VarList().Strings(0), "Shop=Main=Street");
  EXPECT_EQ(loaded.VarList().Strings(3), "When={2024-01-31}");
  EXPECT_EQ(loaded.VariableType(1), VarDataType::kString);
  EXPECT_EQ(loaded.VariableType(2), VarDataType::kNone);
  EXPECT_EQ(loaded.VariableType(3), VarDataType::kNumber);
  EXPECT_EQ(loaded.VariableType(4), VarDataType::kDateTime);
  EXPECT_EQ(loaded.VarList().VarDataTypes(), saved.VarList().VarDataTypes());
}

TEST(ComponentStorageTest, DefaultsRoundTrip) {
  TQeRTF saved;
  TMemoryStream stream;
  SaveComponent(saved, stream);
  TQeRTF loaded;
  Configure(loaded);
  stream.Seek(0);
  LoadComponent(loaded, stream);
  EXPECT_EQ(loaded.OutFile(), "outfile.doc");
  EXPECT_EQ(loaded.Options(), (TQeRTFOptions{eoGraphicsBinary, eoDotAsColon}));
  EXPECT_TRUE(loaded.DisableControls());
  EXPECT_EQ(loaded.VarList().Count(), 0);
  EXPECT_EQ(loaded.Charset(), 1);
}

TEST(ComponentStorageTest, DamagedStreamsLeaveTheReportAlone) {
  TQeRTF saved;
  Configure(saved);
  TMemoryStream good;
  SaveComponent(saved, good);
  const std::string bytes = good.Bytes();

  // Every cut of the stream, and a stream whose type count outnumbers the lines.
  std::vector<std::string> damaged;
  for (size_t length = 0; length < bytes.size(); length += 7)
    damaged.push_back(bytes.substr(0, length));
  std::string extra_types = bytes;
  const size_t types = extra_types.find("VarDataTypes");
  ASSERT_NE(types, std::string::npos);
  extra_types[types + 12 + 1 + 4] = 9;  // count 9 for 4 lines
  damaged.push_back(extra_types);
  std::string huge_length = bytes;
  huge_length[8 + 6 + 1 + 3] = '\x7F';  // InFile's length
  damaged.push_back(huge_length);

  for (const std::string& input : damaged) {
    TMemoryStream stream;
    stream.Write(input);
    stream.Seek(0);
    TQeRTF report;
    report.AddTextVariable("Keep", "1");
    EXPECT_THROW(LoadComponent(report, stream), Exception) << input.size();
    EXPECT_EQ(report.InFile(), "");
    EXPECT_EQ(report.VarList().Count(), 1);
    EXPECT_EQ(report.Charset(), 1);
  }
}

}  // namespace
}  // namespace vorn
