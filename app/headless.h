#pragma once

#include <iosfwd>

namespace vorn {

struct CommandLine;

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // a report or data error
inline constexpr int kExitUsage = 2;

// Prints the command line's layout with its values, as the dialog's button would, without
// any window. With no_open the card's path goes to `out`; errors go to `err`. Returns the
// exit status.
int RunHeadless(const CommandLine& command, std::ostream& out, std::ostream& err);

}  // namespace vorn
