#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "engine/test_dir.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/stream.h"

namespace vorn {
namespace {

using testing::ReadFileBytes;
using testing::TestDir;

TEST(AtomicOutputFileTest, NothingAppearsUnderTheFinalNameUntilCommit) {
  TestDir dir;
  const std::string final_path = dir.Write("report.doc", "old report");
  {
    AtomicOutputFile out(final_path);
    out.Stream().Write("new report");
    out.Stream().Flush();
    EXPECT_EQ(ReadFileBytes(final_path), "old report");
  }
  // Dropped without a commit: the old file stays and the temporary one is gone.
  EXPECT_EQ(ReadFileBytes(final_path), "old report");
  EXPECT_EQ(dir.Entries().size(), 1u);
  {
    AtomicOutputFile out(final_path);
    out.Stream().Write("new report");
    out.Commit();
  }
  EXPECT_EQ(ReadFileBytes(final_path), "new report");
  EXPECT_EQ(dir.Entries().size(), 1u);
}

TEST(AtomicOutputFileTest, StaleTemporariesOfAKilledRunAreRemoved) {
  TestDir dir;
  dir.Write("report.doc.tmpAbC123", "partial");
  dir.Write("report.doc.tmp-keep-me", "not ours");
  AtomicOutputFile out(dir.File("report.doc"));
  out.Commit();
  auto entries = dir.Entries();
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"report.doc", "report.doc.tmp-keep-me"}));
}

TEST(AtomicOutputFileTest, FileSizeLimitIsAnErrorNotAKill) {
  TestDir dir;
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 16 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  std::signal(SIGXFSZ, SIG_IGN);
  bool failed = false;
  try {
    AtomicOutputFile out(dir.File("big.doc"));
    out.Stream().Write(std::string(64 * 1024, 'x'));
    out.Commit();
  } catch (const Exception& e) {
    failed = true;
    EXPECT_NE(std::string(e.what()).find("big.doc"), std::string::npos) << e.what();
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_TRUE(failed);
  EXPECT_TRUE(dir.Entries().empty());
}

class TempFileMoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_tmpdir_ = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", temp_dir_.Path().c_str(), 1);
  }
  void TearDown() override {
    if (saved_tmpdir_.empty()) {
      unsetenv("TMPDIR");
    } else {
      setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    }
  }
  TestDir temp_dir_;
  TestDir out_dir_;
  std::string saved_tmpdir_;
};

TEST_F(TempFileMoveTest, MovedFileReplacesTheOutputWithItsBufferedBytes) {
  const std::string final_path = out_dir_.Write("report.doc", "old report");
  out_dir_.Write("report.doc.tmpAbC123", "partial");
  {
    TempFile temp("qer");
    temp.Stream().Write("new report");  // still in the stream's buffer
    ASSERT_TRUE(temp.MoveTo(final_path));
  }
  EXPECT_EQ(ReadFileBytes(final_path), "new report");
  EXPECT_EQ(out_dir_.Entries(), std::vector<std::string>{"report.doc"});
  EXPECT_TRUE(temp_dir_.Entries().empty());
  struct stat st {};
  ASSERT_EQ(::stat(final_path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(TempFileMoveTest, FailedMoveNamesTheOutputAndLeavesNothing) {
  {
    TempFile temp("qer");
    temp.Stream().Write("body");
    const std::string final_path = out_dir_.File("missing/report.doc");
    try {
      temp.MoveTo(final_path);
      ADD_FAILURE() << "moved into a missing folder";
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()),
                "Can't write file " + final_path + ": " + std::strerror(ENOENT));
    }
  }
  EXPECT_TRUE(temp_dir_.Entries().empty());
  EXPECT_TRUE(out_dir_.Entries().empty());
}

TEST_F(TempFileMoveTest, MoveToAnotherFileSystemIsRefusedAndTheBytesStayReadable) {
  struct stat shm {
  }, out{};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(out_dir_.Path().c_str(), &out) != 0 ||
      shm.st_dev == out.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  }
  setenv("TMPDIR", "/dev/shm", 1);
  TempFile temp("qer");
  temp.Stream().Write("body");
  EXPECT_FALSE(temp.MoveTo(out_dir_.File("report.doc")));
  // The caller copies after a refusal.
  temp.Stream().Seek(0);
  char bytes[4];
  EXPECT_EQ(temp.Stream().Read(bytes, 4), 4u);
  EXPECT_EQ(std::string(bytes, 4), "body");
  EXPECT_TRUE(out_dir_.Entries().empty());
}

