#include <optional>
#include <string>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/template_scanner.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"
#include "platform/system/files.h"

namespace vorn {

namespace {
constexpr std::string_view kRtfSignature = "{\\rtf";
}  // namespace

void TQeRTF::CompileTemplate() {
  HeaderTables.Clear();
  LangText = std::to_string(Lang());
  SetOutput(nullptr);
  OutTabs.clear();

  LoadTemplate();
  if (TemplateText(1, 1 + static_cast<int32_t>(kRtfSignature.size())) != kRtfSignature) {
    FreeTemplate();
    throw EBadRtfFormat("Template is not RTF file.");
  }
  // A stream run leaves OutFile alone: it is no output of that run.
  if (caller_stream_ == nullptr && !OutFile().empty() && FileExists(OutFile())) {
    DeleteFile(OutFile());
  }

  Stream().Create();
  TemplateScanner scanner(*this);
  Stream().WriteEmpty(rkStreamStart, scanner.TemplatePos());
  while (!scanner.AtEnd()) {
    if (std::optional<std::string> tag = scanner.NextTag()) CompileTag(*tag, scanner);
  }
  Stream().WriteEmpty(rkStreamEnd, scanner.TemplatePos());

  if (TQeScanInfo* block = Scans()->Innermost()) {
    if (block->Compiled().kind != kBlockScan) {
      throw EIllegalIFUse("Endif expected, but end of document found");
    }
    throw EIllegalScanUse("Nesting error - endscan expected, but end of document found");
  }
}

}  // namespace vorn
