#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace vorn::test {

inline std::string PictureDataPath(const std::string& name) {
  return std::string(VORN_TEST_DATA_DIR) + "/pictures/" + name;
}

inline std::vector<std::byte> ReadPictureData(const std::string& name) {
  std::ifstream in(PictureDataPath(name), std::ios::binary);
  const std::vector<char> chars{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::byte> bytes(chars.size());
  for (std::size_t i = 0; i < chars.size(); ++i) bytes[i] = static_cast<std::byte>(chars[i]);
  return bytes;
}

// Builds little-endian test input field by field.
class Bytes {
 public:
  Bytes& U8(unsigned v) {
    data_.push_back(static_cast<std::byte>(v));
    return *this;
  }
  Bytes& U16(unsigned v) { return U8(v & 0xFF).U8(v >> 8 & 0xFF); }
  Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  Bytes& I32(std::int32_t v) { return U32(static_cast<std::uint32_t>(v)); }
  Bytes& Raw(const std::vector<std::byte>& more) {
    data_.insert(data_.end(), more.begin(), more.end());
    return *this;
  }
  Bytes& Zeros(std::size_t count) {
    data_.resize(data_.size() + count);
    return *this;
  }
  const std::vector<std::byte>& Get() const { return data_; }

 private:
  std::vector<std::byte> data_;
};

inline std::uint32_t ReadU32(const std::vector<std::byte>& b, std::size_t at) {
  return std::to_integer<std::uint32_t>(b.at(at)) |
         std::to_integer<std::uint32_t>(b.at(at + 1)) << 8 |
         std::to_integer<std::uint32_t>(b.at(at + 2)) << 16 |
         std::to_integer<std::uint32_t>(b.at(at + 3)) << 24;
}
inline std::uint16_t ReadU16(const std::vector<std::byte>& b, std::size_t at) {
  return static_cast<std::uint16_t>(std::to_integer<unsigned>(b.at(at)) |
                                    std::to_integer<unsigned>(b.at(at + 1)) << 8);
}
inline void WriteU32(std::vector<std::byte>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::byte>(v >> (8 * i));
}
inline void WriteU16(std::vector<std::byte>& b, std::size_t at, std::uint16_t v) {
  b.at(at) = static_cast<std::byte>(v);
  b.at(at + 1) = static_cast<std::byte>(v >> 8);
}

}  // namespace vorn::test
