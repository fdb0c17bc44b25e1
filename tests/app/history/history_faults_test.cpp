#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sched.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/history/print_history.h"
#include "engine/test_dir.h"

namespace vorn {
namespace {

using namespace std::chrono_literals;
using testing::ReadFileBytes;
using testing::TestDir;

// Another program's connection to the same history.
class OtherProgram {
 public:
  explicit OtherProgram(const std::string& path) { sqlite3_open(path.c_str(), &db_); }
  ~OtherProgram() { sqlite3_close(db_); }
  OtherProgram(const OtherProgram&) = delete;
  OtherProgram& operator=(const OtherProgram&) = delete;
  int Execute(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

// `body` run in a child process; its result is what the body returned or the message it threw.
class Child {
 public:
  explicit Child(const std::function<std::string()>& body) {
    int result[2];
    if (::pipe(result) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(result[0]);
      std::string text;
      try {
        text = body();
      } catch (const std::exception& error) {
        text = error.what();
      }
      for (size_t done = 0; done < text.size();) {
        const ssize_t written = ::write(result[1], text.data() + done, text.size() - done);
        if (written <= 0) break;
        done += static_cast<size_t>(written);
      }
      ::_exit(0);
    }
    ::close(result[1]);
    fd_ = result[0];
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  std::string Result() {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd_, buffer, sizeof buffer)) > 0;) text.append(buffer, got);
    ::close(fd_);
    int status = 0;
    if (::waitpid(pid_, &status, 0) != pid_ || !WIFEXITED(status)) return "the child crashed";
    return text;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

CardValues Product(const std::string& id, const std::string& price = "30") {
  CardValues card;
  card.product_id = id;
  card.barcode = "4710088410108";
  card.name = "烏龍茶 600ml 無糖 " + id;
  card.store_price = price;
  return card;
}

std::vector<PrintedCard> Cards(const std::string& prefix, int count) {
  std::vector<PrintedCard> cards;
  for (int i = 0; i < count; ++i) cards.push_back({Product(prefix + std::to_string(i)), 1});
  return cards;
}

PrintedRun SheetRun(int next_label) {
  PrintedRun run;
  run.layout = "SM1";
  run.kind = RunKind::kSheet;
  run.sheet = "Avery A4 L7413";
  run.next_label = next_label;
  return run;
}

std::string Failure(const std::function<void()>& action) {
  try {
    action();
  } catch (const HistoryUnavailable& error) {
    return error.what();
  }
  return "no failure";
}

size_t CardCount(PrintHistory& history) {
  size_t count = 0;
  history.ListCards(HistorySelection::OfLastRuns(1000000),
                    [&count](const RecordedCard&) { ++count; });
  return count;
}

class HistoryFaultsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const std::string& path : read_only_) SetReadOnly(path, false);
  }

  std::string Path() const { return dir_.File("history.sqlite"); }

  // Takes write access to `path` away: its mode does for a user; root, whom modes do not stop,
  // meets the file system's immutable flag. False where neither is possible.
  bool MakeReadOnly(const std::string& path) {
    if (!SetReadOnly(path, true)) return false;
    read_only_.push_back(path);
    return true;
  }

  static bool SetReadOnly(const std::string& path, bool read_only) {
    if (::geteuid() != 0) {
      const auto all = std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                       std::filesystem::perms::others_write;
      std::error_code error;
      std::filesystem::permissions(
          path, all,
          read_only ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add,
          error);
      return !error;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = read_only ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0) ::close(fd);
    return done;
  }

