#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/conscom/exceptions.h"
#include "engine/qebasereport/base_rtf_report.h"

namespace vorn {

class TDataSet;
class TField;
class TStream;
class TQeScanInfo;
class TQeImageFormat;
class TQeScans;
class Picture;
class TemplateScanner;
struct TagTextParts;

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

  // --- value output: a value's text shaped by the tag's format, in its RTF frame ---
  // A computed value, literal or variable.
  void WriteValue(std::string_view value, const TQeRowContent& row);
  // A dataset field at its dataset's current record.
  void WriteField(const TField& field, const TQeRowContent& row);
  // The numeric formats; a text that is no number comes back unchanged.
  std::string FormatNumber(std::string_view value, const TQeRowContent& row) const;
  // "\lang", Lang, a blank, the encoded value, then the tag's formatting.
  void WriteValueFrame(std::string_view value, std::string_view format_text);
  // The FLNK field code: "address|display text".
  void WriteHyperlink(std::string_view value, std::string_view format_text);
  // An RTF fragment merged, or text that is none written as a value; then `format_text`.
  void WriteFragment(std::string_view fragment, std::string_view format_text);
  // FIMG: a picture named by a file, or held by a blob field.
  void WritePictureFromFile(const std::string& file_name, const TQeRowContent& row);
  void WritePictureFromField(const TField& field, const TQeRowContent& row);
  // A picture that a user-defined function returned, as an RTF picture group; the caller
  // writes the tag's FormatText after it.
  void WritePicture(const Picture& picture, const TQeRowContent& row);
  // FRTF: an RTF fragment merged into the document with its tables. The caller writes the
  // tag's FormatText after it. Throws EIllegalFunctionUse outside a run (no output).
  void MergeRtfText(std::string_view fragment);
  // FRTF on a field: the stream's bytes from its start, or the field's AsString bytes.
  void MergeRtfStream(TStream& stream);
  void MergeRtfStream(const TField& field);
  // FDTM's format: the quoted text of the tag, or the report variable it names.
  std::string DateTimeFormatText(const TQeRowContent& row) const;
  // FBOOL: TrueValue for the value TrueValue or "TRUE" in any case, else FalseValue.
  std::string BooleanText(std::string_view value) const;
  // A date literal {YYYY-MM-DD} as the system's short date text.
  std::string DateLiteralToText(std::string_view literal) const;

 protected:
  // The parts of ProcessTemplate, each in its own file.
  void CompileTemplate();   // first pass: template to compiled stream
  void GenerateDocument();  // second pass: compiled stream to the intermediate output
  void AssembleOutput();    // intermediate output and header tables to the final output
  void GenerateVariable();
  void GenerateLiteral(int32_t kind);
  void GenerateField();
  // Reads an expression from its head to its end, evaluates it and writes or stores
  // its result.
  void GenerateExpression();
  // Scan records (rkScan ... rkEndScan) and if records (rkIf, rkEndIf) whose header has
  // just been read: they write, repeat or skip their blocks.
  void GenerateScanRecord(int32_t kind);
  void GenerateIfRecord(int32_t kind);
  // Writes what stands in place of a tag whose name or field cannot be found.
  void WriteMissedTag(const TQeRowContent& row);

  // --- template compiler ---
  // The number of the innermost open block, 0 outside every block.
  int16_t InnermostBlockId() const;
  // A tag whose function is unknown: only its formatting with eoClearMissedFields, else
  // the tag as written.
  void CompileMissedTag(const TagTextParts& parts);
  // Scan and if commands: their records, nesting checks and paragraph absorption.
  void CompileScanCommand(int32_t kind, const std::string& text, const std::string& tag_text,
                          const TagTextParts& parts, TemplateScanner& scanner);
  void CompileIfCommand(int32_t kind, const std::string& text, const std::string& tag_text,
                        const TagTextParts& parts, TemplateScanner& scanner);

 private:
  class RunResources;
  // Compiles one tag that the scanner returned (raw text between its delimiters); the
  // read position stands after the tag's closing delimiter.
  void CompileTag(const std::string& raw_tag, TemplateScanner& scanner);
  void RunReport(const std::vector<TDataSet*>& DataSets);
  // The frame of the three entry points: status, control states, the run, `after_run`
  // (may be empty), OnFinished; a failure is recorded and rethrown.
  void RunWithStatus(const std::vector<TDataSet*>& DataSets,
                     const std::function<void()>& after_run);
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
  // Scratch space of the generator, reused from value to value.
  std::string frame_;
  TQeRowContent field_row_;
};

}  // namespace vorn
