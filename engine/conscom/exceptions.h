#pragma once

#include "platform/system/exception.h"

namespace vorn {

// The template is not acceptable RTF.
class EBadRtfFormat : public Exception {
 public:
  using Exception::Exception;
};

// Files, output names, the shell, report variables.
class EIOError : public Exception {
 public:
  using Exception::Exception;
};

// Scan blocks and unbalanced scans.
class EIllegalScanUse : public Exception {
 public:
  using Exception::Exception;
};

// Functions, format functions, the user-defined function list.
class EIllegalFunctionUse : public Exception {
 public:
  using Exception::Exception;
};

// If/else/endif blocks.
class EIllegalIFUse : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace vorn
