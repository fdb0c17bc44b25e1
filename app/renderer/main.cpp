// vornrender: LibreOffice for vornreport, in a process of its own so that a crash of it never
// takes the program down. Started by the program only (app/output/helper_process.h):
//   vornrender --parent PID --folder DIR --office PROGRAM_DIR --profile PROFILE_DIR
//       serves PDF and page requests on descriptor 3 (app/output/render_protocol.h)
//   vornrender --parent PID --folder DIR --exec PROGRAM ARG...
//       runs another program (soffice.bin) tied to the caller in the same way
// It ends with its parent, and leaves nothing in its folder, the TMPDIR it was given.
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/output/render_protocol.h"
#include "app/renderer/lok_session.h"
#include "platform/system/exception.h"

namespace {
constexpr int kSocket = 3;
// Marks the start after the profile was settled, so it is never tried twice.
constexpr const char* kSettled = "--settled";

struct Arguments {
  pid_t parent = 0;
  std::string folder;
  std::string office;
  std::string profile;
  std::vector<std::string> exec;
  bool settled = false;
};

Arguments Parse(int argc, char** argv) {
  Arguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "--exec") {
      arguments.exec.assign(argv + i + 1, argv + argc);
      break;
    }
    if (name == kSettled) {
      arguments.settled = true;
      continue;
    }
    if (i + 1 >= argc) break;
    const std::string value = argv[++i];
    if (name == "--parent") arguments.parent = static_cast<pid_t>(std::atol(value.c_str()));
    if (name == "--folder") arguments.folder = value;
    if (name == "--office") arguments.office = value;
    if (name == "--profile") arguments.profile = value;
  }
  return arguments;
}

// The system sends `signal` when the parent ends; a parent that ended before this line ran
// would never send it, so the parent is checked after.
void TieToParent(pid_t parent, int signal) {
  if (::prctl(PR_SET_PDEATHSIG, signal) != 0 || parent <= 0 || ::getppid() != parent) {
    std::_Exit(1);
  }
}

sigset_t EndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&signals, signal);
  return signals;
}

// LibreOffice's threads run on while the folder goes and may add a file meanwhile, which
// leaves the folder standing without its lock, where no later sweep removes it: a few tries.
void RemoveFolder(const std::string& folder) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!std::filesystem::exists(folder, ignored)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

// LibreOffice keeps its temporary files in the folder; whoever ends us, it goes with us. The
// signals are blocked in every thread, LibreOffice's included, and taken here alone.
void WatchEndingSignals(const std::string& folder) {
  const sigset_t signals = EndingSignals();
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([folder, signals] {
    int signal = 0;
    ::sigwait(&signals, &signal);
    RemoveFolder(folder);
    std::_Exit(128 + signal);
  }).detach();
}

int Exec(const std::vector<std::string>& command) {
  std::vector<char*> argv;
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  std::perror(argv[0]);
  return 127;
}

void Send(const vorn::RenderMessage& message) { vorn::SendRenderMessage(kSocket, message); }

vorn::RenderMessage Answer(vorn::LokSession& session, const vorn::RenderMessage& request) {
  switch (request.verb) {
    case vorn::RenderVerb::kPdf:
      return session.Pdf(request.Field(0));
    case vorn::RenderVerb::kPage:
      return session.Page(request.Field(0), std::atoi(request.Field(1).c_str()),
                          std::atoi(request.Field(2).c_str()));
    default:
      return {vorn::RenderVerb::kFailed, {"The renderer takes no such request"}, {}};
  }
}

// Starts again as a new program in this process, which keeps our socket, lock and parent.
[[noreturn]] void StartAgainSettled(char** argv) {
  std::vector<char*> again;
  for (char** argument = argv; *argument != nullptr; ++argument) again.push_back(*argument);
  again.push_back(const_cast<char*>(kSettled));
  again.push_back(nullptr);
  ::execv("/proc/self/exe", again.data());
  std::_Exit(1);
}

int Serve(const Arguments& arguments, char** argv) {
  std::unique_ptr<vorn::LokSession> session;
  try {
    session =
        std::make_unique<vorn::LokSession>(arguments.office, arguments.profile, arguments.folder);
    // Once per profile (and per LibreOffice version): one start ended in order, then ours.
    if (!arguments.settled && !session->ProfileSettled()) {
      session->SettleProfile();
      StartAgainSettled(argv);
    }
  } catch (const vorn::Exception& e) {
    Send({vorn::RenderVerb::kFailed, {e.what()}, {}});
    return 1;
  }
  Send({vorn::RenderVerb::kReady, {session->Version()}, {}});
  vorn::RenderMessageReader reader;
  while (std::optional<vorn::RenderMessage> request = vorn::ReceiveRenderMessage(kSocket, reader)) {
    Send(Answer(*session, *request));
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  const Arguments arguments = Parse(argc, argv);
  if (arguments.folder.empty()) {
    std::fprintf(stderr, "vornrender is started by vornreport only\n");
    return 2;
  }
  if (!arguments.exec.empty()) {
    // The program run cannot clean up when killed; its folder is the caller's to remove.
    TieToParent(arguments.parent, SIGKILL);
    return Exec(arguments.exec);
  }
  TieToParent(arguments.parent, SIGTERM);
  WatchEndingSignals(arguments.folder);
  int status = 1;
  try {
    status = Serve(arguments, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vornrender: %s\n", e.what());
  }
  // LibreOffice's own shutdown takes long and saves nothing we need.
  RemoveFolder(arguments.folder);
  std::_Exit(status);
}
