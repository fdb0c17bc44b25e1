#include "engine/qertf/qertf.h"

namespace vorn {

// Pictures need the picture writer; until it is part of the engine a picture tag is a
// clear error, never silent output.
void TQeRTF::WritePictureFromFile(const std::string& file_name, const TQeRowContent& row) {
  throw EIllegalFunctionUse("Pictures are not supported in this build: " +
                            (row.TagText.empty() ? file_name : row.TagText));
}

void TQeRTF::WritePictureFromField(const TField& /*field*/, const TQeRowContent& row) {
  throw EIllegalFunctionUse("Pictures are not supported in this build: " + row.TagText);
}

}  // namespace vorn
