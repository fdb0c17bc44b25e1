// A stand-in for vornrender that speaks its protocol and misbehaves on request, so the client's
// restarts and time limits can be tested without LibreOffice. A request's document says what to
// do: "ok", "fail", "crash", "crash-once" (crash unless DOCUMENT.crashed exists, which it
// leaves), "hang", "garbage", "small-page". VORN_FAKE_START=hang|crash|fail misbehaves at the
// start instead, and so does a profile holding a file "broken".
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/output/render_protocol.h"
#include "platform/system/files.h"

namespace {
constexpr int kSocket = 3;

std::string Option(int argc, char** argv, const std::string& name) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (argv[i] == name) return argv[i + 1];
  }
  return "";
}

std::string Read(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  std::string content = text.str();
  while (!content.empty() && content.back() == '\n') content.pop_back();
  return content;
}

[[noreturn]] void Hang() {
  while (true) ::pause();
}

vorn::RenderMessage Answer(const vorn::RenderMessage& request, const std::string& folder,
                           int serial) {
  const std::string document = request.Field(0);
  const std::string what = Read(document);
  if (what == "crash" || (what == "crash-once" && !vorn::FileExists(document + ".crashed"))) {
    std::ofstream(document + ".crashed") << "1";
    ::raise(SIGSEGV);
  }
  if (what == "hang") Hang();
  if (what == "garbage") {
    [[maybe_unused]] auto n = ::write(kSocket, "not a message at all", 20);
    Hang();
  }
  if (what == "fail") return {vorn::RenderVerb::kFailed, {"Cannot read " + document}, {}};
  if (request.verb == vorn::RenderVerb::kPage) {
    const int width = std::atoi(request.Field(2).c_str());
    const int height = what == "small-page" ? 1 : width * 2;
    std::string pixels(static_cast<size_t>(width) * width * 2 * 4, '\xff');
    return {vorn::RenderVerb::kDone, {"3", std::to_string(width), std::to_string(height)}, pixels};
  }
  const std::string pdf = folder + "/out" + std::to_string(serial) + ".pdf";
  std::ofstream(pdf) << "%PDF-fake " << what;
  return {vorn::RenderVerb::kDone, {pdf, "1"}, {}};
}
}  // namespace

int main(int argc, char** argv) {
  const std::string folder = Option(argc, argv, "--folder");
  const std::string profile = Option(argc, argv, "--profile");
  const char* start = std::getenv("VORN_FAKE_START");
  const std::string start_mode = start != nullptr ? start : "";
  if (start_mode == "hang") Hang();
  if (start_mode == "crash") ::raise(SIGSEGV);
  if (start_mode == "fail" || vorn::FileExists(profile + "/broken")) {
    vorn::SendRenderMessage(kSocket, {vorn::RenderVerb::kFailed, {"no start"}, {}});
    return 1;
  }
  // LibreOffice makes its profile as it starts.
  std::filesystem::create_directories(profile);
  vorn::SendRenderMessage(kSocket, {vorn::RenderVerb::kReady, {"fake"}, {}});
  vorn::RenderMessageReader reader;
  int serial = 0;
  while (auto request = vorn::ReceiveRenderMessage(kSocket, reader)) {
    vorn::SendRenderMessage(kSocket, Answer(*request, folder, ++serial));
  }
  return 0;
}
