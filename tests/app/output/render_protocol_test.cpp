#include "app/output/render_protocol.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/system/exception.h"

namespace vorn {
namespace {

std::string Frame(uint32_t verb, uint32_t fields, uint64_t data) {
  std::string bytes = "VRM1";
  bytes.append(reinterpret_cast<const char*>(&verb), 4);
  bytes.append(reinterpret_cast<const char*>(&fields), 4);
  bytes.append(reinterpret_cast<const char*>(&data), 8);
  return bytes;
}

std::string BrokenError(const std::string& bytes) {
  RenderMessageReader reader;
  reader.Feed(bytes);
  try {
    reader.Next();
  } catch (const Exception& e) {
    return e.what();
  }
  return "no error";
}

TEST(RenderProtocolTest, MessagesSurviveAnyCutOfTheStream) {
  const std::vector<RenderMessage> messages = {
      {RenderVerb::kReady, {}, {}},
      {RenderVerb::kPdf, {"/tmp/a b;%#/卡片.doc"}, {}},
      {RenderVerb::kPage, {"/x.rtf", "2", "400"}, {}},
      {RenderVerb::kDone, {"3", "", "800"}, std::string("\0\xff\x01VRM1", 7)},
      {RenderVerb::kFailed, {std::string(kMaxRenderFieldBytes, 'x')}, {}},
  };
  std::string stream;
  for (const RenderMessage& message : messages) stream += EncodeRenderMessage(message);
  for (const size_t piece : {size_t{1}, size_t{7}, stream.size()}) {
    RenderMessageReader reader;
    std::vector<RenderMessage> read;
    for (size_t at = 0; at < stream.size(); at += piece) {
      reader.Feed(std::string_view(stream).substr(at, piece));
      while (auto message = reader.Next()) read.push_back(*message);
    }
    ASSERT_EQ(read.size(), messages.size()) << "pieces of " << piece;
    for (size_t i = 0; i < read.size(); ++i) {
      EXPECT_EQ(read[i].verb, messages[i].verb);
      EXPECT_EQ(read[i].fields, messages[i].fields);
      EXPECT_EQ(read[i].data, messages[i].data);
    }
    EXPECT_FALSE(reader.Pending());
  }
}

TEST(RenderProtocolTest, BytesThatAreNoMessageAreRefusedBeforeAnyAllocation) {
  const std::string prefix = "The renderer's answer is broken: ";
  EXPECT_EQ(BrokenError("warn: LibreOffice says"), prefix + "no message frame");
  // A peer writing text is caught at its first wrong byte, not after a whole header.
  EXPECT_EQ(BrokenError("VX"), prefix + "no message frame");
  EXPECT_EQ(BrokenError(Frame(0, 0, 0)), prefix + "unknown verb 0");
  EXPECT_EQ(BrokenError(Frame(6, 0, 0)), prefix + "unknown verb 6");
  EXPECT_EQ(BrokenError(Frame(1, 17, 0)), prefix + "17 fields");
  EXPECT_EQ(BrokenError(Frame(1, 0, kMaxRenderDataBytes + 1)),
            prefix + std::to_string(kMaxRenderDataBytes + 1) + " bytes of data");
  const uint32_t huge = kMaxRenderFieldBytes + 1;
  EXPECT_EQ(BrokenError(Frame(1, 1, 0) + std::string(reinterpret_cast<const char*>(&huge), 4)),
            prefix + "a field of 65537 bytes");
}

TEST(RenderProtocolTest, APeerThatEndsIsToldApartFromOneThatBreaksOff) {
  int sockets[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  SendRenderMessage(sockets[1], {RenderVerb::kReady, {"7.4"}, {}});
  const std::string half = EncodeRenderMessage({RenderVerb::kDone, {"a"}, "pixels"}).substr(0, 25);
  ASSERT_EQ(::write(sockets[1], half.data(), half.size()), static_cast<ssize_t>(half.size()));
  ::close(sockets[1]);
  RenderMessageReader reader;
  const std::optional<RenderMessage> ready = ReceiveRenderMessage(sockets[0], reader);
  ASSERT_TRUE(ready.has_value());
  EXPECT_EQ(ready->Field(0), "7.4");
  EXPECT_EQ(ready->Field(1), "");
  try {
    ReceiveRenderMessage(sockets[0], reader);
    ADD_FAILURE() << "a message cut off passed";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "The renderer's answer is broken: it ended in the middle of a message");
  }
  ::close(sockets[0]);

  // Between messages the end is the peer's orderly goodbye; writing to it is an error, not a
  // SIGPIPE that would end the program.
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
  ::close(sockets[1]);
  RenderMessageReader fresh;
  EXPECT_FALSE(ReceiveRenderMessage(sockets[0], fresh).has_value());
  EXPECT_THROW(SendRenderMessage(sockets[0], {RenderVerb::kPdf, {"x"}, {}}), Exception);
  ::close(sockets[0]);
}

}  // namespace
}  // namespace vorn
