#include "app/print_flow.h"

#include "data/memory_table.h"
#include "engine/qertf/qertf.h"
#include "platform/files.h"

namespace vorn {

void ConfigureReport(TQeRTF& report) {
  report.SetOutFile("outfile.doc");
  report.SetTrueValue("True");
  report.SetFalseValue("False");
  report.SetCharset(136);
  report.SetLang(1028);
  report.SetOptions({eoGraphicsBinary, eoDotAsColon});
  report.SetDisableControls(true);
  report.SetVarList(TQeVarList());
  report.SetUDFList(nullptr);
}

PrintFlow::PrintFlow(TQeRTF& report, TMemoryTable& table, ProgramFolders folders)
    : report_(report), table_(table), folders_(std::move(folders)) {}

void PrintFlow::PostRecord() {
  const TDataSetState state = table_.State();
  if (state != TDataSetState::dsEdit && state != TDataSetState::dsInsert) return;
  if (OnBeforePost) OnBeforePost();
  table_.Post();
}

std::string PrintFlow::FreshOutputName() {
  // Names come from the clock and a random number; two runs within one millisecond may
  // draw the same one, and a card already written must never be overwritten.
  constexpr int kAttempts = 64;
  std::string name;
  for (int i = 0; i < kAttempts; ++i) {
    name = report_.CreateFileName(folders_.output, "cu");
    if (!FileExists(name)) return name;
  }
  return name;
}

std::string PrintFlow::PrintLayout(std::string_view layout, bool open) {
  PostRecord();
  report_.SetInFile(TemplatePath(folders_, layout));
  report_.SetOutFile(FreshOutputName());
  if (OnProcessMessages) OnProcessMessages();
  if (open) {
    report_.ExecuteOpen({&table_}, kShowNormal);
  } else {
    report_.Execute({&table_});
  }
  return report_.OutFile();
}

int PrintFlow::OpenTemplate(std::string_view layout) {
  return report_.ShellOpen(TemplatePath(folders_, layout), kShowNormal);
}

}  // namespace vorn
