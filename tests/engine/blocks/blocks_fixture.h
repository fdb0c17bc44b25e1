#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/memory_table.h"
#include "engine/fake_dataset.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "engine/test_dir.h"
#include "platform/system/stream.h"
#include "platform/text/format_settings.h"

namespace vorn::testing {

// A tag as the template stores it: its text between two visible backslashes.
inline std::string Tag(std::string_view text) { return "\\\\" + std::string(text) + "\\\\"; }

// Whether every "{" of an RTF text has its "}" and no "}" closes a group never opened; escaped
// braces and backslashes are text.
inline bool BracesBalanced(std::string_view rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

// Three products by name, as string fields.
inline std::unique_ptr<FakeDataSet> Products() {
  return std::make_unique<FakeDataSet>(
      "Products", std::vector<std::string>{"NAME"},
      std::vector<std::vector<std::string>>{{"Tea"}, {"Coffee"}, {"Milk"}});
}

inline std::unique_ptr<FakeDataSet> Letters(std::vector<std::string> letters) {
  std::vector<std::vector<std::string>> rows;
  for (std::string& letter : letters) rows.push_back({std::move(letter)});
  return std::make_unique<FakeDataSet>("Letters", std::vector<std::string>{"X"}, std::move(rows));
}

// A table of NAME (string) and PRICE (float) records.
inline std::unique_ptr<TMemoryTable> PriceTable(
    const std::string& name, const std::vector<std::pair<std::string, std::string>>& rows) {
  auto table = std::make_unique<TMemoryTable>();
  table->SetName(name);
  table->AddFieldDef({"NAME", ftString, 20});
  table->AddFieldDef({"PRICE", ftFloat});
  table->CreateDataSet();
  for (const auto& [product, price] : rows) {
    table->Append();
    table->Field(0).SetAsString(product);
    table->Field(1).SetAsString(price);
    table->Post();
  }
  table->First();
  return table;
}

// Renders templates through a report component and reads what it wrote.
class BlocksTest : public ::testing::Test {
 protected:
  BlocksTest() : saved_settings_(DefaultFormatSettings()) {
    SetDefaultFormatSettings(FormatSettings::CLocale());
  }
  ~BlocksTest() override { SetDefaultFormatSettings(saved_settings_); }

  // The whole output of `document`.
  std::string RenderDocument(const std::string& document,
                             const std::vector<TDataSet*>& datasets = {}) {
    report_.SetInFile(dir_.Write("template.rtf", document));
    TMemoryStream output;
    report_.ExecuteToStream(datasets, output);
    return output.Bytes();
  }

  // The output of a document holding `body`, without the document's own group and without the
  // "\lang0 " that opens every value.
  std::string Render(std::string_view body, const std::vector<TDataSet*>& datasets = {}) {
    std::string out = RenderDocument("{\\rtf1 " + std::string(body) + "}", datasets);
    EXPECT_TRUE(BracesBalanced(out)) << out;
    constexpr std::string_view kStart = "{\\rtf1 ";
    if (out.size() < kStart.size() + 1 || out.compare(0, kStart.size(), kStart) != 0) {
      ADD_FAILURE() << "not a document: " << out;
      return out;
    }
    out = out.substr(kStart.size(), out.size() - kStart.size() - 1);
    constexpr std::string_view kFrame = "\\lang0 ";
    for (size_t at = out.find(kFrame); at != std::string::npos; at = out.find(kFrame, at)) {
      out.erase(at, kFrame.size());
    }
    return out;
  }

  // The message of the error of type E that rendering `body` raises.
  template <typename E>
  std::string CompileError(std::string_view body, const std::vector<TDataSet*>& datasets = {}) {
    try {
      Render(body, datasets);
    } catch (const E& error) {
      EXPECT_EQ(report_.ErrorMessage(), error.what());
      return error.what();
    } catch (const std::exception& other) {
      return std::string("wrong exception type: ") + other.what();
    }
    return "no error";
  }

  TQeRTF report_;
  TestDir dir_;

 private:
  FormatSettings saved_settings_;
};

}  // namespace vorn::testing
