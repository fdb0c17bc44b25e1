#include "engine/qebasereport/base_report.h"

#include <cstdint>
#include <optional>

#include "data/dataset.h"
#include "engine/conscom/exceptions.h"
#include "engine/qefunc/user_functions.h"
#include "platform/system/files.h"
#include "platform/system/shell_open.h"
#include "platform/system/stream.h"

namespace vorn {

int ResolveFieldRef(const TDataSet& dataset, std::string_view field_part) {
  if (field_part.size() > 2 && field_part.front() == '(' && field_part.back() == ')') {
    const std::string_view digits = field_part.substr(1, field_part.size() - 2);
    int64_t position = 0;
    bool all_digits = true;
    for (char c : digits) {
      if (c < '0' || c > '9') {
        all_digits = false;
        break;
      }
      position = position * 10 + (c - '0');
      if (position > INT32_MAX) break;
    }
    if (all_digits && position <= dataset.FieldCount() - 1) return static_cast<int>(position);
  }
  for (int i = 0; i < dataset.FieldCount(); ++i) {
    if (SameTextAscii(dataset.Fields(i).FieldName(), field_part)) return i;
  }
  return -1;
}

TQeBaseReport::TQeBaseReport() = default;

TQeBaseReport::~TQeBaseReport() {
  if (udf_list_ != nullptr) udf_list_->RemoveReport(this);
}

void TQeBaseReport::SetInFile(const std::string& value) {
  if (value != in_file_) in_file_ = value;
}

void TQeBaseReport::SetOutFile(const std::string& value) {
  if (value != out_file_) out_file_ = value;
}

void TQeBaseReport::SetVarList(const TQeVarList& value) {
  if (&value != &var_list_) var_list_.Assign(value);
}

void TQeBaseReport::SetTrueValue(const std::string& value) {
  if (value != true_value_) true_value_ = value;
}

void TQeBaseReport::SetFalseValue(const std::string& value) {
  if (value != false_value_) false_value_ = value;
}

void TQeBaseReport::SetUDFList(TQeUDFList* value) {
  if (value == udf_list_) return;
  if (value != nullptr) {
    if (executing_) throw EIllegalFunctionUse("Can't set UDFList while executing report");
    if (value->Version() != kVersion) {
      throw EIllegalFunctionUse("TQeRTF version " + std::to_string(kVersion) +
                                " doesn't equal TQeUDFList version " +
                                std::to_string(value->Version()));
    }
  }
  if (udf_list_ != nullptr) udf_list_->RemoveReport(this);
  udf_list_ = value;
  if (udf_list_ != nullptr) udf_list_->AddReport(this);
}

void TQeBaseReport::UDFListDestroyed(TQeUDFList* list) {
  if (udf_list_ == list) udf_list_ = nullptr;
}

TDataSet* TQeBaseReport::DataSetByAlias(std::string_view alias) const {
  const int index = GetDataSetIndex(alias);
  if (index < 0 || index >= static_cast<int>(datasets_.size())) return nullptr;
  return datasets_[static_cast<size_t>(index)];
}

int TQeBaseReport::GetDataSetIndex(std::string_view alias) const {
  // Every field of a run asks with its one-letter alias: answer that without copies.
  if (alias.size() == 1) {
    const char letter = alias[0] >= 'a' && alias[0] <= 'z' ? alias[0] - ('a' - 'A') : alias[0];
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
  }
  const std::string name = UpperAscii(TrimControl(alias));
  if (name.empty()) return -1;
  // The letter form names a position and wins over a dataset called by that letter.
  if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return name[0] - 'A';
  for (const auto& [line_name, position] : dataset_names_) {
    if (line_name == name) return position;
  }
  return -1;
}

int TQeBaseReport::ShellOpen(const std::string& file_name, int show_command) {
  return ShellOpenFile(file_name, show_command);
}

// --- compiled-stream slots ---

void TQeBaseReport::WriteTextRecord() { stream_.WriteText(TemplatePos()); }
void TQeBaseReport::ReadTextRecord() { stream_.ReadTrailer(); }
void TQeBaseReport::WriteVerbatimGroup() { stream_.WriteEmpty(rkVerbatimGroup, TemplatePos()); }
void TQeBaseReport::ReadVerbatimGroup() { stream_.ReadTrailer(); }
void TQeBaseReport::WriteRowStart() { stream_.WriteEmpty(rkRowStart, TemplatePos()); }
void TQeBaseReport::ReadRowStart() { stream_.ReadTrailer(); }
void TQeBaseReport::WriteRowEnd() { stream_.WriteEmpty(rkRowEnd, TemplatePos()); }
void TQeBaseReport::ReadRowEnd() { stream_.ReadTrailer(); }
void TQeBaseReport::WriteLiteral(std::string_view text) {
  stream_.WriteLiteral(TemplatePos(), text);
}
std::string TQeBaseReport::ReadLiteral() { return stream_.ReadLiteral(); }
void TQeBaseReport::WriteScan(const TQeCommandContent& body) {
  stream_.WriteCommand(rkScan, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadScan() { return stream_.ReadCommand(rkScan); }
void TQeBaseReport::WriteScanWhile(const TQeCommandContent& body) {
  stream_.WriteCommand(rkScanWhile, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadScanWhile() { return stream_.ReadCommand(rkScanWhile); }
void TQeBaseReport::WriteIf(const TQeCommandContent& body) {
  stream_.WriteCommand(rkIf, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadIf() { return stream_.ReadCommand(rkIf); }
void TQeBaseReport::WriteScanEntry(const TQeCommandContent& body) {
  stream_.WriteCommand(rkScanEntry, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadScanEntry() { return stream_.ReadCommand(rkScanEntry); }
void TQeBaseReport::WriteScanFooter(const TQeCommandContent& body) {
  stream_.WriteCommand(rkScanFooter, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadScanFooter() { return stream_.ReadCommand(rkScanFooter); }
void TQeBaseReport::WriteEndScan(const TQeCommandContent& body) {
  stream_.WriteCommand(rkEndScan, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadEndScan() { return stream_.ReadCommand(rkEndScan); }
void TQeBaseReport::WriteEndIf(const TQeCommandContent& body) {
  stream_.WriteCommand(rkEndIf, TemplatePos(), body);
}
TQeCommandContent TQeBaseReport::ReadEndIf() { return stream_.ReadCommand(rkEndIf); }
void TQeBaseReport::WriteScanBodyEnd(int16_t block_id) {
  stream_.WriteBlockIdRecord(rkScanBodyEnd, TemplatePos(), block_id);
}
int16_t TQeBaseReport::ReadScanBodyEnd() { return stream_.ReadBlockIdRecord(); }
void TQeBaseReport::WriteBlockMark(int16_t block_id) {
  stream_.WriteBlockIdRecord(rkBlockMark, TemplatePos(), block_id);
}
int16_t TQeBaseReport::ReadBlockMark() { return stream_.ReadBlockIdRecord(); }
void TQeBaseReport::WriteOperand(int32_t kind, const TQeRowContent& row) {
  stream_.WriteOperand(kind, TemplatePos(), row);
}
void TQeBaseReport::PatchOperand(int32_t index, bool not_found) {
  stream_.PatchOperand(stream_.LastRecordStart, index, not_found);
}
TQeRowContent TQeBaseReport::ReadOperand() { return stream_.ReadOperand(); }
void TQeBaseReport::WriteExprStart(const TQeExprHead& head) {
  stream_.WriteExprStart(TemplatePos(), head);
}
TQeExprHead TQeBaseReport::ReadExprStart() { return stream_.ReadExprStart(); }
void TQeBaseReport::WriteExprEnd() { stream_.WriteEmpty(rkExprEnd, TemplatePos()); }
void TQeBaseReport::ReadExprEnd() { stream_.ReadTrailer(); }
void TQeBaseReport::WriteCall(const TQeCall& call) { stream_.WriteCall(TemplatePos(), call); }
TQeCall TQeBaseReport::ReadCall() { return stream_.ReadCall(); }

// --- run state ---

std::string_view TQeBaseReport::TemplateText(int32_t from, int32_t to_exclusive) const {
  if (from < 1) from = 1;
  if (to_exclusive > template_length_ + 1) to_exclusive = template_length_ + 1;
  if (to_exclusive <= from) return {};
  return std::string_view(template_).substr(static_cast<size_t>(from - 1),
                                            static_cast<size_t>(to_exclusive - from));
}

void TQeBaseReport::LoadTemplate() {
  FreeTemplate();
  if (template_bytes_) {
    if (template_bytes_->size() > INT32_MAX - 2) {
      throw EIOError("Can't read report template from file: " + in_file_);
    }
    // Two spare bytes let the scanner look one byte past the end safely.
    template_.reserve(template_bytes_->size() + 2);
    template_.assign(*template_bytes_).append(2, '\0');
    template_length_ = static_cast<int32_t>(template_bytes_->size());
    return;
  }
  const std::optional<int64_t> size = FileSize(in_file_);
  if (!size || *size > INT32_MAX - 2) {
    throw EIOError("Can't read report template from file: " + in_file_);
  }
  std::unique_ptr<TFileStream> file;
  try {
    file = std::make_unique<TFileStream>(in_file_, TFileStream::Mode::kRead);
  } catch (const Exception&) {
    throw EIOError("Can't read report template from file: " + in_file_);
  }
  size_t read = 0;
  try {
    // Two spare bytes let the scanner look one byte past the end safely.
    template_.assign(static_cast<size_t>(*size) + 2, '\0');
    read = file->Read(template_.data(), static_cast<size_t>(*size));
  } catch (const std::exception&) {
    FreeTemplate();
    throw EIOError("Can't read file " + in_file_);
  }
  if (read != static_cast<size_t>(*size)) {
    FreeTemplate();
    throw EIOError("Can't read report template from file: " + in_file_);
  }
  template_length_ = static_cast<int32_t>(read);
}

void TQeBaseReport::FreeTemplate() {
  std::string().swap(template_);
  template_length_ = -1;
}

void TQeBaseReport::WriteOutput(std::string_view bytes) {
  if (output_ != nullptr) output_->Write(bytes.data(), bytes.size());
}

void TQeBaseReport::BeginRun(const std::vector<TDataSet*>& datasets) {
  executing_ = true;
  datasets_ = datasets;
  dataset_names_.clear();
  for (size_t i = 0; i < datasets.size(); ++i) {
    const std::string name = datasets[i] != nullptr ? datasets[i]->Name() : std::string();
    dataset_names_.emplace_back(UpperAscii(name), static_cast<int>(i));
  }
}

void TQeBaseReport::EndRun() {
  executing_ = false;
  dataset_names_.clear();
  datasets_.clear();
  output_ = nullptr;
  FreeTemplate();
  stream_.Release();
}

}  // namespace vorn
