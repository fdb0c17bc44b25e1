#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/output/office_profile.h"
#include "app/output/render_protocol.h"

namespace vorn {

class HelperProcess;

// How a renderer is started and how long it may take.
struct RendererOptions {
  // The renderer executable; "" for RendererProgram().
  std::string program;
  // LibreOffice's program folder; "" for OfficeProgramFolder().
  std::string office;
  // From the start to LibreOffice ready, a new profile made included.
  std::chrono::milliseconds start_limit{90'000};
  // For one request, and again for each megabyte of its document.
  std::chrono::milliseconds request_limit{60'000};
  std::chrono::milliseconds request_limit_per_mb{30'000};
};

// What a request gave.
struct RenderResult {
  std::string pdf;  // BeginPdf: the PDF, under the name asked for
  int pages = 0;    // the document's pages
  int width = 0;    // BeginPage: the bitmap's size in pixels
  int height = 0;
  // BeginPage: width x height pixels, rows top down, 4 bytes each: premultiplied ARGB as one
  // native 32-bit number (QImage::Format_ARGB32_Premultiplied).
  std::vector<uint8_t> pixels;
};

// LibreOffice in a renderer process of the program's own (the "vornrender" executable), so a
// crash of LibreOffice never takes the program down, with a profile slot of the user's own
// (OfficeProfile). Started at construction, in the background: the constructor returns at
// once and LibreOffice comes up in about half a second (seconds when its profile must first
// be made). One request at a time; a request made while it is still starting waits for it.
//
// Every wait has a time limit. A renderer that crashes, ends or stops answering is killed and
// started again, and the request is sent once more; a second failure throws. A profile that
// LibreOffice no longer starts with is set aside and made anew. The renderer ends with its
// owner, also when the owner is killed.
//
// Not thread-safe: construct and use it on one thread, one that outlives it (the main thread),
// since the system ends a renderer when the thread that started it ends. In the GUI:
//   renderer = std::make_unique<Renderer>();          // when the dialog opens
//   renderer->BeginPage(card, 0, 400);                // after the clerk stops typing
//   if (auto page = renderer->Poll(std::chrono::milliseconds(5))) Show(*page);  // a timer
class Renderer {
 public:
  explicit Renderer(RendererOptions options = {});
  // With a profile slot the caller took and prepared (OfficeProfile::Prepare).
  Renderer(RendererOptions options, OfficeProfile profile);
  // Ends the renderer and removes its temporary files.
  ~Renderer();
  Renderer(const Renderer&) = delete;
  Renderer& operator=(const Renderer&) = delete;

  // Whether LibreOffice is up and waiting for a request; what the renderer says is read by
  // Poll, so this changes only there.
  bool Ready() const { return state_ == State::kIdle; }
  // Whether a request is waiting for its answer (Poll has not yet returned it).
  bool Busy() const { return request_.has_value() || result_.has_value(); }

  // Asks for the PDF of `document` (RTF, under any name) written to `pdf`: under a temporary
  // name beside it until complete, then renamed, so `pdf` never holds half a PDF.
  void BeginPdf(const std::string& document, const std::string& pdf);
  // Asks for page `page` (from 0) of `document` as a bitmap `width` pixels wide (16 to 4000),
  // drawn as the page prints: no marks of the text area, no shadow.
  void BeginPage(const std::string& document, int page, int width);
  // Both throw vorn::Exception when a request is already running. The document is read when
  // the renderer takes the request; replace it by renaming a new file over it, never by
  // rewriting it in place, while a request may be running.

  // Waits up to `wait` for the answer to the request; nullopt while it is not there yet.
  // Throws vorn::Exception with a message for the user when the request failed (then the
  // renderer takes the next request), Interrupted when a signal came during an
  // InterruptScope.
  std::optional<RenderResult> Poll(std::chrono::milliseconds wait = {});
  // Waits for the answer, within the time limits.
  RenderResult Wait();

  // The socket to watch for answers with poll(), -1 between a failure and the restart.
  int Socket() const;
  // The renderer process, for tests and checks; -1 while none runs.
  int Pid() const;

 private:
  enum class State { kStopped, kStarting, kIdle, kBusy };
  struct Request {
    RenderMessage message;
    std::string document;
    std::string pdf;
    std::chrono::milliseconds limit{};
    int attempts = 0;
  };

  void Start();
  void Launch();
  // Launch for a restart: a failure to start ends the request with its reason.
  void Relaunch();
  void Begin(Request request);
  void Send();
  void ReadAnswers();
  void Handle(RenderMessage message);
  void Finish(const RenderMessage& answer);
  void Lost(const std::string& why);
  void CheckDeadline();
  std::chrono::milliseconds LimitFor(const std::string& document) const;

  RendererOptions options_;
  std::optional<OfficeProfile> profile_;
  std::unique_ptr<HelperProcess> process_;
  RenderMessageReader reader_;
  State state_ = State::kStopped;
  std::chrono::steady_clock::time_point deadline_;
  int start_failures_ = 0;
  bool profile_was_complete_ = false;
  std::optional<Request> request_;
  std::optional<RenderResult> result_;
  std::optional<std::string> failure_;
};

// The folder of the installed LibreOffice's programs (where soffice.bin and its libraries are),
// found from soffice on PATH; "" when there is none.
std::string OfficeProgramFolder();

}  // namespace vorn
