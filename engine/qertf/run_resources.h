#pragma once

#include <memory>

#include "engine/qertf/qertf.h"

namespace vorn {

class TMemoryStream;
class TempFile;
class AtomicOutputFile;

// The output streams of one run. Whatever way the run ends, the destructor removes the
// temporary intermediate file, drops an uncommitted final file and moves a caller's
// stream back to position 0.
class TQeRTF::RunResources {
 public:
  RunResources(TQeRTF& report, TStream* caller_stream);
  ~RunResources();
  RunResources(const RunResources&) = delete;
  RunResources& operator=(const RunResources&) = delete;

  // An in-memory stream when the caller's stream is one, else a "qer" temporary file.
  TStream& CreateIntermediate();
  // The caller's stream at position 0, or OutFile under a temporary name.
  TStream& OpenFinal();
  // Makes the intermediate file OutFile itself when the file system allows it; false when
  // its bytes must be copied into OpenFinal's stream.
  bool PublishIntermediate();
  // Puts the finished file under its final name.
  void Finish();

 private:
  TQeRTF& report_;
  TStream* caller_stream_;
  std::unique_ptr<TMemoryStream> memory_;
  std::unique_ptr<TempFile> temp_file_;
  std::unique_ptr<AtomicOutputFile> final_file_;
};

}  // namespace vorn
