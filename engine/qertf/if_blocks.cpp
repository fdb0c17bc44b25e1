#include "engine/qertf/qertf.h"

namespace vorn {

// If blocks need their compiler and generator; until they are part of the engine an if
// command is a clear error naming the tag, never silent output.
void TQeRTF::CompileIfCommand(int32_t /*kind*/, const std::string& /*text*/,
                              const std::string& tag_text, const TagTextParts& /*parts*/,
                                TemplateScanner& /*scanner*/) {
  throw EIllegalIFUse("If blocks are not supported in this build: " + tag_text);
}

}  // namespace vorn