TEST(FileStreamTest, EarlyWritebackKeepsEveryByteAcrossSeeksBack) {
  TestDir dir;
  std::string expected;
  {
    TFileStream stream(dir.File("big"), TFileStream::Mode::kCreate);
    stream.SetEarlyWriteback(true);
    // Past several writeback steps, with chunks both below and above the buffer size.
    for (int i = 0; i < 40; ++i) {
      const std::string chunk(i % 2 == 0 ? 1000 : 700 * 1024, static_cast<char>('a' + i % 26));
      stream.Write(chunk);
      expected += chunk;
    }
    stream.Seek(5);
    stream.Write("BACK");
    expected.replace(5, 4, "BACK");
    stream.Seek(static_cast<int64_t>(expected.size()));
    stream.Write("end");
    expected += "end";
    stream.Sync();
    stream.Close();
  }
  EXPECT_TRUE(ReadFileBytes(dir.File("big")) == expected);
}

TEST(FileStreamTest, ReadsWritesAndSeeksThroughItsBuffers) {
  TestDir dir;
  TFileStream stream(dir.File("f"), TFileStream::Mode::kCreate);
  stream.Write("hello world");
  EXPECT_EQ(stream.Position(), 11);
  stream.Seek(6);
  char word[5];
  EXPECT_EQ(stream.Read(word, 5), 5u);
  EXPECT_EQ(std::string(word, 5), "world");
  stream.Seek(0);
  stream.Write("J");
  stream.Seek(0);
  char all[32];
  EXPECT_EQ(stream.Read(all, sizeof all), 11u);
  EXPECT_EQ(std::string(all, 11), "Jello world");
  EXPECT_EQ(stream.Size(), 11);
}

TEST(FileStreamTest, WritingToAFullDeviceFails) {
  TFileStream full("/dev/full", TFileStream::Mode::kReadWrite);
  EXPECT_THROW(full.Write(std::string(1 << 20, 'x')), Exception);
  TFileStream buffered("/dev/full", TFileStream::Mode::kReadWrite);
  buffered.Write("small");  // stays in the buffer until the close reports the failure
  EXPECT_THROW(buffered.Close(), Exception);
}

TEST(CopyStreamBytesTest, CopiesBetweenEveryKindOfStream) {
  TestDir dir;
  std::string payload;
  for (int i = 0; i < 300000; ++i) payload += static_cast<char>('a' + i % 26);
  TFileStream source(dir.File("source"), TFileStream::Mode::kCreate);
  source.Write(payload);
  source.Seek(5);
  TFileStream file_target(dir.File("target"), TFileStream::Mode::kCreate);
  file_target.Write("head:");
  CopyStreamBytes(source, file_target, 200000);
  file_target.Write(":tail");
  file_target.Flush();
  EXPECT_EQ(ReadFileBytes(dir.File("target")), "head:" + payload.substr(5, 200000) + ":tail");
  EXPECT_EQ(source.Position(), 200005);

  TMemoryStream memory;
  source.Seek(0);
  CopyStreamBytes(source, memory, 10);
  EXPECT_EQ(memory.Bytes(), payload.substr(0, 10));
  memory.Seek(2);
  TMemoryStream memory_target;
  CopyStreamBytes(memory, memory_target, 8);
  EXPECT_EQ(memory_target.Bytes(), payload.substr(2, 8));
  memory.Seek(5);
  EXPECT_THROW(CopyStreamBytes(memory, memory_target, 6), Exception);
}

}  // namespace
}  // namespace vorn
