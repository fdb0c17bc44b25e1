#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace vorn {

// A program started without a shell, so no argument can run a command, with its standard
// output and error going to `output_file` ("/dev/null" to drop them). The destructor ends a
// program still running (SIGTERM, then SIGKILL after a grace period) and waits for it, so an
// abandoned run leaves no process behind.
class ChildProcess {
 public:
  // Throws vorn::Exception naming the program when it cannot be started.
  explicit ChildProcess(const std::vector<std::string>& arguments,
                        const std::string& output_file = "/dev/null");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Whether it has ended; never blocks.
  bool Finished();
  // Waits for the end; its exit status, or -1 when it did not end normally.
  int Wait();
  // Its exit status once Finished().
  int Status() const { return status_; }

 private:
  // One waitpid for the program; marks it done when it has ended.
  void Reap(int options);

  pid_t pid_ = -1;
  bool done_ = false;
  int status_ = -1;
};

// Runs the program to its end and returns its exit status, -1 when it could not start or did
// not end normally; its output goes to `output_file`.
int RunProgram(const std::vector<std::string>& arguments,
               const std::string& output_file = "/dev/null");

// The first executable called `name` in the folders of PATH, or "" when there is none.
std::string FindProgram(const std::string& name);

}  // namespace vorn
