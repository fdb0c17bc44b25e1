#include "engine/qertf/run_resources.h"

#include "platform/system/files.h"
#include "platform/system/stream.h"

namespace vorn {

TQeRTF::RunResources::RunResources(TQeRTF& report, TStream* caller_stream)
    : report_(report), caller_stream_(caller_stream) {}

TQeRTF::RunResources::~RunResources() {
  final_file_.reset();
  temp_file_.reset();
  memory_.reset();
  if (caller_stream_ != nullptr) {
    try {
      caller_stream_->Seek(0);
    } catch (...) {
    }
  }
}

TStream& TQeRTF::RunResources::CreateIntermediate() {
  if (dynamic_cast<TMemoryStream*>(caller_stream_) != nullptr) {
    memory_ = std::make_unique<TMemoryStream>();
    return *memory_;
  }
  temp_file_ = std::make_unique<TempFile>("qer");
  // Most runs make this file the output, which is synced before it takes the final name.
  temp_file_->Stream().SetEarlyWriteback(true);
  return temp_file_->Stream();
}

TStream& TQeRTF::RunResources::OpenFinal() {
  if (caller_stream_ != nullptr) {
    caller_stream_->Seek(0);
    return *caller_stream_;
  }
  final_file_ = std::make_unique<AtomicOutputFile>(report_.OutFile());
  return final_file_->Stream();
}

bool TQeRTF::RunResources::PublishIntermediate() {
  return caller_stream_ == nullptr && temp_file_ != nullptr &&
         temp_file_->MoveTo(report_.OutFile());
}

void TQeRTF::RunResources::Finish() {
  if (final_file_) final_file_->Commit();
  if (caller_stream_ != nullptr) caller_stream_->Seek(0);
}

}  // namespace vorn
