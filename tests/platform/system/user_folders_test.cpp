#include "platform/system/user_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "engine/test_dir.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"

namespace vorn {
namespace {

using testing::TestDir;

// Points the cache folder at a test folder for the test's lifetime.
class UserFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* old = std::getenv("XDG_CACHE_HOME");
    if (old != nullptr) old_ = old;
    ::setenv("XDG_CACHE_HOME", dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty()) {
      ::unsetenv("XDG_CACHE_HOME");
    } else {
      ::setenv("XDG_CACHE_HOME", old_.c_str(), 1);
    }
  }
  mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  }

  TestDir dir_;
  std::string old_;
};

TEST_F(UserFoldersTest, MadeFoldersAreClosedToOthers) {
  const std::string path = PrivateUserFolder(UserFolderKind::kCache, "vornreport/office");
  EXPECT_EQ(path, dir_.Path() + "/vornreport/office");
  EXPECT_EQ(ModeOf(dir_.Path() + "/vornreport"), 0700u);
  EXPECT_EQ(ModeOf(path), 0700u);
  // Found again as it is.
  EXPECT_EQ(PrivateUserFolder(UserFolderKind::kCache, "vornreport/office"), path);
}

// A fresh account has no ~/.local/share: the history once failed there for want of ~/.local.
TEST_F(UserFoldersTest, MissingBaseFoldersAreMade) {
  ::setenv("XDG_CACHE_HOME", (dir_.Path() + "/home/.local/share").c_str(), 1);
  const std::string path = PrivateUserFolder(UserFolderKind::kCache, "vornreport");
  EXPECT_EQ(path, dir_.Path() + "/home/.local/share/vornreport");
  EXPECT_EQ(ModeOf(dir_.Path() + "/home/.local"), 0700u);
}

TEST_F(UserFoldersTest, AFolderLeftOpenIsClosedBeforeUse) {
  std::filesystem::create_directories(dir_.Path() + "/vornreport/office");
  ::chmod((dir_.Path() + "/vornreport/office").c_str(), 0777);
  PrivateUserFolder(UserFolderKind::kCache, "vornreport/office");
  EXPECT_EQ(ModeOf(dir_.Path() + "/vornreport/office"), 0700u);
}

TEST_F(UserFoldersTest, ALinkPlantedInPlaceOfAFolderIsRefused) {
  // A link would lead the program into a folder someone else chose.
  TestDir elsewhere;
  std::filesystem::create_directory_symlink(elsewhere.Path(), dir_.Path() + "/vornreport");
  EXPECT_THROW(PrivateUserFolder(UserFolderKind::kCache, "vornreport/office"), Exception);
  EXPECT_TRUE(elsewhere.Entries().empty());
}

TEST_F(UserFoldersTest, AFolderOfAnotherUserIsRefused) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a folder away";
  const std::string planted = dir_.Path() + "/vornreport";
  std::filesystem::create_directories(planted);
  ASSERT_EQ(::chown(planted.c_str(), 65534, 65534), 0);
  try {
    PrivateUserFolder(UserFolderKind::kCache, "vornreport/office");
    FAIL() << "a folder of another user was used";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "The folder belongs to another user: " + planted);
  }
}

TEST_F(UserFoldersTest, RelativeOrEmptyVariablesFallBackToTheHomeFolder) {
  ::setenv("XDG_CACHE_HOME", "relative/cache", 1);
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') GTEST_SKIP() << "no HOME";
  EXPECT_EQ(UserFolder(UserFolderKind::kCache), std::string(home) + "/.cache");
}

TEST(FileLockTest, OneHolderAtATimeUntilItLetsGo) {
  TestDir dir;
  const std::string path = dir.File("slot.lock");
  FileLock first;
  ASSERT_TRUE(first.TryLock(path));
  FileLock second;
  EXPECT_FALSE(second.TryLock(path));
  EXPECT_FALSE(second.Held());
  FileLock moved = std::move(first);
  EXPECT_FALSE(second.TryLock(path));
  { FileLock gone = std::move(moved); }
  EXPECT_TRUE(second.TryLock(path));
}

TEST(FileUrlTest, EveryByteThatMeansSomethingInAUrlIsEscaped) {
  EXPECT_EQ(FileUrl("/tmp/a b;c%d#e?f/價.rtf"), "file:///tmp/a%20b%3Bc%25d%23e%3Ff/%E5%83%B9.rtf");
  EXPECT_EQ(FileUrl("/home/user/cards-1_v2.~x/"), "file:///home/user/cards-1_v2.~x/");
}

}  // namespace
}  // namespace vorn
