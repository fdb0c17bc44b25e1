#include "app/output/renderer.h"

#include <poll.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/output/helper_process.h"
#include "app/output/interrupt.h"
#include "platform/system/exception.h"
#include "platform/system/files.h"
#include "platform/system/process.h"
#include "platform/system/scope_exit.h"
#include "platform/system/stream.h"

namespace vorn {

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Starts of a renderer before it is given up: the last with a fresh profile.
constexpr int kStarts = 3;

std::string Seconds(milliseconds limit) { return std::to_string((limit.count() + 999) / 1000); }

// Moves the renderer's PDF to its name: a rename on one file system, else a copy under a
// temporary name beside it, so a full disk names the file and leaves nothing half written.
void MoveInto(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return;
  if (errno != EXDEV) throw Exception("Can't write file " + to + ": " + std::strerror(errno));
  TFileStream source(from, TFileStream::Mode::kRead);
  AtomicOutputFile out(to);
  CopyStreamBytes(source, out.Stream(), source.Size());
  out.Commit();
}

int Number(const std::string& text) { return std::atoi(text.c_str()); }

// After the socket closes the process is ending; a moment lets it finish, so its end is told
// as it was rather than as our kill.
void AwaitEnd(HelperProcess& process) {
  for (int i = 0; i < 100 && !process.Finished(); ++i) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  process.Kill();
}
}  // namespace

std::string OfficeProgramFolder() {
  if (const std::string soffice = FindProgram("soffice"); !soffice.empty()) {
    if (char* real = ::realpath(soffice.c_str(), nullptr)) {
      const std::string folder = DirName(real);
      ::free(real);
      if (FileExists(folder + "/soffice.bin")) return folder;
    }
  }
  return std::string();
}

Renderer::Renderer(RendererOptions options, OfficeProfile profile)
    : options_(std::move(options)), profile_(std::move(profile)) {
  Start();
}

Renderer::Renderer(RendererOptions options) : options_(std::move(options)) { Start(); }

void Renderer::Start() {
  if (options_.program.empty()) options_.program = RendererProgram();
  if (options_.office.empty()) options_.office = OfficeProgramFolder();
  if (options_.office.empty()) {
    throw Exception("LibreOffice is not installed (no soffice on PATH): cannot make PDFs");
  }
  Launch();
}

Renderer::~Renderer() = default;

void Renderer::Launch() {
  process_.reset();
  reader_ = RenderMessageReader();
  // The slot stays ours across restarts, so a profile set aside is made anew in the same place.
  if (!profile_) profile_.emplace();
  profile_->Prepare();
  profile_was_complete_ = profile_->Complete();
  process_ = std::make_unique<HelperProcess>(
      options_.program,
      std::vector<std::string>{"--office", options_.office, "--profile", profile_->Path()});
  state_ = State::kStarting;
  deadline_ = Clock::now() + options_.start_limit;
}

void Renderer::BeginPdf(const std::string& document, const std::string& pdf) {
  Request request;
  request.message.verb = RenderVerb::kPdf;
  request.message.fields = {fs::absolute(document).string()};
  request.document = document;
  request.pdf = fs::absolute(pdf).string();
  Begin(std::move(request));
}

void Renderer::BeginPage(const std::string& document, int page, int width) {
  Request request;
  request.message.verb = RenderVerb::kPage;
  request.message.fields = {fs::absolute(document).string(), std::to_string(page),
                            std::to_string(width)};
  request.document = document;
  Begin(std::move(request));
}

void Renderer::Begin(Request request) {
  if (Busy()) throw Exception("The renderer is still busy with " + request_->document);
  failure_.reset();
  request.limit = LimitFor(request.document);
  if (state_ == State::kStopped) Launch();
  request_ = std::move(request);
  if (state_ == State::kIdle) Send();
}

milliseconds Renderer::LimitFor(const std::string& document) const {
  const int64_t megabytes = FileSize(document).value_or(0) / (1024 * 1024);
  return options_.request_limit + options_.request_limit_per_mb * megabytes;
}

void Renderer::Send() {
  state_ = State::kBusy;
  deadline_ = Clock::now() + request_->limit;
  try {
    SendRenderMessage(process_->Socket(), request_->message);
  } catch (const Exception& e) {
    Lost(e.what());
  }
}

std::optional<RenderResult> Renderer::Poll(milliseconds wait) {
  const Clock::time_point until = Clock::now() + wait;
  while (true) {
    if (result_) {
      std::optional<RenderResult> result = std::move(result_);
      result_.reset();
      return result;
    }
    if (failure_) {
      const std::string failure = std::move(*failure_);
      failure_.reset();
      throw Exception(failure);
    }
    ThrowIfInterrupted();
    const Clock::time_point now = Clock::now();
    if (state_ == State::kStopped) return std::nullopt;
    const Clock::time_point next = std::min(until, deadline_);
    const auto timeout = std::chrono::ceil<milliseconds>(std::max(next - now, Clock::duration()));
    pollfd watched[2] = {{process_->Socket(), POLLIN, 0}, {InterruptFd(), POLLIN, 0}};
    const int ready =
        ::poll(watched, watched[1].fd >= 0 ? 2 : 1, static_cast<int>(timeout.count()));
    if (ready > 0 && watched[0].revents != 0) {
      ReadAnswers();
    } else {
      CheckDeadline();
    }
    if (result_ || failure_) continue;
    if (Clock::now() >= until) return std::nullopt;
  }
}

