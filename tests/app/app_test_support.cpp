#include "app/app_test_support.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/dialog/error_box.h"

namespace vorn::testing {

namespace {
// One application object for the whole test binary, on the offscreen platform unless a test
// run asks for a real one (VORN_TEST_PLATFORM=xcb, the preview's), with a desktop opener that
// opens nothing.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* platform = std::getenv("VORN_TEST_PLATFORM");
    ::setenv("QT_QPA_PLATFORM", platform != nullptr ? platform : "offscreen", 1);
    ::setenv("VORN_OPEN_COMMAND", "true", 1);
    application_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "vorn_app_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);
}  // namespace

ProgramDir::ProgramDir() {
  std::string pattern = std::filesystem::temp_directory_path().string() + "/vornapp.XXXXXX";
  root_ = ::mkdtemp(pattern.data());
  std::filesystem::copy(std::filesystem::path(VORN_SOURCE_DIR) / "templates" / "VornSAMPLE",
                        root_ / "VornSAMPLE");
  std::filesystem::create_directory(root_ / "VORNTEMP");
  // The batch choices the dialog remembers and the print history stay with the test.
  ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
}

ProgramDir::~ProgramDir() { std::filesystem::remove_all(root_); }

std::vector<std::string> ProgramDir::Cards() const {
  std::vector<std::string> names;
  if (!std::filesystem::exists(root_ / "VORNTEMP")) return names;
  for (const auto& entry : std::filesystem::directory_iterator(root_ / "VORNTEMP")) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

ErrorBoxes::ErrorBoxes() {
  SetErrorBoxHandler([this](QWidget*, const MessageBoxText& text) {
    (text.warning ? warnings_ : messages_).push_back(text.detail.toStdString());
    summaries_.push_back(text.summary.toStdString());
  });
}

ErrorBoxes::~ErrorBoxes() { SetErrorBoxHandler(nullptr); }

OpenRecorder::OpenRecorder(const ProgramDir& dir) : log_(dir.Path("opened.log")) {
  const std::string script = dir.Path("opener.sh");
  std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << log_ << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  ::setenv("VORN_OPEN_COMMAND", script.c_str(), 1);
}

OpenRecorder::~OpenRecorder() { ::setenv("VORN_OPEN_COMMAND", "true", 1); }

std::vector<std::string> OpenRecorder::Opened() const {
  std::vector<std::string> lines;
  std::ifstream in(log_);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace vorn::testing
