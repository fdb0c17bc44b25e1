#pragma once

#include <ostream>

#include "cli/fill_options.h"

namespace vorn {

class TQeRTF;

// Applies the report settings of the command line to `report`; throws UsageError for an
// unknown option name.
void ConfigureReport(const FillOptions& options, TQeRTF& report);

// Loads the data, fills the template and writes the output. Returns the exit status:
// 0 done, 1 a report or data error (the report's message written to `errors`),
// 2 a usage error.
int RunFill(const FillOptions& options, std::ostream& errors);

}  // namespace vorn
