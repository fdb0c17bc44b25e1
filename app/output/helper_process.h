#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/output/work_folder.h"

namespace vorn {

// The program's renderer executable: $VORN_RENDERER when set (tests), else "vornrender" beside
// the running program.
std::string RendererProgram();

// One run of the renderer executable, tied to this process: started without a shell, it talks
// over a socket (its descriptor 3), keeps its temporary files in a private folder of ours
// (a WorkFolder "vornrender-XXXXXX", its TMPDIR, whose lock it holds as well), and ends with
// us: its first step is to ask the system for SIGTERM when the thread that started it ends, so
// start helpers from a thread that outlives them (the main thread).
class HelperProcess {
 public:
  // Starts `program` with "--parent PID --folder FOLDER" and then `arguments`. Throws
  // vorn::Exception when it cannot start.
  HelperProcess(const std::string& program, const std::vector<std::string>& arguments);
  // Kills the helper, waits for it and removes its folder.
  ~HelperProcess();
  HelperProcess(const HelperProcess&) = delete;
  HelperProcess& operator=(const HelperProcess&) = delete;

  // Our end of the socket.
  int Socket() const { return socket_; }
  pid_t Pid() const { return pid_; }
  // Its private folder, which it may write in.
  const std::string& Folder() const { return folder_.Path(); }

  // Whether it has ended; never blocks.
  bool Finished();
  // How it ended: "ended with status 3", "was killed by signal SIGSEGV"; "is running" before.
  std::string EndText() const;
  // Its exit status once Finished(), -1 when it was killed.
  int Status() const;
  // Ends it at once (SIGKILL) and waits for it.
  void Kill();

 private:
  void Reap(int options);

  WorkFolder folder_;
  pid_t pid_ = -1;
  int socket_ = -1;
  bool done_ = false;
  int wait_status_ = 0;
};

}  // namespace vorn