  TestDir dir_;
  std::vector<std::string> read_only_;
};

TEST_F(HistoryFaultsTest, ALockedHistoryFailsAfterTheBusyTimeoutAndKeepsItsSheetPosition) {
  PrintHistory(Path()).Record(SheetRun(3), Cards("P", 1));
  OtherProgram other(Path());
  ASSERT_EQ(other.Execute("BEGIN IMMEDIATE; INSERT INTO sheets VALUES ('other', 1, 0)"), SQLITE_OK);

  PrintHistory history(Path(), 200ms);  // opening needs no lock
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Failure([&] { history.Record(SheetRun(9), Cards("Q", 5)); }),
            "The print history is locked by another program: " + Path());
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
  // Readers never wait for a writer: the change test goes on meanwhile.
  EXPECT_EQ(history.ChangedCards("SM1", std::vector{Product("P0"), Product("P0", "31")}).positions,
            std::vector<size_t>{1});
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), 3);

  ASSERT_EQ(other.Execute("COMMIT"), SQLITE_OK);
  history.Record(SheetRun(9), Cards("Q", 5));
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), 9);
  EXPECT_EQ(CardCount(history), 6u);
}

TEST_F(HistoryFaultsTest, AReadOnlyHistoryIsReadButNotWritten) {
  PrintHistory(Path()).Record(SheetRun(3), Cards("P", 2));
  if (!MakeReadOnly(Path())) GTEST_SKIP() << "cannot make a file read-only here";
  PrintHistory history(Path());
  EXPECT_EQ(CardCount(history), 2u);
  EXPECT_EQ(history.ChangedCards("SM1", std::vector{Product("P1")}).positions,
            std::vector<size_t>{});
  EXPECT_EQ(
      Failure([&] { history.Record(SheetRun(9), Cards("Q", 1)); }),
      "The print history cannot be written (attempt to write a readonly database): " + Path());
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), 3);
}

