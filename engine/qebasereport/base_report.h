#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/qebasereport/compiled_stream.h"
#include "engine/qebasereport/report_variables.h"
#include "platform/text/ascii_text.h"

namespace vorn {

class TDataSet;
class TQeUDFList;
class TStream;

using TNotifyEvent = std::function<void(class TQeBaseReport& Sender)>;

// Where the compile pass stands in the template, as the compiled-stream writers ask it: every
// record covers the template up to the position of the next byte to read.
class TemplateCursor {
 public:
  // The 1-based position of the next template byte.
  virtual int32_t TemplatePos() const = 0;

 protected:
  ~TemplateCursor() = default;
};

// The report base: variables, boolean texts, user-defined functions, template and
// output file names, and the machinery one run uses (template buffer, compiled stream,
// dataset names, output streams). Run state exists only from a run's start to its end.
class TQeBaseReport {
 public:
  static constexpr int kVersion = 300;

  TQeBaseReport();
  virtual ~TQeBaseReport();
  TQeBaseReport(const TQeBaseReport&) = delete;
  TQeBaseReport& operator=(const TQeBaseReport&) = delete;

  // --- published properties ---
  const std::string& InFile() const { return in_file_; }
  void SetInFile(const std::string& value);
  // Template bytes held in memory, read by the next runs instead of InFile until cleared;
  // InFile still names the template in messages. Not part of the stored properties.
  void SetTemplateBytes(std::string bytes) { template_bytes_ = std::move(bytes); }
  void ClearTemplateBytes() { template_bytes_.reset(); }
  const std::string& OutFile() const { return out_file_; }
  void SetOutFile(const std::string& value);
  TQeVarList& VarList() { return var_list_; }
  const TQeVarList& VarList() const { return var_list_; }
  // Copies the lines of `value` into the report's own list.
  void SetVarList(const TQeVarList& value);
  const std::string& TrueValue() const { return true_value_; }
  void SetTrueValue(const std::string& value);
  const std::string& FalseValue() const { return false_value_; }
  void SetFalseValue(const std::string& value);
  TQeUDFList* UDFList() const { return udf_list_; }
  // Throws EIllegalFunctionUse while a run executes or when the list's version differs;
  // the old list stays then. nullptr clears the reference without checks.
  void SetUDFList(TQeUDFList* value);
  TNotifyEvent OnFinished;

  // --- report variables; positions count lines from 1 ---
  // The first line whose name (the text before its first "=") equals `name` ignoring the
  // case of A to Z, untrimmed; 0 when there is none.
  int FindVariable(std::string_view name) const;
  // Add a line "name=value" (name trimmed) of type string or number; throw EIOError when
  // a variable of that name exists.
  void AddTextVariable(std::string_view name, std::string_view value);
  void AddNumberVariable(std::string_view name, long double value);
  // The report's own reference object, renamed to `name`: every call renames the same
  // object, so use it before the next call.
  TQeReportVariable& GetVariable(std::string_view name);
  // The text after the line's first "=" (empty without one, or when the line starts with
  // it) and the line's type; throw vorn::Exception for a position outside the list.
  std::string VariableText(int position) const;
  VarDataType VariableType(int position) const;

  // Called by a TQeUDFList that is being destroyed.
  void UDFListDestroyed(TQeUDFList* list);
  bool Executing() const { return executing_; }

  // Dataset alias to position in the run's dataset list, -1 when there is none.
  virtual int GetDataSetIndex(std::string_view alias) const;
  // The run's dataset the alias names; null when it names no position of the list or the
  // list holds no dataset there.
  TDataSet* DataSetByAlias(std::string_view alias) const;
  virtual bool IsQuoteOpen(unsigned char c) const = 0;
  virtual bool IsQuoteClose(unsigned char opener, unsigned char c) const = 0;
  virtual bool IsQuotedString(std::string_view text) const = 0;
  // Opens a file with the desktop shell; a result above 32 means success.
  virtual int ShellOpen(const std::string& file_name, int show_command);

