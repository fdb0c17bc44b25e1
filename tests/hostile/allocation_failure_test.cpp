#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "data/sqlite_loader.h"
#include "hostile/hostile_fixture.h"

// The test binary's own allocator: when armed it fails the Nth allocation, once (transient)
// or from then on (persistent), the way an exhausted heap would.
namespace {
struct AllocationFault {
  bool armed = false;
  bool persistent = false;
  long countdown = 0;
  long count = 0;
};
AllocationFault fault;

void* Allocate(std::size_t size) {
  if (fault.armed) {
    ++fault.count;
    if (fault.countdown > 0 && --fault.countdown == 0) {
      if (!fault.persistent) fault.armed = false;
      throw std::bad_alloc();
    }
    if (fault.countdown == 0 && fault.persistent) throw std::bad_alloc();
  }
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace vorn::testing {
namespace {

class AllocationFailureTest : public HostileTest {
 protected:
  void SetUp() override {
    HostileTest::SetUp();
    saved_tmpdir_ = std::getenv("TMPDIR") != nullptr ? std::getenv("TMPDIR") : "";
    tmp_ = dir_.Path() + "/tmp";
    out_dir_ = dir_.Path() + "/out";
    std::filesystem::create_directory(tmp_);
    std::filesystem::create_directory(out_dir_);
    ::setenv("TMPDIR", tmp_.c_str(), 1);
    tmpl_ = dir_.Write("card.rtf",
                       "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red1\\green2"
                       "\\blue3;}\\pard \\\\SCAN(A)\\\\\\\\A:NAME\\\\ \\\\FNUM(A:PRICE*2,2)\\\\ "
                       "\\\\FRTF(A:FRAG)\\\\\\\\IF(A:OK)\\\\yes\\\\ENDIF\\\\\\\\ENDSCAN\\\\\\par}");
  }
  void TearDown() override {
    fault = {};
    if (saved_tmpdir_.empty()) {
      ::unsetenv("TMPDIR");
    } else {
      ::setenv("TMPDIR", saved_tmpdir_.c_str(), 1);
    }
    HostileTest::TearDown();
  }

  static std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  // Runs the card with the Nth allocation failing; true when the run completed.
  bool RunFailingAt(long n, bool persistent) {
    fuzz::FixedData data;
    TQeRTF report;
    report.SetInFile(tmpl_);
    const std::string out = out_dir_ + "/card.doc";
    report.SetOutFile(out);
    std::vector<TDataSet*> datasets = data.DataSets();
    bool completed = false;
    std::string message;
    fault = {true, persistent, n, 0};
    try {
      report.Execute(datasets);
      completed = true;
    } catch (const std::exception& e) {
      fault = {};
      message = e.what();
    }
    fault = {};
    if (completed) {
      EXPECT_TRUE(report.Succeeded());
      EXPECT_TRUE(std::filesystem::exists(out));
      std::filesystem::remove(out);
    } else {
      EXPECT_FALSE(report.Succeeded()) << n;
      EXPECT_FALSE(message.empty()) << n;
      EXPECT_FALSE(report.Executing()) << n;
      // Each dataset got back the controls the run had disabled.
      for (TDataSet* dataset : datasets) EXPECT_FALSE(dataset->ControlsDisabled()) << n;
      EXPECT_EQ(Entries(out_dir_), std::vector<std::string>{}) << n;
    }
    EXPECT_EQ(Entries(tmp_), std::vector<std::string>{}) << n;
    return completed;
  }

  void FailEachAllocationInTurn(bool persistent) {
    long n = 1;
    while (!RunFailingAt(n, persistent)) {
      ASSERT_LT(n, 200000) << "the run never completed";
      if (HasFailure()) return;
      ++n;
    }
    EXPECT_GT(n, 1);
  }

  std::string saved_tmpdir_;
  std::string tmp_;
  std::string out_dir_;
  std::string tmpl_;
};

TEST_F(AllocationFailureTest, EveryTransientFailureIsACleanError) {
  FailEachAllocationInTurn(false);
}

TEST_F(AllocationFailureTest, EveryPersistentFailureIsACleanError) {
  FailEachAllocationInTurn(true);
}

// Rows a query returned once let std::bad_alloc out bare when they did not fit in memory.
TEST_F(AllocationFailureTest, QueryRowsThatDoNotFitAreAClearError) {
  const std::string db = dir_.Write("empty.db", "");  // an empty file is an empty database
  const std::string query =
      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n LIMIT 40) "
      "SELECT i, 'name ' || i AS name FROM n";
  long n = 1;
  for (;; ++n) {
    ASSERT_LT(n, 100000) << "the load never completed";
    fault = {true, false, n, 0};
    try {
      const auto table = LoadSqlite(db, query);
      fault = {};
      EXPECT_EQ(table->RecordCount(), 40);
      break;
    } catch (const Exception& e) {
      fault = {};
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Out of memory reading the query after ", 0), 0u) << message;
      EXPECT_TRUE(message.ends_with(" rows: " + query)) << message;
    } catch (const std::bad_alloc&) {
      fault = {};
      ADD_FAILURE() << "bare std::bad_alloc at allocation " << n;
    }
  }
  EXPECT_GT(n, 40);
}

}  // namespace
}  // namespace vorn::testing
