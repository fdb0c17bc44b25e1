#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "app/output/helper_process.h"
#include "app/output/interrupt.h"
#include "app/output/office_profile.h"
#include "app/output/pdf_export.h"
#include "app/output/renderer.h"
#include "app/output/staged_file.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/scope_exit.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// LibreOffice's status when it made a profile and wants to be started again.
constexpr int kRestartStatus = 81;
constexpr auto kLimit = std::chrono::seconds(120);
constexpr auto kLimitPerMegabyte = std::chrono::seconds(30);

std::string LowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return extension;
}

// Whether nothing listens on the socket at `path` any more.
bool DeadSocket(const std::string& path) {
  sockaddr_un address{};
  if (path.size() >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool dead =
      ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
      errno == ECONNREFUSED;
  ::close(probe);
  return dead;
}

// LibreOffice opens a socket for its single instance in /tmp whatever TMPDIR says, and leaves
// it when it is killed. After we ended one, the user's sockets of that kind made since it
// started and dead now go.
void RemoveDeadOfficeSockets(std::time_t since) {
  const std::string prefix = "OSL_PIPE_" + std::to_string(::geteuid()) + "_SingleOfficeIPC_";
  for (const char* folder_name : {"/tmp", "/var/tmp"}) {
    DIR* folder = ::opendir(folder_name);
    if (folder == nullptr) continue;
    while (const dirent* entry = ::readdir(folder)) {
      const std::string name = entry->d_name;
      if (!name.starts_with(prefix)) continue;
      const std::string path = std::string(folder_name) + "/" + name;
      struct stat st {};
      if (::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid() &&
          st.st_mtime >= since && DeadSocket(path)) {
        ::unlink(path.c_str());
      }
    }
    ::closedir(folder);
  }
}

// Waits for the helper to end by the deadline and returns its status; a signal during an
// InterruptScope throws Interrupted.
int AwaitHelper(HelperProcess& helper, Clock::time_point deadline, std::chrono::seconds limit,
                const std::string& spreadsheet) {
  while (!helper.Finished()) {
    ThrowIfInterrupted();
    if (Clock::now() >= deadline) {
      throw Exception("LibreOffice did not finish reading the spreadsheet within " +
                      std::to_string(limit.count()) + " s: " + spreadsheet);
    }
    PauseUnlessInterrupted(std::chrono::milliseconds(20));
  }
  return helper.Status();
}
}  // namespace

bool IsSpreadsheetFile(const std::string& path) {
  const std::string extension = LowerExtension(path);
  return extension == ".xlsx" || extension == ".xls" || extension == ".ods" ||
         extension == ".xlsm" || extension == ".fods";
}

std::string ConvertSpreadsheetToCsv(const std::string& spreadsheet, const std::string& folder) {
  if (!FileExists(spreadsheet)) throw Exception("Cannot open data file: " + spreadsheet);
  const std::string office = OfficeProgramFolder();
  if (office.empty()) {
    throw Exception("LibreOffice is not installed (no soffice on PATH); cannot read " +
                    spreadsheet);
  }
  // LibreOffice reads the file through a plain name of its own, whatever characters the real
  // one holds, and leaves its lock file beside that.
  const std::string input = folder + "/spreadsheet" + LowerExtension(spreadsheet);
  const std::string csv = folder + "/spreadsheet.csv";
  UnstageFile(input);
  DeleteFile(csv);
  StageFile(spreadsheet, input);
  const ScopeExit unstage([&input] { UnstageFile(input); });
  OfficeProfile profile;
  profile.Prepare();
  const std::chrono::seconds limit =
      kLimit + kLimitPerMegabyte * (FileSize(spreadsheet).value_or(0) / (1024 * 1024));
  const Clock::time_point deadline = Clock::now() + limit;
  // Comma between cells, double quotes around text, UTF-8 (76), from the first row, cells as
  // they are stored rather than as shown (a barcode shown as 4.71E+12, a price as $1,280), of
  // the first sheet.
  const std::vector<std::string> command = {
      "--exec",
      office + "/soffice.bin",
      profile.SofficeArgument(),
      "--headless",
      "--norestore",
      "--convert-to",
      "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false",
      "--outdir",
      folder,
      input};
  int status = -1;
  for (int start = 0; start < 2; ++start) {
    const std::time_t started = std::time(nullptr) - 1;
    bool ended = false;
    // Runs after the helper is gone, when a time limit or a signal ended it.
    const ScopeExit sockets([&ended, started] {
      if (!ended) RemoveDeadOfficeSockets(started);
    });
    HelperProcess helper(RendererProgram(), command);
    status = AwaitHelper(helper, deadline, limit, spreadsheet);
    ended = true;
    if (status != kRestartStatus) break;
  }
  if (status != 0 || !FileExists(csv)) {
    throw Exception("LibreOffice could not read the spreadsheet " + spreadsheet);
  }
  if (!profile.Complete()) profile.MarkComplete();
  return csv;
}

}  // namespace vorn
