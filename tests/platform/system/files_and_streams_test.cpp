#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>

#include "engine/test_dir.h"
#include "platform/exception.h"
#include "platform/files.h"
#include "platform/stream.h"

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
