#include "engine/qertf/qertf.h"

namespace vorn {

// Fragments need the fragment reader; until it is part of the engine an FRTF tag is a
// clear error, never silent output.
void TQeRTF::MergeRtfText(std::string_view /*fragment*/) {
  throw EIllegalFunctionUse("RTF fragments are not supported in this build");
}

}  // namespace vorn