TEST_F(HistoryFaultsTest, AHistoryInAReadOnlyFolderCannotBeMade) {
  const std::string folder = dir_.File("locked");
  std::filesystem::create_directory(folder);
  if (!MakeReadOnly(folder)) GTEST_SKIP() << "cannot make a folder read-only here";
  const std::string path = folder + "/history.sqlite";
  // Root, whom the folder's mode does not stop, meets the immutable flag instead.
  const std::string reason = ::geteuid() == 0 ? "Operation not permitted" : "Permission denied";
  EXPECT_EQ(
      Failure([&] { PrintHistory history(path); }),
      "The print history cannot be opened (unable to open database file: " + reason + "): " + path);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(HistoryFaultsTest, AHistoryThisProgramCannotReadIsLeftAsItIs) {
  const std::string damaged = "The print history is damaged (";
  const std::string advice =
      ") and is left as it is; rename or move the file away, and the next print starts a new "
      "history: " +
      Path();
  const struct {
    const char* what;
    std::function<void()> make;
    std::string failure;
  } cases[] = {
      {"another program's file",
       [&] { dir_.Write("history.sqlite", "PROD_ID,PROD_NAME\n" + std::string(5000, 'x')); },
       damaged + "file is not a database" + advice},
      {"damaged pages",
       [&] {
         PrintHistory(Path()).Record(SheetRun(3), Cards("P", 2000));
         std::string bytes = ReadFileBytes(Path());
         // The schema on the first page stays readable; the cards after it do not.
         for (size_t at = 4096; at < bytes.size(); ++at) bytes[at] = static_cast<char>(at * 7);
         dir_.Write("history.sqlite", bytes);
       },
       damaged + "database disk image is malformed" + advice},
      {"a newer version's history",
       [&] {
         PrintHistory(Path()).Record(SheetRun(3), Cards("P", 1));
         OtherProgram(Path()).Execute("PRAGMA user_version = 2");
       },
       "The print history was written by a newer version of the program: " + Path()},
  };
  for (const auto& test : cases) {
    std::filesystem::remove(Path());
    test.make();
    const std::string bytes = ReadFileBytes(Path());
    EXPECT_EQ(Failure([&] {
                PrintHistory history(Path());
                history.ChangedCards("SM1", std::vector{Product("P7")});
                history.Record(SheetRun(9), Cards("Q", 1));
              }),
              test.failure)
        << test.what;
    EXPECT_EQ(ReadFileBytes(Path()), bytes) << test.what;
    EXPECT_EQ(dir_.Entries(), std::vector<std::string>{"history.sqlite"}) << test.what;
  }
}

TEST_F(HistoryFaultsTest, TheHistoryLivesInAFolderOfTheUsersOwn) {
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_DATA_HOME", dir_.File("data").c_str(), 1);
  EXPECT_EQ(PrintHistory().Path(), dir_.File("data/vornreport/history.sqlite"));
  EXPECT_EQ(std::filesystem::status(dir_.File("data/vornreport")).permissions(),
            std::filesystem::perms::owner_all);

  std::filesystem::create_directory(dir_.File("elsewhere"));
  ::setenv("XDG_DATA_HOME", dir_.Path().c_str(), 1);
  std::filesystem::create_directory_symlink(dir_.File("elsewhere"), dir_.File("vornreport"));
  EXPECT_EQ(Failure([] { PrintHistory history; }),
            "The folder of the print history cannot be used: Not a folder of the user's own: " +
                dir_.File("vornreport"));
  EXPECT_TRUE(std::filesystem::is_empty(dir_.File("elsewhere")));
  if (old == nullptr) {
    ::unsetenv("XDG_DATA_HOME");
  } else {
    ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  }
}

TEST_F(HistoryFaultsTest, AWriteThatFailsRecordsNothingOfItsRun) {
  PrintHistory(Path()).Record(SheetRun(3), Cards("P", 1));
  Child child([this] {
    // The file size limit stops the log's growth part way through the run's cards.
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    PrintHistory(Path()).Record(SheetRun(9), Cards("Q", 3000));
    return std::string("recorded");
  });
  EXPECT_EQ(child.Result(), "The print history failed (disk I/O error): " + Path());
  PrintHistory history(Path());
  EXPECT_EQ(CardCount(history), 1u);
  EXPECT_EQ(history.NextLabel("Avery A4 L7413"), 3);
}

TEST_F(HistoryFaultsTest, AFullDiskRecordsNothingOfTheRun) {
  const std::string folder = dir_.File("small");
  std::filesystem::create_directory(folder);
  const std::string path = folder + "/history.sqlite";
  Child child([&] {
    // A disk of 160 KiB of our own, seen by this process alone.
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=160k") != 0) {
      return std::string("skip");
    }
    PrintHistory history(path);
    history.Record(SheetRun(3), Cards("P", 1));
    const std::string failure = Failure([&] { history.Record(SheetRun(9), Cards("Q", 3000)); });
    return failure + "|" + std::to_string(CardCount(history)) + "|" +
           std::to_string(history.NextLabel("Avery A4 L7413").value_or(0));
  });
  const std::string result = child.Result();
  if (result == "skip") GTEST_SKIP() << "cannot mount a small disk here";
  EXPECT_EQ(result, "The disk is full, the print history cannot grow: " + path + "|1|3");
}

TEST_F(HistoryFaultsTest, TwoProgramsRecordingAtOnceAreBothRecorded) {
  // Each records a few batches, as printing programs do; one that records without pause for
  // longer than the busy timeout would starve the other.
  constexpr int kRuns = 3;
  constexpr int kCards = 5000;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  // Both start on a history that does not exist yet, so they also race to make it. This failed
  // now and then with "locked" at once: SQLite does not wait for a program setting up the file.
  const auto writer = [&](const std::string& prefix) {
    return [&, prefix] {
      ::close(go[1]);
      char byte;
      (void)!::read(go[0], &byte, 1);
      PrintHistory history(Path());
      for (int run = 0; run < kRuns; ++run) {
        history.Record(SheetRun(0), Cards(prefix + std::to_string(run) + "-", kCards));
      }
      return std::string("recorded");
    };
  };
  Child first(writer("A"));
  Child second(writer("B"));
  ::close(go[1]);
  ::close(go[0]);
  EXPECT_EQ(first.Result(), "recorded");
  EXPECT_EQ(second.Result(), "recorded");
  PrintHistory history(Path());
  EXPECT_EQ(CardCount(history), size_t{2 * kRuns * kCards});
}

}  // namespace
}  // namespace vorn
