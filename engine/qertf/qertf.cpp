#include "engine/qertf/qertf.h"

#include "data/dataset.h"
#include "engine/qertf/run_resources.h"
#include "engine/qertf/scan_info.h"
#include "platform/system/files.h"
#include "platform/system/stream.h"

namespace vorn {

TQeRTF::TQeRTF() = default;
TQeRTF::~TQeRTF() = default;

std::string TQeRTF::ShellErrorText(int code) {
  switch (code) {
    case 0:
      return "The operating system is out of memory or resources.";
    case 2:
      return "The specified file was not found.";
    case 3:
      return "The specified path was not found.";
    case 5:
      return "The operating system denied access to the specified file.";
    case 8:
      return "There was not enough memory to complete the operation.";
    case 11:
      return "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
    case 26:
      return "A sharing violation occurred.";
    case 27:
      return "The filename association is incomplete or invalid.";
    case 28:
      return "The DDE transaction could not be completed because the request timed out.";
    case 29:
      return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not be completed because other DDE transactions were "
             "being processed.";
    case 31:
      return "There is no application associated with the given filename extension.";
    case 32:
      return "The specified dynamic-link library was not found.";
    default:
      return "Reason unknown.";
  }
}

void TQeRTF::SaveControlStates(const std::vector<TDataSet*>& DataSets) {
  control_status_.clear();
  controlled_datasets_.clear();
  if (!disable_controls_) return;
  for (TDataSet* dataset : DataSets) {
    if (dataset == nullptr) continue;
    control_status_.push_back(dataset->ControlsDisabled());
    controlled_datasets_.push_back(dataset);
    dataset->DisableControls();
  }
}

void TQeRTF::RestoreControlStates() noexcept {
  // One EnableControls undoes exactly the run's own DisableControls, whatever the
  // count was before the run.
  for (TDataSet* dataset : controlled_datasets_) {
    try {
      dataset->EnableControls();
    } catch (...) {
    }
  }
  controlled_datasets_.clear();
  control_status_.clear();
}

void TQeRTF::RunReport(const std::vector<TDataSet*>& DataSets) {
  struct EndOfRun {
    TQeRTF& report;
    ~EndOfRun() {
      report.scans_.reset();
      report.EndRun();
    }
  } end_of_run{*this};
  BeginRun(DataSets);
  scans_ = std::make_unique<TQeScans>();
  ProcessTemplate();
}

void TQeRTF::RunWithStatus(const std::vector<TDataSet*>& DataSets,
                           const std::function<void()>& after_run) {
  succeeded_ = true;
  error_message_ = "No errors.";
  try {
    SaveControlStates(DataSets);
    RunReport(DataSets);
    if (after_run) after_run();
    if (OnFinished) OnFinished(*this);
  } catch (const std::exception& e) {
    succeeded_ = false;
    error_message_ = e.what();
    RestoreControlStates();
    throw;
  } catch (...) {
    succeeded_ = false;
    error_message_ = "Unknown error";
    RestoreControlStates();
    throw;
  }
  RestoreControlStates();
}

void TQeRTF::Execute(const std::vector<TDataSet*>& DataSets) {
  caller_stream_ = nullptr;
  RunWithStatus(DataSets, {});
}

void TQeRTF::ExecuteOpen(const std::vector<TDataSet*>& DataSets, int ShowCmd) {
  caller_stream_ = nullptr;
  // The shell step belongs to the run: its failure is the run's error, with the report
  // already written.
  RunWithStatus(DataSets, [&] {
    const int code = ShellOpen(OutFile(), ShowCmd);
    if (code <= 32) {
      throw EIOError("Failed to open report results. Error message: " + ShellErrorText(code));
    }
  });
}

void TQeRTF::ExecuteToStream(const std::vector<TDataSet*>& DataSets, TStream& Stream) {
  caller_stream_ = &Stream;
  struct ClearSelection {
    TStream*& stream;
    ~ClearSelection() { stream = nullptr; }
  } clear_selection{caller_stream_};
  RunWithStatus(DataSets, {});
}

void TQeRTF::ProcessTemplate() {
  RunResources resources(*this, caller_stream_);
  resources_ = &resources;
  struct Forget {
    TQeRTF& report;
    ~Forget() {
      report.resources_ = nullptr;
      report.intermediate_ = nullptr;
      report.SetOutput(nullptr);
      report.HeaderTables.Clear();
      report.OutTabs.clear();
      if (report.scans_) report.scans_->Clear();
    }
  } forget{*this};

  CompileTemplate();
  intermediate_ = &resources.CreateIntermediate();
  GenerateDocument();
  AssembleOutput();
  resources.Finish();
}

void TQeRTF::AssembleOutput() {
  // The intermediate output already is the document unless a picture or fragment added
  // table entries after their tables were written.
  if (!PlacedTablesChanged() && resources_->PublishIntermediate()) return;
  TStream& final_output = resources_->OpenFinal();
  SetOutput(&final_output);
  intermediate_->Seek(0);
  int64_t copied = 0;
  for (const TQeOutTab& tab : OutTabs) {
    CopyStreamBytes(*intermediate_, final_output, tab.Start - copied);
    HeaderTables.WriteTable(tab.TableType, final_output);
    intermediate_->Seek(tab.End);
    copied = tab.End;
  }
}

}  // namespace vorn
