#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "cli/fill_options.h"
#include "cli/fill_run.h"
#include "hostile/hostile_fixture.h"
#include "hostile/io_faults.h"
#include "platform/system/files.h"

namespace vorn::testing {
namespace {

// A document of about 200 KiB: enough to fill any small file system or file size limit.
std::string LargeTemplate() {
  std::string body;
  for (int i = 0; i < 4000; ++i) body += "shelf card line with some words \\\\A:ID\\\\\\par\n";
  return "{\\rtf1\\ansi " + body + "}";
}

// Every run writes its temporary files into its own $TMPDIR, so that a test can see that
// none is left behind; the output goes to folders made by the test.
class FaultInjectionTest : public HostileTest {
 protected:
  void SetUp() override {
    HostileTest::SetUp();
    const char* old = std::getenv("TMPDIR");
    saved_tmpdir_ = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    tmp_ = dir_.Path() + "/tmp";
    std::filesystem::create_directory(tmp_);
    ::setenv("TMPDIR", tmp_.c_str(), 1);
  }
  void TearDown() override {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    if (saved_tmpdir_) {
      ::setenv("TMPDIR", saved_tmpdir_->c_str(), 1);
    } else {
      ::unsetenv("TMPDIR");
    }
    HostileTest::TearDown();
  }

  // A fresh tmpfs of `size` at `dir`, or nullopt when this process may not mount.
  bool MountTmpfs(const std::string& dir, const char* size, bool read_only = false) {
    std::filesystem::create_directories(dir);
    const std::string data = std::string("size=") + size;
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, data.c_str()) != 0) return false;
    mounts_.push_back(dir);
    if (read_only &&
        ::mount("tmpfs", dir.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, data.c_str()) != 0) {
      return false;
    }
    return true;
  }

  // Runs Execute of the template file into `out_file` and returns the error ("" on success).
  std::string ExecuteFileError(const std::string& tmpl_file, const std::string& out_file) {
    fuzz::FixedData data;
    TQeRTF report;
    report.SetInFile(tmpl_file);
    report.SetOutFile(out_file);
    try {
      report.Execute(data.DataSets());
    } catch (const Exception& e) {
      EXPECT_FALSE(report.Succeeded());
      return e.what();
    }
    EXPECT_TRUE(report.Succeeded());
    return "";
  }
  std::string ExecuteError(const std::string& tmpl, const std::string& out_file) {
    return ExecuteFileError(dir_.Write("template.rtf", tmpl), out_file);
  }

  static std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // After a failed run: nothing under the final name, no temporary file beside it and none
  // in $TMPDIR.
  void ExpectNothingLeft(const std::string& out_file) {
    EXPECT_FALSE(std::filesystem::exists(out_file));
    if (std::filesystem::is_directory(DirName(out_file))) {
      EXPECT_EQ(Entries(DirName(out_file)), std::vector<std::string>{});
    }
    EXPECT_EQ(Entries(tmp_), std::vector<std::string>{});
  }

  std::string tmp_;
  std::optional<std::string> saved_tmpdir_;
  std::vector<std::string> mounts_;
};

