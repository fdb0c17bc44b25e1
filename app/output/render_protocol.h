#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// What a message between the program and a renderer says. The program sends kPdf and kPage;
// the renderer answers each with kDone or kFailed, and announces itself once with kReady.
enum class RenderVerb : uint32_t {
  kReady = 1,   // LibreOffice has started; fields: its version
  kPdf = 2,     // fields: document; kDone fields: the PDF in the renderer's folder, pages
  kPage = 3,    // fields: document, page (from 0), width in pixels; kDone fields: pages, width,
                // height; data: the page's pixels, 32-bit premultiplied ARGB in native order
  kDone = 4,    // the request succeeded
  kFailed = 5,  // fields: why, a message for the user
};

struct RenderMessage {
  RenderVerb verb = RenderVerb::kFailed;
  std::vector<std::string> fields;
  std::string data;

  // The field at `index`, or "" when the message has fewer.
  const std::string& Field(size_t index) const;
};

// Bounds a reader holds a sender to, so a broken peer cannot make the other side allocate
// without limit.
inline constexpr size_t kMaxRenderFields = 16;
inline constexpr size_t kMaxRenderFieldBytes = 64 * 1024;
inline constexpr uint64_t kMaxRenderDataBytes = 256ull * 1024 * 1024;

// The message as bytes on the wire: a frame of magic, verb, field count and data size, then
// each field with its length, then the data.
std::string EncodeRenderMessage(const RenderMessage& message);

// Takes bytes as they arrive, in pieces of any size, and gives back whole messages.
class RenderMessageReader {
 public:
  void Feed(std::string_view bytes);
  // The next whole message, or nullopt until more bytes arrive. Throws vorn::Exception for
  // bytes that are no message (wrong magic, unknown verb, a size beyond the bounds).
  std::optional<RenderMessage> Next();
  // Whether part of a message is waiting for the rest.
  bool Pending() const { return !buffer_.empty(); }

 private:
  std::string buffer_;
};

// Writes the whole message to a socket; never raises SIGPIPE. Throws vorn::Exception when the
// peer is gone.
void SendRenderMessage(int fd, const RenderMessage& message);

// Reads from the socket, blocking, until `reader` holds a whole message, and returns it;
// nullopt when the peer closed the socket between messages. Throws vorn::Exception for a read
// error, a peer that closed in the middle of a message, or bytes that are no message.
std::optional<RenderMessage> ReceiveRenderMessage(int fd, RenderMessageReader& reader);

// Reads what the socket holds now, without blocking, into `reader`; false when the peer has
// closed it. Throws vorn::Exception for a read error.
bool ReadAvailable(int fd, RenderMessageReader& reader);

}  // namespace vorn
