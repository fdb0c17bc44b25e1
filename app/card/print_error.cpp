#include "app/card/print_error.h"

namespace vorn {

PrintErrorKind KindOf(const std::exception& error) {
  if (const auto* known = dynamic_cast<const PrintError*>(&error)) return known->Kind();
  return PrintErrorKind::kOther;
}

}  // namespace vorn