TEST_F(FaultInjectionTest, DiskFullNamesTheFileAndLeavesNothing) {
  const std::string full = dir_.Path() + "/full";
  if (!MountTmpfs(full, "64k")) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string out = full + "/card.doc";
  const std::string message = ExecuteError(LargeTemplate(), out);
  EXPECT_NE(message.find(out), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
  ExpectNothingLeft(out);
}

TEST_F(FaultInjectionTest, FullTemporaryFolderFailsTheRunCleanly) {
  if (!MountTmpfs(tmp_, "64k")) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  std::filesystem::create_directory(dir_.Path() + "/out");
  const std::string out = dir_.Path() + "/out/card.doc";
  const std::string message = ExecuteError(LargeTemplate(), out);
  EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
  ExpectNothingLeft(out);
}

TEST_F(FaultInjectionTest, FileSizeLimitIsAnErrorNotASignal) {
  std::filesystem::create_directory(dir_.Path() + "/out");
  const std::string out = dir_.Path() + "/out/card.doc";
  const std::string tmpl = dir_.Write("big.rtf", LargeTemplate());
  // In a child, so that the limit touches nothing else; it starts with the signal's default
  // action, as a fresh process does, since this process ignores it after its first output.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    const rlimit limit{16 * 1024, 16 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    // The limit strikes the first file that grows past it: the run's intermediate file in
    // $TMPDIR, or the output itself.
    const std::string message = ExecuteFileError(tmpl, out);
    const bool named = (message.find(out) != std::string::npos ||
                        message.find(tmp_ + "/qer") != std::string::npos) &&
                       message.find(std::strerror(EFBIG)) != std::string::npos;
    ::_exit(named ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the error did not name the file and EFBIG";
  // The same limit on the output alone, with the intermediate in memory.
  const pid_t second = ::fork();
  ASSERT_GE(second, 0);
  if (second == 0) {
    ::signal(SIGXFSZ, SIG_DFL);
    fuzz::FixedData data;
    TQeRTF report;
    report.SetInFile(tmpl);
    TMemoryStream memory;
    report.ExecuteToStream(data.DataSets(), memory);
    const rlimit limit{16 * 1024, 16 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::string message;
    try {
      AtomicOutputFile file(out);
      file.Stream().Write(memory.Bytes());
      file.Commit();
    } catch (const Exception& e) {
      message = e.what();
    }
    ::_exit(message.find(out) != std::string::npos &&
                    message.find(std::strerror(EFBIG)) != std::string::npos
                ? 0
                : 1);
  }
  ASSERT_EQ(::waitpid(second, &status, 0), second);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the error did not name the output and EFBIG";
  ExpectNothingLeft(out);
}

TEST_F(FaultInjectionTest, ReadOnlyFolderNamesTheFile) {
  const std::string ro = dir_.Path() + "/ro";
  if (!MountTmpfs(ro, "64k", true)) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  const std::string out = ro + "/card.doc";
  const std::string message = ExecuteError(Doc("x"), out);
  EXPECT_NE(message.find(out), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(EROFS)), std::string::npos) << message;
  ExpectNothingLeft(out);
}

// As a user without write permission (root passes over file modes, so the run drops to
// "nobody" in a child).
TEST_F(FaultInjectionTest, FolderWithoutWritePermissionNamesTheFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to change to another user";
  const std::string locked = dir_.Path() + "/locked";
  std::filesystem::create_directory(locked);
  ::chmod(locked.c_str(), 0555);
  ::chmod(dir_.Path().c_str(), 0755);
  const std::string tmpl = dir_.Write("small.rtf", Doc("x"));
  ::chmod(tmpl.c_str(), 0644);
  const std::string out = locked + "/card.doc";
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setenv("TMPDIR", "/tmp", 1);
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
    const std::string message = ExecuteFileError(tmpl, out);
    ::_exit(message.find(out) != std::string::npos &&
                    message.find(std::strerror(EACCES)) != std::string::npos
                ? 0
                : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the error did not name the file and EACCES";
  EXPECT_EQ(Entries(locked), std::vector<std::string>{});
}

TEST_F(FaultInjectionTest, MissingFolderNamesTheFile) {
  const std::string out = dir_.Path() + "/missing/card.doc";
  const std::string message = ExecuteError(Doc("x"), out);
  EXPECT_NE(message.find(out), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
  ExpectNothingLeft(out);
}

TEST_F(FaultInjectionTest, FullDeviceAsTheCallersStreamIsReported) {
  fuzz::FixedData data;
  TQeRTF report;
  report.SetInFile(dir_.Write("big.rtf", LargeTemplate()));
  std::string message;
  try {
    TFileStream full("/dev/full", TFileStream::Mode::kCreate);
    report.ExecuteToStream(data.DataSets(), full);
    full.Close();
  } catch (const Exception& e) {
    message = e.what();
  }
  EXPECT_NE(message.find(std::strerror(ENOSPC)), std::string::npos) << message;
  EXPECT_EQ(Entries(tmp_), std::vector<std::string>{});
}

TEST_F(FaultInjectionTest, StandardOutputOnAFullDeviceFailsTheFill) {
  FillOptions options;
  options.template_file = dir_.Write("big.rtf", LargeTemplate());
  options.output_file = "-";
  const int saved = ::dup(STDOUT_FILENO);
  const int full = ::open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  ::dup2(full, STDOUT_FILENO);
  std::ostringstream errors;
  const int status = RunFill(options, errors);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  ::close(full);
  EXPECT_EQ(status, 1);
  EXPECT_NE(errors.str().find(std::strerror(ENOSPC)), std::string::npos) << errors.str();
}

TEST_F(FaultInjectionTest, TemplateDeletedBeforeTheRunCannotBeRead) {
  const std::string tmpl = dir_.Write("gone.rtf", Doc("x"));
  std::filesystem::remove(tmpl);
  FillOptions options;
  options.template_file = tmpl;
  options.output_file = dir_.Path() + "/out.doc";
  std::ostringstream errors;
  EXPECT_EQ(RunFill(options, errors), 1);
  EXPECT_EQ(errors.str(), "vornfill: Can't read report template from file: " + tmpl + "\n");
  EXPECT_FALSE(std::filesystem::exists(options.output_file));
}

// The template is read once, so deleting it while the document is generated changes nothing.
TEST_F(FaultInjectionTest, TemplateDeletedWhileRunningStillGivesTheDocument) {
  const std::string body = Doc("\\\\SCAN(A)\\\\\\\\A:ID\\\\ \\\\ENDSCAN\\\\");
  const std::string expected = RunOutput(body);
  fuzz::FixedData data;
  TQeRTF report;
  report.SetCharset(136);
  report.SetLang(1028);
  const std::string tmpl = dir_.Write("deleted.rtf", body);
  report.SetInFile(tmpl);
  report.OnScanRecord = [&](TQeScanInfo&) { std::filesystem::remove(tmpl); };
  TMemoryStream out;
  report.ExecuteToStream(data.DataSets(), out);
  EXPECT_FALSE(std::filesystem::exists(tmpl));
  EXPECT_EQ(out.Bytes(), expected);
}

// A picture file that disappears between two cards shows on the first and becomes the
// visible "#Can't load file" text on the others; the run completes.
TEST_F(FaultInjectionTest, PictureDeletedMidRunShowsAsText) {
  const std::string picture = dir_.Path() + "/logo.jpg";
  std::filesystem::copy_file(std::string(VORN_TEST_DATA_DIR) + "/pictures/block.jpg", picture);
  fuzz::FixedData data;
  TQeRTF report;
  report.SetInFile(dir_.Write(
      "pic.rtf", Doc("\\\\SCAN(A)\\\\\\\\FIMG(\"" + picture + "\")\\\\\\\\ENDSCAN\\\\")));
  int records = 0;
  report.OnScanRecord = [&](TQeScanInfo&) {
    if (++records == 2) std::filesystem::remove(picture);
  };
  TMemoryStream out;
  report.ExecuteToStream(data.DataSets(), out);
  EXPECT_EQ(records, 3);
  size_t pictures = 0;
  for (size_t at = out.Bytes().find("{\\pict"); at != std::string::npos;
       at = out.Bytes().find("{\\pict", at + 1)) {
    ++pictures;
  }
  EXPECT_EQ(pictures, 1u);
  EXPECT_NE(out.Bytes().find("#Can't load file " + picture), std::string::npos);
}

// A stream whose Nth write fails, standing for a device that fails part way.
class FailingStream : public TStream {
 public:
  explicit FailingStream(int fail_at) : fail_at_(fail_at) {}
  size_t Read(void* buffer, size_t count) override { return inner_.Read(buffer, count); }
  void Write(const void* data, size_t count) override {
    if (++writes_ == fail_at_) throw Exception("Can't write stream: injected I/O error");
    inner_.Write(data, count);
  }
  int64_t Position() const override { return inner_.Position(); }
  void Seek(int64_t position) override { inner_.Seek(position); }
  int64_t Size() const override { return inner_.Size(); }
  int Writes() const { return writes_; }

 private:
  TMemoryStream inner_;
  int fail_at_;
  int writes_ = 0;
};

TEST_F(FaultInjectionTest, EveryFailedWriteFailsTheRunAndLeavesNoTemporaryFile) {
  const std::string tmpl =
      dir_.Write("t.rtf", Doc("\\\\SCAN(A)\\\\\\\\A:NAME\\\\ \\\\FRTF(A:FRAG)\\\\"
                              "\\\\ENDSCAN\\\\"));
  for (int fail_at = 1;; ++fail_at) {
    ASSERT_LT(fail_at, 10000);
    fuzz::FixedData data;
    TQeRTF report;
    report.SetInFile(tmpl);
    FailingStream stream(fail_at);
    try {
      report.ExecuteToStream(data.DataSets(), stream);
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), "Can't write stream: injected I/O error");
      EXPECT_FALSE(report.Succeeded());
      EXPECT_EQ(Entries(tmp_), std::vector<std::string>{}) << "write " << fail_at;
      continue;
    }
    EXPECT_TRUE(report.Succeeded());
    EXPECT_LT(stream.Writes(), fail_at);
    break;
  }
}

// A run killed at any moment leaves either no file or the whole document under the final
// name; the next run clears the temporary file the killed one left.
TEST_F(FaultInjectionTest, KilledRunLeavesNoPartialFile) {
  std::filesystem::create_directory(dir_.Path() + "/out");
  const std::string out = dir_.Path() + "/out/card.doc";
  const std::string tmpl = dir_.Write("big.rtf", LargeTemplate());
  ASSERT_EQ(ExecuteFileError(tmpl, out), "");
  const std::string complete = ReadFileBytes(out);
  std::mt19937 random(12345);
  for (int round = 0; round < 8; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (;;) ExecuteFileError(tmpl, out);
    }
    ::usleep(1000 + random() % 40000);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    if (std::filesystem::exists(out)) {
      EXPECT_EQ(ReadFileBytes(out), complete) << round;
    }
  }
  ASSERT_EQ(ExecuteFileError(tmpl, out), "");
  EXPECT_EQ(Entries(dir_.Path() + "/out"), std::vector<std::string>{"card.doc"});
}

// The last steps of writing a file fail: the Nth fsync, close or rename of a file under the
// test's folder, for N = 1, 2, ... until no call is left to fail, once for that call alone and
// once for it and all later ones.
struct CommitFault {
  const char* name;
  IoCall call;
  int error;
  Persistence persistence;
  // Every output passes through this call at least once, so some failure must reach the user.
  bool must_fail;
};

class CommitFaultTest : public FaultInjectionTest,
                        public ::testing::WithParamInterface<CommitFault> {
 protected:
  // Runs `attempt` under the fault for N = 1, 2, ... and checks each outcome with `check`
  // (given the error, "" for success, and N); returns how many attempts failed.
  int ForEveryN(const std::function<std::string()>& attempt,
                const std::function<void(const std::string&, int)>& check) {
    const CommitFault& fault = GetParam();
    int failures = 0;
    for (int nth = 1;; ++nth) {
      EXPECT_LT(nth, 50);
      if (nth >= 50) break;
      std::string message;
      bool struck = false;
      {
        ScopedIoFault injected(fault.call, nth, fault.error, dir_.Path(), fault.persistence);
        message = attempt();
        struck = injected.Struck();
      }
      if (!message.empty()) {
        ++failures;
        EXPECT_TRUE(struck) << message;
        EXPECT_NE(message.find(std::strerror(fault.error)), std::string::npos) << message;
      }
      check(message, nth);
      EXPECT_EQ(Entries(tmp_), std::vector<std::string>{}) << nth;
      if (!struck) break;
    }
    if (fault.must_fail) {
      EXPECT_GT(failures, 0) << "no attempt failed on its " << fault.name;
    }
    return failures;
  }
};

// The output file on its own: a failed commit names the file and leaves the previous one
// byte for byte, with no temporary file beside it.
TEST_P(CommitFaultTest, OutputFileKeepsThePreviousOneOnEveryFailure) {
  const std::string out_dir = dir_.Path() + "/out";
  std::filesystem::create_directory(out_dir);
  const std::string out = out_dir + "/card.doc";
  const std::string fresh = "{\\rtf1 new card}";
  std::string previous;
  int attempts = 0;
  const int failures = ForEveryN(
      [&] {
        previous = "previous card " + std::to_string(++attempts);
        dir_.Write("out/card.doc", previous);
        try {
          AtomicOutputFile file(out);
          file.Stream().Write(fresh);
          file.Commit();
        } catch (const Exception& e) {
          return std::string(e.what());
        }
        return std::string();
      },
      [&](const std::string& message, int nth) {
        if (!message.empty()) {
          EXPECT_NE(message.find(out), std::string::npos) << nth << ": " << message;
          EXPECT_EQ(ReadFileBytes(out), previous) << nth;
        } else {
          EXPECT_EQ(ReadFileBytes(out), fresh) << nth;
        }
        EXPECT_EQ(Entries(out_dir), std::vector<std::string>{"card.doc"}) << nth;
      });
  // The file's one fsync, close and rename each fail it.
  EXPECT_GT(failures, 0);
}

// A whole run. The run removes an earlier card once its template has been read, so a failed
// run leaves no card at all; a run that succeeds despite the fault (a close after the bytes
// were synced and renamed) holds the whole new card.
TEST_P(CommitFaultTest, FailedRunNamesTheCardAndLeavesNoPartOfIt) {
  const std::string out_dir = dir_.Path() + "/out";
  std::filesystem::create_directory(out_dir);
  const std::string out = out_dir + "/card.doc";
  // The fragment of the second template adds a colour after the tables were written, so its
  // card is assembled from the intermediate output rather than being the intermediate itself.
  const std::string templates[] = {Doc("\\\\A:ID\\\\ plain card"),
                                   Doc("\\\\FRTF(A:FRAG)\\\\ card")};
  for (const std::string& body : templates) {
    const std::string tmpl = dir_.Write("commit.rtf", body);
    ASSERT_EQ(ExecuteFileError(tmpl, out), "");
    const std::string fresh = ReadFileBytes(out);
    std::string previous;
    int attempts = 0;
    ForEveryN(
        [&] {
          previous = "previous card " + std::to_string(++attempts);
          dir_.Write("out/card.doc", previous);
          return ExecuteFileError(tmpl, out);
        },
        [&](const std::string& message, int nth) {
          if (!message.empty()) {
            EXPECT_NE(message.find(out), std::string::npos) << nth << ": " << message;
            if (std::filesystem::exists(out)) {
              EXPECT_EQ(ReadFileBytes(out), previous) << nth;
            }
            EXPECT_LE(Entries(out_dir).size(), 1u) << nth;
          } else {
            EXPECT_EQ(ReadFileBytes(out), fresh) << nth;
            EXPECT_EQ(Entries(out_dir), std::vector<std::string>{"card.doc"}) << nth;
          }
        });
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, CommitFaultTest,
    ::testing::Values(
        CommitFault{"fsync", IoCall::kFsync, EIO, Persistence::kTransient, true},
        CommitFault{"close", IoCall::kClose, EDQUOT, Persistence::kTransient, false},
        CommitFault{"rename", IoCall::kRename, ENOSPC, Persistence::kTransient, false},
        CommitFault{"every_fsync", IoCall::kFsync, EIO, Persistence::kPersistent, true},
        CommitFault{"every_close", IoCall::kClose, EDQUOT, Persistence::kPersistent, false},
        CommitFault{"every_rename", IoCall::kRename, ENOSPC, Persistence::kPersistent, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The output folder disappears while the card is generated: the run fails naming the card,
// and nothing of it is left anywhere.
TEST_F(FaultInjectionTest, OutputFolderRemovedDuringTheRunNamesTheFile) {
  const std::string out_dir = dir_.Path() + "/out";
  std::filesystem::create_directory(out_dir);
  const std::string out = out_dir + "/card.doc";
  fuzz::FixedData data;
  TQeRTF report;
  report.SetInFile(dir_.Write("scan.rtf", Doc("\\\\SCAN(A)\\\\\\\\A:ID\\\\ \\\\ENDSCAN\\\\")));
  report.SetOutFile(out);
  report.OnScanRecord = [&](TQeScanInfo&) {
    std::error_code ignored;
    std::filesystem::remove_all(out_dir, ignored);
  };
  std::string message;
  try {
    report.Execute(data.DataSets());
  } catch (const Exception& e) {
    message = e.what();
  }
  EXPECT_FALSE(report.Succeeded());
  EXPECT_NE(message.find(out), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(out_dir));
  EXPECT_EQ(Entries(tmp_), std::vector<std::string>{});
}

// The same race at its narrowest: the folder goes, with whatever it holds, just before the
// finished card is renamed into it.
TEST_F(FaultInjectionTest, OutputFolderRemovedJustBeforeTheRenameNamesTheFile) {
  const std::string out_dir = dir_.Path() + "/out";
  std::filesystem::create_directory(out_dir);
  const std::string out = out_dir + "/card.doc";
  const std::string tmpl = dir_.Write("small.rtf", Doc("x"));
  std::string message;
  {
    ScopedIoFault race(IoCall::kRename, 1, 0, dir_.Path(), Persistence::kTransient, [&] {
      std::error_code ignored;
      std::filesystem::remove_all(out_dir, ignored);
    });
    message = ExecuteFileError(tmpl, out);
    EXPECT_TRUE(race.Struck());
  }
  EXPECT_NE(message.find(out), std::string::npos) << message;
  EXPECT_NE(message.find(std::strerror(ENOENT)), std::string::npos) << message;
  EXPECT_FALSE(std::filesystem::exists(out_dir));
  EXPECT_EQ(Entries(tmp_), std::vector<std::string>{});
}

}  // namespace
}  // namespace vorn::testing
