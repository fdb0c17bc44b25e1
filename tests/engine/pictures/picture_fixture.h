#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "data/dataset.h"
#include "engine/qebasereport/compiled_stream.h"
#include "engine/qertf/image_format.h"
#include "engine/qertf/qertf.h"
#include "imaging/bitmap.h"
#include "imaging/picture_decoders.h"
#include "platform/system/stream.h"

namespace vorn::testing {

inline std::string PictureFile(const std::string& name) {
  return std::string(VORN_TEST_DATA_DIR) + "/pictures/" + name;
}

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// A picture of one colour, `width` x `height` pixels.
inline Picture SolidPicture(uint32_t width, uint32_t height, uint32_t argb = 0xFFFF0000) {
  Bitmap bitmap(width, height);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) bitmap.SetPixel(x, y, argb);
  }
  return Picture(std::move(bitmap));
}

inline std::string AsText(const std::vector<std::byte>& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A field of any type over fixed bytes.
class BytesField : public TField {
 public:
  BytesField(TFieldType type, std::string bytes)
      : TField("PIC", type, 0, false), bytes_(std::move(bytes)) {}
  bool IsNull() const override { return bytes_.empty(); }
  std::string AsString() const override { return bytes_; }
  int32_t AsInteger() const override { return 0; }
  int64_t AsLargeInt() const override { return 0; }
  double AsFloat() const override { return 0; }
  double AsCurrency() const override { return 0; }
  bool AsBoolean() const override { return false; }
  double AsDateTime() const override { return 0; }
  void SetAsString(std::string_view text) override { bytes_ = text; }
  void Clear() override { bytes_.clear(); }

 private:
  std::string bytes_;
};

// A report writing into memory, outside a run, as the value writers see it mid-run.
class PictureOutputTest : public ::testing::Test {
 protected:
  PictureOutputTest() {
    report_.SetOutput(&out_);
    row_.FormatText = "\\b0 ";
  }

  void SetOptions(TQeRTFOptions options) { report_.SetOptions(options); }
  std::string Written() const { return out_.Bytes(); }
  // What the group of `picture` looks like with the current options and handler.
  std::string Write(const Picture& picture) {
    report_.WritePicture(picture, row_);
    return Written();
  }
  // The message of the exception writing `picture` throws, "" when none.
  std::string WriteError(const Picture& picture) {
    try {
      report_.WritePicture(picture, row_);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }

  TQeRTF report_;
  TMemoryStream out_;
  TQeRowContent row_;
};

}  // namespace vorn::testing
