#pragma once

#include <string>

namespace vorn {

// Opens a file with the desktop's default application, as a shell "open" verb would.
// Returns a shell result code: above 32 on success; 2 when the file is missing; 31 when
// there is no opener program or no application for the file type; 1 (reason unknown) for
// any other failure. The opener is `xdg-open`, or the program named by the environment
// variable VORN_OPEN_COMMAND; it is started without a shell, so no file name can run a
// command. `show_command` is accepted for the caller's sake; desktops here ignore it.
int ShellOpenFile(const std::string& path, int show_command);

// The program ShellOpenFile starts: VORN_OPEN_COMMAND when set, else "xdg-open".
std::string OpenerProgram();

}  // namespace vorn