RenderResult Renderer::Wait() {
  while (true) {
    if (!Busy()) throw Exception("No request for the renderer to wait for");
    if (std::optional<RenderResult> result = Poll(milliseconds(1000))) return std::move(*result);
  }
}

int Renderer::Socket() const { return process_ ? process_->Socket() : -1; }

int Renderer::Pid() const { return process_ ? process_->Pid() : -1; }

void Renderer::ReadAnswers() {
  // A message may make us replace the process; what is left to read was the old one's.
  const HelperProcess* const process = process_.get();
  bool open = false;
  try {
    open = ReadAvailable(process_->Socket(), reader_);
    while (std::optional<RenderMessage> message = reader_.Next()) {
      Handle(std::move(*message));
      if (process_.get() != process) return;
    }
  } catch (const Exception& e) {
    Lost(e.what());
    return;
  }
  if (!open) {
    AwaitEnd(*process_);
    Lost("the renderer " + process_->EndText());
  }
}

void Renderer::Handle(RenderMessage message) {
  if (state_ == State::kStarting && message.verb == RenderVerb::kReady) {
    state_ = State::kIdle;
    start_failures_ = 0;
    if (!profile_->Complete()) profile_->MarkComplete();
    if (request_) Send();
  } else if (state_ == State::kStarting && message.verb == RenderVerb::kFailed) {
    Lost(message.Field(0));
  } else if (state_ == State::kBusy &&
             (message.verb == RenderVerb::kDone || message.verb == RenderVerb::kFailed)) {
    Finish(message);
  } else {
    Lost("the renderer sent a message out of turn");
  }
}

void Renderer::Finish(const RenderMessage& answer) {
  state_ = State::kIdle;
  const Request request = std::move(*request_);
  request_.reset();
  if (answer.verb == RenderVerb::kFailed) {
    failure_ = answer.Field(0);
    return;
  }
  RenderResult result;
  result.pages = Number(answer.Field(request.message.verb == RenderVerb::kPdf ? 1 : 0));
  try {
    if (request.message.verb == RenderVerb::kPdf) {
      const std::string& made = answer.Field(0);
      // The renderer writes only in its own folder; anything else is not taken.
      if (!made.starts_with(process_->Folder() + "/")) {
        throw Exception("The renderer put the PDF outside its folder: " + made);
      }
      const ScopeExit remove([&made] { DeleteFile(made); });
      MoveInto(made, request.pdf);
      result.pdf = request.pdf;
    } else {
      result.width = Number(answer.Field(1));
      result.height = Number(answer.Field(2));
      if (result.width <= 0 || result.height <= 0 ||
          answer.data.size() != static_cast<size_t>(result.width) * result.height * 4) {
        throw Exception("The renderer's page of " + request.document + " has the wrong size");
      }
      result.pixels.assign(answer.data.begin(), answer.data.end());
    }
    result_ = std::move(result);
  } catch (const Exception& e) {
    failure_ = e.what();
  }
}

void Renderer::CheckDeadline() {
  if ((state_ == State::kStarting || state_ == State::kBusy) && Clock::now() >= deadline_) {
    const milliseconds limit = state_ == State::kStarting ? options_.start_limit : request_->limit;
    Lost("the renderer did not answer within " + Seconds(limit) + " s");
  }
}

void Renderer::Lost(const std::string& why) {
  const State state = state_;
  process_.reset();
  state_ = State::kStopped;
  if (state == State::kStarting) {
    // A start may fail by chance (someone killed the renderer); a profile that started before
    // and fails twice no longer starts, and is set aside and made anew.
    if (++start_failures_ < kStarts) {
      if (start_failures_ == kStarts - 1 && profile_was_complete_) profile_->SetAside();
      Relaunch();
      return;
    }
    start_failures_ = 0;
    failure_ = "LibreOffice did not start in the renderer: " + why;
    if (request_) failure_ = "Cannot convert " + request_->document + ": " + *failure_;
    request_.reset();
    return;
  }
  if (state == State::kBusy && request_) {
    if (++request_->attempts < 2) {
      Relaunch();
      return;
    }
    failure_ = "LibreOffice failed twice on " + request_->document + ": " + why;
    request_.reset();
    return;
  }
  // An idle renderer that ended is started again for the next request.
  Relaunch();
}

void Renderer::Relaunch() {
  try {
    Launch();
  } catch (const Exception& e) {
    state_ = State::kStopped;
    failure_ = request_ ? "Cannot convert " + request_->document + ": " + e.what() : e.what();
    request_.reset();
  }
}

}  // namespace vorn
