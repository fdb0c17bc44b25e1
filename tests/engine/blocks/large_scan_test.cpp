#include <sys/resource.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "engine/blocks/blocks_fixture.h"

namespace vorn::testing {
namespace {

// A dataset whose records are computed from their number, so that the records take no memory.
class CountingDataSet : public TDataSet {
 public:
  explicit CountingDataSet(int count) : count_(count), field_(*this) { SetName("Counting"); }
  int FieldCount() const override { return 1; }
  TField& Fields(int) const override { return field_; }
  bool Bof() const override { return current_ == 0; }
  bool Eof() const override { return current_ >= count_; }
  std::string Bookmark() const override { return std::to_string(current_); }
  void SetBookmark(const std::string& bookmark) override { current_ = std::stoi(bookmark); }
  TDataSetState State() const override { return TDataSetState::dsBrowse; }
  void First() override { current_ = 0; }
  void Next() override {
    if (current_ < count_) ++current_;
  }
  void Prior() override {
    if (current_ > 0) --current_;
  }
  void Last() override { current_ = count_ > 0 ? count_ - 1 : 0; }
  int Current() const { return current_; }

 private:
  class Number : public TField {
   public:
    explicit Number(const CountingDataSet& owner)
        : TField("N", ftInteger, 0, false), owner_(owner) {}
    bool IsNull() const override { return false; }
    std::string AsString() const override { return std::to_string(owner_.Current()); }
    int32_t AsInteger() const override { return owner_.Current(); }
    int64_t AsLargeInt() const override { return owner_.Current(); }
    double AsFloat() const override { return owner_.Current(); }
    double AsCurrency() const override { return owner_.Current(); }
    bool AsBoolean() const override { return owner_.Current() != 0; }
    double AsDateTime() const override { return owner_.Current(); }
    void SetAsString(std::string_view) override {}
    void Clear() override {}

   private:
    const CountingDataSet& owner_;
  };

  int count_;
  int current_ = 0;
  mutable Number field_;
};

long MaxResidentKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

TEST_F(BlocksTest, MillionRecordScanStreamsToTheOutputFile) {
  constexpr int kRecords = 1'000'000;
  CountingDataSet dataset(kRecords);
  report_.AddNumberVariable("TOTAL", 0);
  report_.SetInFile(dir_.Write("big.rtf", "{\\rtf1 " + Tag("SCAN(A)") +
                                              Tag("SCANENTRY,SUM(A:N,TOTAL)") + Tag("A:N") +
                                              "\\par " + Tag("SCANFOOTER") + "Total " +
                                              Tag("TOTAL") + Tag("ENDSCAN") + "}"));
  report_.SetOutFile(dir_.File("big.doc"));
  const long before = MaxResidentKilobytes();
  const auto start = std::chrono::steady_clock::now();
  report_.Execute({&dataset});
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const long growth_kb = MaxResidentKilobytes() - before;
  RecordProperty("seconds", std::to_string(seconds));

  // Each record writes "\lang0 " and its number and "\par ": the digits of 0 to 999999 are
  // 5888890 bytes.
  const auto size = std::filesystem::file_size(dir_.File("big.doc"));
  const std::string tail = "Total \\lang0 499999500000}";
  EXPECT_EQ(size, std::string("{\\rtf1 ").size() + kRecords * 12u + 5888890u + tail.size());
  const std::string out = ReadFileBytes(dir_.File("big.doc"));
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
  // The output (about 18 MB) goes to files, never to memory. AddressSanitizer's quarantine
  // holds freed blocks back, so resident size says nothing about our allocations there.
  if (!kUnderAddressSanitizer) {
    EXPECT_LT(growth_kb, 16 * 1024) << "grew by " << growth_kb << " KiB";
  }
  EXPECT_LT(seconds, 30.0);
}

}  // namespace
}  // namespace vorn::testing
