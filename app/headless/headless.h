#pragma once

#include <iosfwd>

namespace vorn {

struct CommandLine;

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // a report or data error
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;  // printed, but some rows were left out or cards changed

// Prints the command line's layout with its values, as the dialog's button
// would, or a batch of products from --csv or --sqlite, without any window;
// --pdf converts the document and opens the PDF instead. With no_open the
// document's path goes to `out`; errors go to `err`, and so does a batch's
// progress line when `err_is_terminal`, and a warning for every product left out
// of a batch, every barcode printed without its symbol and every value cut to
// its field (exit status 3). Returns the exit status.
int RunHeadless(const CommandLine& command, std::ostream& out, std::ostream& err,
                bool err_is_terminal = false);

}  // namespace vorn
