#include <string>

#include "data/dataset.h"
#include "engine/qertf/qertf.h"
#include "engine/qertfstream/fragment_reader.h"
#include "platform/system/stream.h"

namespace vorn {

void TQeRTF::MergeRtfText(std::string_view fragment) {
  TStream* output = Output();
  if (output == nullptr) {
    throw EIllegalFunctionUse("RTF fragment merged outside a report run");
  }
  TQeStream reader(fragment, *output);
  reader.ImportTables(HeaderTables);
  reader.Merge(LangText.empty() ? std::to_string(Lang()) : LangText, CodePage());
  reader.ExportTables(HeaderTables);
  reader.OverwriteRecordedOutput();
}

void TQeRTF::MergeRtfStream(TStream& stream) {
  const int64_t size = stream.Size();
  std::string bytes(static_cast<size_t>(size > 0 ? size : 0), '\0');
  stream.Seek(0);
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  MergeRtfText(bytes);
}

void TQeRTF::MergeRtfStream(const TField& field) { MergeRtfText(field.AsString()); }

}  // namespace vorn
