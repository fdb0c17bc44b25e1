#pragma once

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn::testing {

// A fresh folder holding a copy of the shipped templates and an empty card folder,
// laid out as the program finds them beside itself, and the folder of the program's settings
// ($XDG_CONFIG_HOME); removed afterwards.
class ProgramDir {
 public:
  ProgramDir();
  ~ProgramDir();
  ProgramDir(const ProgramDir&) = delete;
  ProgramDir& operator=(const ProgramDir&) = delete;

  std::string Templates() const { return (root_ / "VornSAMPLE").string(); }
  std::string Output() const { return (root_ / "VORNTEMP").string(); }
  std::string Path(const std::string& name) const { return (root_ / name).string(); }
  // The names of the cards written so far.
  std::vector<std::string> Cards() const;

 private:
  std::filesystem::path root_;
};

// Collects the error and warning boxes shown while it lives, instead of opening them.
class ErrorBoxes {
 public:
  ErrorBoxes();
  ~ErrorBoxes();
  ErrorBoxes(const ErrorBoxes&) = delete;
  ErrorBoxes& operator=(const ErrorBoxes&) = delete;

  // The program's messages of the error boxes, and the details of the warning boxes.
  const std::vector<std::string>& Messages() const { return messages_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // The sentence each box led with, errors and warnings in order.
  const std::vector<std::string>& Summaries() const { return summaries_; }
  void Clear() {
    messages_.clear();
    warnings_.clear();
    summaries_.clear();
  }

 private:
  std::vector<std::string> messages_;
  std::vector<std::string> warnings_;
  std::vector<std::string> summaries_;
};

// Sets VORN_OPEN_COMMAND to a script that appends each opened path to a log, for as
// long as it lives; the program otherwise opens nothing in tests.
class OpenRecorder {
 public:
  explicit OpenRecorder(const ProgramDir& dir);
  ~OpenRecorder();
  OpenRecorder(const OpenRecorder&) = delete;
  OpenRecorder& operator=(const OpenRecorder&) = delete;

  std::vector<std::string> Opened() const;

 private:
  std::string log_;
};

std::string ReadFile(const std::string& path);

}  // namespace vorn::testing
