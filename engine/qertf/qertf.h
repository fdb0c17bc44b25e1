#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_rtf_report.h"

namespace vorn {

class TDataSet;
class TStream;
class TQeScanInfo;
class TQeImageFormat;
class TQeScans;

using TQeOnScanBefore = std::function<void(TQeScanInfo& ScanInfo)>;
using TQeOnScanRecord = std::function<void(TQeScanInfo& ScanInfo)>;
using TQeOnScanEof = std::function<void(TQeScanInfo& ScanInfo)>;
using TQeOnImageFormat = std::function<void(int FormatIndex, TQeImageFormat& ImageFormat)>;
// Whether each dataset of a run had its controls disabled before the run.
using TQeControlStatus = std::vector<bool>;

// The RTF report component: fills the template InFile from a list of datasets and
// writes the document to OutFile or a caller's stream. Every run records its outcome in
// Succeeded and ErrorMessage; a failed run also rethrows the exception.
class TQeRTF : public TQeBaseRTFReport {
 public:
  TQeRTF();
  ~TQeRTF() override;

  TQeOnImageFormat OnImageFormat;
  TQeOnScanBefore OnScanBefore;
  TQeOnScanRecord OnScanRecord;
  TQeOnScanEof OnScanEof;
  bool DisableControls() const { return disable_controls_; }
  void SetDisableControls(bool value) {
    if (value != disable_controls_) disable_controls_ = value;
  }

  bool Succeeded() const { return succeeded_; }
  const std::string& ErrorMessage() const { return error_message_; }

  // One compile and generate pass over InFile.
  virtual void ProcessTemplate();
  // Generates the report into the file OutFile.
  virtual void Execute(const std::vector<TDataSet*>& DataSets);
  // As Execute, then opens OutFile with the desktop shell.
  virtual void ExecuteOpen(const std::vector<TDataSet*>& DataSets, int ShowCmd);
  // Generates the report into `Stream` from position 0 and leaves it at position 0.
  virtual void ExecuteToStream(const std::vector<TDataSet*>& DataSets, TStream& Stream);

  // The shell's text for a ShellOpen result code.
  static std::string ShellErrorText(int code);

  // --- run state ---
  // The value of the last expression compiled to store its result as the condition.
  bool CurrentCondition = false;
  TQeScans* Scans() const { return scans_.get(); }
  // The intermediate output of the body (the current output during generation).
  TStream* Intermediate() const { return intermediate_; }

 protected:
  // The parts of ProcessTemplate, each in its own file.
  void CompileTemplate();   // first pass: template to compiled stream
  void GenerateDocument();  // second pass: compiled stream to the intermediate output
  void AssembleOutput();    // intermediate output and header tables to the final output

 private:
  class RunResources;
  void RunReport(const std::vector<TDataSet*>& DataSets);
  void SaveControlStates(const std::vector<TDataSet*>& DataSets);
  void RestoreControlStates() noexcept;
  void PrepareOutputs();

  bool disable_controls_ = true;
  bool succeeded_ = false;
  std::string error_message_ = "No errors.";
  TQeControlStatus control_status_;
  std::vector<TDataSet*> controlled_datasets_;
  TStream* caller_stream_ = nullptr;
  std::unique_ptr<TQeScans> scans_;
  RunResources* resources_ = nullptr;
  TStream* intermediate_ = nullptr;
};

}  // namespace vorn
