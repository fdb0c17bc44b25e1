#include "engine/scanner/scanner_fixture.h"

#include <fstream>
#include <sstream>

#include "platform/system/files.h"

namespace vorn::testing {

void ScannerTest::Load(std::string_view rtf) {
  std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  path_ = ::testing::TempDir() + "scanner_template_" + name + ".rtf";
  {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(rtf.data(), static_cast<std::streamsize>(rtf.size()));
  }
  report.SetInFile(path_);
  report.LoadTemplate();
  DeleteFile(path_);
  report.HeaderTables.Clear();
  scanner.reset();
  scanner = std::make_unique<TemplateScanner>(report);
  report.Stream().Create();
  report.Stream().WriteEmpty(rkStreamStart, report.TemplatePos());
  tags.clear();
}

void ScannerTest::ScanAll() {
  while (!scanner->AtEnd()) {
    std::optional<std::string> tag = scanner->NextTag();
    if (!tag) continue;
    tags.push_back(*tag);
    if (tag->rfind("CMD", 0) != 0) {
      report.WriteLiteral("<tag:" + *tag + ">");
      continue;
    }
    const CommandParagraph paragraph = scanner->TakeCommandParagraph();
    report.WriteLiteral("<cmd:" + *tag + (paragraph.absorbed ? "|" + paragraph.absorbed_text : "") +
                        ">");
  }
  report.Stream().WriteEmpty(rkStreamEnd, report.TemplatePos());
}

std::string ScannerTest::Rendered(bool with_marks) {
  CompiledStream& stream = report.Stream();
  stream.TemplatePos = 0;
  stream.Rewind();
  std::string out;
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) break;
    switch (kind) {
      case rkText:
        stream.ReadTrailer();
        out += report.TemplateText(stream.PrevTemplatePos, stream.TemplatePos);
        break;
      case rkVerbatimGroup:
        stream.ReadTrailer();
        if (with_marks) out += "<group>";
        out += report.TemplateText(stream.PrevTemplatePos, stream.TemplatePos);
        break;
      case rkLiteral:
        out += stream.ReadLiteral();
        break;
      case rkRowStart:
      case rkRowEnd:
        stream.ReadTrailer();
        if (with_marks) out += kind == rkRowStart ? "<trowd>" : "<row>";
        break;
      case rkFontTable:
      case rkColorTable:
      case rkStyleSheet:
      case rkInfo: {
        stream.ReadTrailer();
        static const std::pair<int32_t, const char*> kMarks[] = {{rkFontTable, "<fonttbl>"},
                                                                 {rkColorTable, "<colortbl>"},
                                                                 {rkStyleSheet, "<stylesheet>"},
                                                                 {rkInfo, "<info>"}};
        for (const auto& [mark_kind, mark] : kMarks) {
          if (mark_kind == kind) out += mark;
        }
        break;
      }
      default:
        stream.Skip();
        break;
    }
  }
  return out;
}

std::string ScannerTest::Trace(std::string_view rtf) {
  Load(rtf);
  ScanAll();
  return Rendered();
}

std::string ScannerTest::PassThrough(std::string_view rtf) {
  Load(rtf);
  while (!scanner->AtEnd()) {
    if (std::optional<std::string> tag = scanner->NextTag()) {
      tags.push_back(*tag);
      report.WriteTextRecord();
    }
  }
  report.Stream().WriteEmpty(rkStreamEnd, report.TemplatePos());
  return Rendered(false);
}

std::vector<int32_t> ScannerTest::Kinds() {
  CompiledStream& stream = report.Stream();
  stream.Rewind();
  std::vector<int32_t> kinds;
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) break;
    stream.Skip();
    if (kind != rkStreamStart) kinds.push_back(kind);
  }
  return kinds;
}

std::vector<std::string> ScannerTest::Tags(std::string_view rtf) {
  Load(rtf);
  ScanAll();
  return tags;
}

std::string ReadDataFile(const std::string& relative_path) {
  std::ifstream in(std::string(VORN_TEST_DATA_DIR) + "/" + relative_path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace vorn::testing
