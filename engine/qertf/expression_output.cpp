#include "engine/qertf/qertf.h"

namespace vorn {

// Expressions need the evaluator; until it is part of the engine an expression tag is a
// clear error, never a made-up value.
void TQeRTF::GenerateExpression() {
  const TQeExprHead head = ReadExprStart();
  throw EIllegalFunctionUse("Expressions are not supported in this build: " + head.Row.Text);
}

}  // namespace vorn
