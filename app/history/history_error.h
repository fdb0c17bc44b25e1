#pragma once

#include "platform/system/exception.h"

namespace vorn {

// The print history cannot be used just now: locked by another program, read-only, damaged,
// on a full disk, or in a folder that is not the user's own. The message names the file and
// the reason. A print goes on without its history; the caller shows the message as a warning.
class HistoryUnavailable : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace vorn
