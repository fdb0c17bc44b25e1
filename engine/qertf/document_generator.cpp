#include "engine/qertf/qertf.h"
#include "platform/stream.h"

namespace vorn {

void TQeRTF::GenerateDocument() {
  SetOutput(Intermediate());
  CompiledStream& stream = Stream();
  stream.TemplatePos = 0;
  stream.Rewind();
  while (true) {
    const int32_t kind = stream.ReadHeader();
    if (kind == rkStreamEnd) break;
    switch (kind) {
      case rkText:
      case rkVerbatimGroup:
        stream.ReadTrailer();
        WriteOutput(TemplateText(stream.PrevTemplatePos, stream.TemplatePos));
        break;
      case rkFontTable:
      case rkColorTable:
      case rkStyleSheet:
      case rkInfo:
        stream.ReadTrailer();
        AddOutTab(kind, Intermediate()->Position());
        break;
      case rkLiteral:
        WriteOutput(stream.ReadLiteral());
        break;
      case rkExprStart:
        GenerateExpression();
        break;
      default:
        stream.Skip();
        break;
    }
  }
  AddOutTab(0, Intermediate()->Position());
}

}  // namespace vorn
