#pragma once

#include <memory>
#include <string>

#include "app/output/render_protocol.h"

namespace lok {
class Office;
}

namespace vorn {

// LibreOffice loaded into this process through LibreOfficeKit: one per process, used from one
// thread. Documents are read through a name of their own in `folder` that says what they are
// (cards are RTF under a ".doc" name), so everything LibreOffice writes, its lock files
// included, stays in `folder`.
class LokSession {
 public:
  // Starts LibreOffice from its program folder with the profile at `profile`. Throws
  // vorn::Exception when it does not start.
  LokSession(const std::string& office, const std::string& profile, std::string folder);
  ~LokSession();
  LokSession(const LokSession&) = delete;
  LokSession& operator=(const LokSession&) = delete;

  std::string Version();

  // Whether the profile records that this LibreOffice has finished its first start with it.
  // LibreOffice records that only when it shuts down in order after a document was open, which
  // a renderer ended by its owner never does; until then every start repeats the first start's
  // work and takes seconds.
  bool ProfileSettled();
  // Opens a small document and shuts LibreOffice down in order, so the profile records it; the
  // session cannot be used afterwards.
  void SettleProfile();
  // The answer to a request: kDone with the fields the protocol names, or kFailed.
  RenderMessage Pdf(const std::string& document);
  RenderMessage Page(const std::string& document, int page, int width);

 private:
  // The file LibreOffice reads `document` by: a fresh link or copy in the folder.
  std::string Stage(const std::string& document);
  std::string ErrorText();

  std::unique_ptr<lok::Office> office_;
  std::string profile_;
  std::string folder_;
  int serial_ = 0;
};

}  // namespace vorn
