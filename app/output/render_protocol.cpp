#include "app/output/render_protocol.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/system/exception.h"

namespace vorn {

namespace {
// Both ends run on one machine, so numbers travel in its own byte order.
constexpr std::string_view kMagic = "VRM1";
constexpr size_t kHeaderBytes = 4 + 4 + 4 + 8;

template <typename Number>
void Put(std::string& out, Number value) {
  char bytes[sizeof value];
  std::memcpy(bytes, &value, sizeof value);
  out.append(bytes, sizeof value);
}

template <typename Number>
Number Get(std::string_view bytes, size_t at) {
  Number value;
  std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

bool KnownVerb(uint32_t verb) {
  return verb >= static_cast<uint32_t>(RenderVerb::kReady) &&
         verb <= static_cast<uint32_t>(RenderVerb::kFailed);
}

[[noreturn]] void ThrowBroken(const std::string& why) {
  throw Exception("The renderer's answer is broken: " + why);
}
}  // namespace

const std::string& RenderMessage::Field(size_t index) const {
  static const std::string kNone;
  return index < fields.size() ? fields[index] : kNone;
}

std::string EncodeRenderMessage(const RenderMessage& message) {
  std::string out(kMagic);
  Put<uint32_t>(out, static_cast<uint32_t>(message.verb));
  Put<uint32_t>(out, static_cast<uint32_t>(message.fields.size()));
  Put<uint64_t>(out, message.data.size());
  for (const std::string& field : message.fields) {
    Put<uint32_t>(out, static_cast<uint32_t>(field.size()));
    out += field;
  }
  out += message.data;
  return out;
}

void RenderMessageReader::Feed(std::string_view bytes) { buffer_.append(bytes); }

std::optional<RenderMessage> RenderMessageReader::Next() {
  const std::string_view bytes(buffer_);
  // The magic is checked as soon as it can be, so a peer writing text is caught at once.
  if (bytes.substr(0, kMagic.size()) != kMagic.substr(0, std::min(bytes.size(), kMagic.size()))) {
    ThrowBroken("no message frame");
  }
  if (bytes.size() < kHeaderBytes) return std::nullopt;
  const auto verb = Get<uint32_t>(bytes, 4);
  const auto field_count = Get<uint32_t>(bytes, 8);
  const auto data_size = Get<uint64_t>(bytes, 12);
  if (!KnownVerb(verb)) ThrowBroken("unknown verb " + std::to_string(verb));
  if (field_count > kMaxRenderFields) ThrowBroken(std::to_string(field_count) + " fields");
  if (data_size > kMaxRenderDataBytes) ThrowBroken(std::to_string(data_size) + " bytes of data");
  RenderMessage message;
  message.verb = static_cast<RenderVerb>(verb);
  size_t at = kHeaderBytes;
  for (uint32_t i = 0; i < field_count; ++i) {
    if (bytes.size() < at + 4) return std::nullopt;
    const auto length = Get<uint32_t>(bytes, at);
    if (length > kMaxRenderFieldBytes)
      ThrowBroken("a field of " + std::to_string(length) + " bytes");
    at += 4;
    if (bytes.size() < at + length) return std::nullopt;
    message.fields.emplace_back(bytes.substr(at, length));
    at += length;
  }
  if (bytes.size() - at < data_size) return std::nullopt;
  message.data.assign(bytes.substr(at, data_size));
  buffer_.erase(0, at + data_size);
  return message;
}

void SendRenderMessage(int fd, const RenderMessage& message) {
  const std::string bytes = EncodeRenderMessage(message);
  size_t sent = 0;
  while (sent < bytes.size()) {
    // MSG_NOSIGNAL: a renderer that died must give an error here, not end the program.
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw Exception(std::string("The renderer is gone: ") + std::strerror(errno));
    sent += static_cast<size_t>(n);
  }
}

std::optional<RenderMessage> ReceiveRenderMessage(int fd, RenderMessageReader& reader) {
  char buffer[65536];
  while (true) {
    if (std::optional<RenderMessage> message = reader.Next()) return message;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw Exception(std::string("Cannot read from the renderer: ") + std::strerror(errno));
    if (n == 0) {
      if (reader.Pending()) ThrowBroken("it ended in the middle of a message");
      return std::nullopt;
    }
    reader.Feed(std::string_view(buffer, static_cast<size_t>(n)));
  }
}

bool ReadAvailable(int fd, RenderMessageReader& reader) {
  char buffer[65536];
  while (true) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (n < 0)
      throw Exception(std::string("Cannot read from the renderer: ") + std::strerror(errno));
    if (n == 0) return false;
    reader.Feed(std::string_view(buffer, static_cast<size_t>(n)));
  }
}

}  // namespace vorn