  // --- compiled-stream writers and readers, in record-table order ---
  // Writers take the template cursor's TemplatePos; readers fill the stream's cursors. Every
  // writer has its reader in this order, the ones the generator reads through the stream itself
  // too (verbatim group, row marks, block mark): subclasses override by this layout.
  virtual void WriteTextRecord();
  virtual void ReadTextRecord();
  virtual void WriteVerbatimGroup();
  virtual void ReadVerbatimGroup();
  virtual void WriteRowStart();
  virtual void ReadRowStart();
  virtual void WriteRowEnd();
  virtual void ReadRowEnd();
  virtual void WriteLiteral(std::string_view text);
  virtual std::string ReadLiteral();
  virtual void WriteScan(const TQeCommandContent& body);
  virtual TQeCommandContent ReadScan();
  virtual void WriteScanWhile(const TQeCommandContent& body);
  virtual TQeCommandContent ReadScanWhile();
  virtual void WriteIf(const TQeCommandContent& body);
  virtual TQeCommandContent ReadIf();
  virtual void WriteScanEntry(const TQeCommandContent& body);
  virtual TQeCommandContent ReadScanEntry();
  virtual void WriteScanFooter(const TQeCommandContent& body);
  virtual TQeCommandContent ReadScanFooter();
  virtual void WriteEndScan(const TQeCommandContent& body);
  virtual TQeCommandContent ReadEndScan();
  virtual void WriteEndIf(const TQeCommandContent& body);
  virtual TQeCommandContent ReadEndIf();
  virtual void WriteScanBodyEnd(int16_t block_id);
  virtual int16_t ReadScanBodyEnd();
  virtual void WriteBlockMark(int16_t block_id);
  virtual int16_t ReadBlockMark();
  virtual void WriteOperand(int32_t kind, const TQeRowContent& row);
  // Rewrites the operand read last (its StartPos is in LastRecordStart).
  virtual void PatchOperand(int32_t index, bool not_found);
  virtual TQeRowContent ReadOperand();
  virtual void WriteExprStart(const TQeExprHead& head);
  virtual TQeExprHead ReadExprStart();
  virtual void WriteExprEnd();
  virtual void ReadExprEnd();
  virtual void WriteCall(const TQeCall& call);
  virtual TQeCall ReadCall();

  // --- run state, shared by the passes of one run ---
  // Template bytes; position p (1-based) is TemplateByte(p). Length -1: nothing loaded.
  const std::string& TemplateBuffer() const { return template_; }
  int32_t TemplateLength() const { return template_length_; }
  unsigned char TemplateByte(int32_t pos) const {
    return pos >= 1 && pos <= template_length_ ? static_cast<unsigned char>(template_[pos - 1]) : 0;
  }
  std::string_view TemplateText(int32_t from, int32_t to_exclusive) const;
  // Reads InFile (or the bytes given by SetTemplateBytes) into the buffer; throws EIOError with
  // the exact texts.
  void LoadTemplate();
  void FreeTemplate();

  // The compile pass's cursor, which the template scanner sets for its lifetime.
  void SetTemplateCursor(const TemplateCursor* cursor) { cursor_ = cursor; }
  const TemplateCursor* Cursor() const { return cursor_; }
  // The 1-based position of the next template byte the compile pass reads; 1 before it reads.
  int32_t TemplatePos() const { return cursor_ != nullptr ? cursor_->TemplatePos() : 1; }
  CompiledStream& Stream() { return stream_; }
  const CompiledStream& Stream() const { return stream_; }
  const std::vector<TDataSet*>& DataSets() const { return datasets_; }
  TStream* Output() const { return output_; }
  void SetOutput(TStream* output) { output_ = output; }
  void WriteOutput(std::string_view bytes);

 protected:
  void BeginRun(const std::vector<TDataSet*>& datasets);
  void EndRun();
  void SetExecuting(bool value) { executing_ = value; }

  std::vector<TDataSet*> datasets_;
  // Lines "NAME=position" of the run's datasets.
  std::vector<std::pair<std::string, int>> dataset_names_;

 private:
  std::string in_file_;
  std::optional<std::string> template_bytes_;
  std::string out_file_ = "outfile.doc";
  TQeVarList var_list_;
  std::string true_value_ = "True";
  std::string false_value_ = "False";
  TQeUDFList* udf_list_ = nullptr;
  bool executing_ = false;

  std::string template_;
  int32_t template_length_ = -1;
  CompiledStream stream_;
  TStream* output_ = nullptr;
  const TemplateCursor* cursor_ = nullptr;
  // GetVariable's object.
  TQeReportVariable own_variable_{this};
};

// The position of a field tag's field part in `dataset`: "(n)" with only digits and n
// below FieldCount is position n, else the first field of that name ignoring case; -1
// when there is none.
int ResolveFieldRef(const TDataSet& dataset, std::string_view field_part);

}  // namespace vorn
