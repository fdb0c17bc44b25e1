#include "app/pdf_export.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <vector>

#include "platform/exception.h"
#include "platform/files.h"

extern char **environ;

namespace vorn {

namespace {
std::string PdfPathFor(const std::string &document) {
  std::filesystem::path pdf(document);
  pdf.replace_extension(".pdf");
  return pdf.string();
}

// Runs the program without a shell, so no file name can run a command; its
// output is dropped. Returns its exit status, or -1 when it did not end
// normally.
int RunProgram(const std::vector<std::string> &arguments) {
  std::vector<char *> argv;
  for (const std::string &argument : arguments)
    argv.push_back(const_cast<char *>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

std::string FindOfficeProgram() {
  const char *path = std::getenv("PATH");
  if (path == nullptr) return std::string();
  std::string_view rest(path);
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view folder = rest.substr(0, colon);
    if (!folder.empty()) {
      const std::string candidate = std::string(folder) + "/soffice";
      if (::access(candidate.c_str(), X_OK) == 0 && !DirectoryExists(candidate)) return candidate;
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return std::string();
}

std::string ConvertToPdf(const std::string &document) {
  const std::string office = FindOfficeProgram();
  if (office.empty()) {
    throw Exception(
        "LibreOffice is not installed (no soffice on PATH); cannot "
        "write the PDF of " +
        document);
  }
  const std::filesystem::path absolute = std::filesystem::absolute(document);
  const std::string pdf = PdfPathFor(absolute.string());
  // A PDF left from an earlier run must not pass for this one's.
  DeleteFile(pdf);
  const std::string profile = TempDir() + "/vornreport-office-" + std::to_string(::getuid());
  const int status =
      RunProgram({office, "-env:UserInstallation=file://" + profile, "--headless",
                  // Cards are RTF under a ".doc" name; the Word filter would refuse them.
                  "--infilter=Rich Text Format", "--convert-to", "pdf", "--outdir",
                  absolute.parent_path().string(), absolute.string()});
  if (status != 0 || !FileExists(pdf)) {
    throw Exception("LibreOffice could not convert the document to PDF: " + document);
  }
  return pdf;
}

}  // namespace vorn
