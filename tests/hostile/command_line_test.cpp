#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/fill_options.h"
#include "cli/fill_run.h"
#include "hostile/hostile_fixture.h"
#include "platform/system/shell_open.h"

namespace vorn::testing {
namespace {

using CommandLineTest = HostileTest;

// Fills `tmpl` with the arguments after it; returns the exit status and the messages.
int Fill(const std::vector<std::string>& args, std::string& errors) {
  std::ostringstream stream;
  int status = 2;
  try {
    status = RunFill(ParseFillOptions(args), stream);
  } catch (const UsageError& e) {
    stream << e.message;
  }
  errors = stream.str();
  return status;
}

TEST_F(CommandLineTest, ArgumentOfTheLargestSizeLinuxPassesIsHandled) {
  const std::string tmpl = dir_.Write("t.rtf", Doc("\\\\NOTE\\\\"));
  const std::string out = dir_.File("out.doc");
  const std::string value(131071 - 10, 'x');
  std::string errors;
  EXPECT_EQ(Fill({"--var", "NOTE=" + value, tmpl, out}, errors), 0) << errors;
  EXPECT_NE(ReadFileBytes(out).find(value), std::string::npos);
  // As a file name it is too long for the system: a clear error, not a crash.
  EXPECT_EQ(Fill({std::string(131071, 'a'), out}, errors), 1);
  EXPECT_NE(errors.find("Can't read report template from file: "), std::string::npos);
  EXPECT_EQ(Fill({tmpl, dir_.File(std::string(131071, 'b'))}, errors), 1);
  EXPECT_FALSE(errors.empty());
}

TEST_F(CommandLineTest, InvalidUtf8InValuesIsRefusedByName) {
  const std::string tmpl = dir_.Write("t.rtf", Doc("\\\\NOTE\\\\"));
  const std::string out = dir_.File("out.doc");
  for (const char* bad : {"\xff\xfe", "\xa4\xa4", "ok\xc3"}) {
    std::string errors;
    EXPECT_EQ(Fill({"--var", std::string("NOTE=") + bad, tmpl, out}, errors), 1) << bad;
    EXPECT_NE(errors.find("NOTE"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

// The opener gets the output path as one absolute argument whatever its characters, and
// nothing in a name is ever run.
TEST_F(CommandLineTest, OutputNamesReachTheOpenerIntact) {
  const std::string log = dir_.File("opened.log");
  const std::string opener = dir_.Write("opener.sh",
                                        "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n--\\n' \"$a\" "
                                        ">> '" +
                                            log + "'; done\n");
  ::chmod(opener.c_str(), 0755);
  ::setenv("VORN_OPEN_COMMAND", opener.c_str(), 1);
  // A name that a shell would run creates this file beside the test and beside the names.
  const std::string marker = "vorn_name_was_run";
  for (const std::string& name : std::vector<std::string>{
           "with space.doc", "quote\"and'.doc", "$(touch " + marker + ").doc",
           "a;touch " + marker + ".doc", "new\nline.doc", "-x.doc", "--help"}) {
    std::filesystem::remove(log);
    const std::string path = dir_.Write(name, "x");
    EXPECT_GT(ShellOpenFile(path, 5), 32) << name;
    for (int i = 0; i < 200 && !std::filesystem::exists(log); ++i) ::usleep(10000);
    EXPECT_EQ(ReadFileBytes(log), path + "\n--\n") << name;
  }
  ::unsetenv("VORN_OPEN_COMMAND");
  EXPECT_FALSE(std::filesystem::exists(marker));
  EXPECT_FALSE(std::filesystem::exists(dir_.File(marker)));
}

}  // namespace
}  // namespace vorn::testing
