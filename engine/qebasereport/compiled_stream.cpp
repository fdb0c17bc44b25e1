#include "engine/qebasereport/compiled_stream.h"

#include <cstring>

namespace vorn {

namespace {
constexpr int32_t kRowBodySize = 4 * CompiledStream::kFieldWidth + 3 * CompiledStream::kFieldWidth +
                                 1 + CompiledStream::kFieldWidth + 1 + CompiledStream::kFieldWidth;
constexpr int32_t kCommandBodySize = 2 * CompiledStream::kFieldWidth + 2;
constexpr int32_t kIfBodySize = kCommandBodySize + CompiledStream::kFieldWidth;
constexpr int32_t kExprStartBodySize = kRowBodySize + 2 * CompiledStream::kFieldWidth + 2;
constexpr int32_t kCallBodySize = 2 * CompiledStream::kFieldWidth;
// Offset of Index inside an operand body: four strings, three format ints, IsOperand.
constexpr int32_t kIndexOffset =
    4 * CompiledStream::kFieldWidth + 3 * CompiledStream::kFieldWidth + 1;
static_assert(kRowBodySize == 38 && kCommandBodySize == 10 && kIfBodySize == 14 &&
              kExprStartBodySize == 48 && kCallBodySize == 8);
static_assert(kIndexOffset == 4 * CompiledStream::kFieldWidth + 13);

const std::string& EmptyString() {
  static const std::string empty;
  return empty;
}
}  // namespace

bool IsOperandKind(int32_t kind) {
  switch (kind) {
    case rkVariable:
    case rkNumber:
    case rkString:
    case rkBoolean:
    case rkDate:
    case rkFieldRefDot:
    case rkFieldRef:
      return true;
    default:
      return false;
  }
}

int32_t StringPool::Append(std::string_view text) {
  strings_.emplace_back(text);
  return static_cast<int32_t>(strings_.size() - 1);
}

const std::string& StringPool::Get(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= strings_.size()) return EmptyString();
  return strings_[static_cast<size_t>(index)];
}

CompiledStream::CompiledStream() { Create(); }

void CompiledStream::Create() {
  bytes_.clear();
  bytes_.reserve(1000);
  position_ = 0;
  pool_.Clear();
  LastKind = rkStreamStart;
  LastRecordStart = 0;
  PrevTemplatePos = 0;
  RecordSize = 0;
}

void CompiledStream::Release() {
  Create();
  std::string().swap(bytes_);
}

// --- byte access ---

void CompiledStream::PutInt(int32_t value) {
  char raw[4];
  const uint32_t u = static_cast<uint32_t>(value);
  raw[0] = static_cast<char>(u & 0xFF);
  raw[1] = static_cast<char>((u >> 8) & 0xFF);
  raw[2] = static_cast<char>((u >> 16) & 0xFF);
  raw[3] = static_cast<char>((u >> 24) & 0xFF);
  if (position_ == bytes_.size()) {
    bytes_.append(raw, 4);
  } else {
    if (position_ + 4 > bytes_.size()) bytes_.resize(position_ + 4);
    std::memcpy(bytes_.data() + position_, raw, 4);
  }
  position_ += 4;
}

void CompiledStream::PutInt16(int16_t value) {
  const uint16_t u = static_cast<uint16_t>(value);
  PutByte(static_cast<uint8_t>(u & 0xFF));
  PutByte(static_cast<uint8_t>(u >> 8));
}

void CompiledStream::PutByte(uint8_t value) {
  if (position_ == bytes_.size()) {
    bytes_.push_back(static_cast<char>(value));
  } else {
    bytes_[position_] = static_cast<char>(value);
  }
  ++position_;
}

int32_t CompiledStream::GetInt() {
  if (position_ + 4 > bytes_.size()) {
    position_ = bytes_.size();
    return rkStreamEnd;  // past the end reads as the end, never outside the buffer
  }
  const auto* p = reinterpret_cast<const unsigned char*>(bytes_.data() + position_);
  position_ += 4;
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

int16_t CompiledStream::GetInt16() {
  const uint16_t lo = GetByte();
  const uint16_t hi = GetByte();
  return static_cast<int16_t>(lo | (hi << 8));
}

uint8_t CompiledStream::GetByte() {
  if (position_ >= bytes_.size()) return 0;
  return static_cast<uint8_t>(bytes_[position_++]);
}

// --- writing ---

void CompiledStream::WriteHeader(int32_t kind, int32_t body_size, int32_t template_pos) {
  PutInt(kind);
  PutInt(template_pos);
  PutInt(body_size + kFieldWidth);
  LastKind = kind;
}

void CompiledStream::WriteTrailer() {
  PutInt(LastRecordStart);
  LastRecordStart = static_cast<int32_t>(position_);
}

void CompiledStream::WriteText(int32_t template_pos) {
  if (LastKind == rkText) {
    // Plain text costs one record per stretch: move the last record's end forward.
    position_ -= 3 * kFieldWidth;
    PutInt(template_pos);
    position_ += 2 * kFieldWidth;
    return;
  }
  WriteEmpty(rkText, template_pos);
}

void CompiledStream::WriteEmpty(int32_t kind, int32_t template_pos) {
  WriteHeader(kind, 0, template_pos);
  WriteTrailer();
}

void CompiledStream::WriteLiteral(int32_t template_pos, std::string_view text) {
  WriteHeader(rkLiteral, kFieldWidth, template_pos);
  PutString(text);
  WriteTrailer();
}

void CompiledStream::WriteCommand(int32_t kind, int32_t template_pos,
                                  const TQeCommandContent& body) {
  WriteHeader(kind, kind == rkIf ? kIfBodySize : kCommandBodySize, template_pos);
  PutString(body.FormatText);
  PutString(body.AbsorbedText);
  PutInt16(body.BlockId);
  if (kind == rkIf) PutInt(body.IsElse ? 1 : 0);
  WriteTrailer();
}

void CompiledStream::WriteBlockIdRecord(int32_t kind, int32_t template_pos, int16_t block_id) {
  WriteHeader(kind, 2, template_pos);
  PutInt16(block_id);
  WriteTrailer();
}

void CompiledStream::PutRow(const TQeRowContent& row) {
  PutString(row.TagText);
  PutString(row.Alias);
  PutString(row.Text);
  PutString(row.FormatText);
  PutInt(row.FormatId);
  PutInt(row.Precision);
  PutInt(row.Digits);
  PutByte(row.IsOperand ? 1 : 0);
  PutInt(row.Index);
  PutByte(row.NotFound ? 1 : 0);
  PutInt(row.Resolved ? 1 : 0);
}

void CompiledStream::WriteOperand(int32_t kind, int32_t template_pos, const TQeRowContent& row) {
  WriteHeader(kind, kRowBodySize, template_pos);
  PutRow(row);
  WriteTrailer();
}

void CompiledStream::WriteExprStart(int32_t template_pos, const TQeExprHead& head) {
  WriteHeader(rkExprStart, kExprStartBodySize, template_pos);
  PutRow(head.Row);
  PutInt(head.OutputResult ? 1 : 0);
  PutInt(head.StoreCondition ? 1 : 0);
  PutInt16(head.BlockId);
  WriteTrailer();
}

void CompiledStream::WriteCall(int32_t template_pos, const TQeCall& call) {
  WriteHeader(rkCall, kCallBodySize, template_pos);
  PutInt(call.FunctionId);
  PutInt(call.ArgCount);
  WriteTrailer();
}

// --- reading ---

void CompiledStream::Rewind() {
  position_ = 0;
  LastKind = rkStreamStart;
  PrevTemplatePos = 0;
  LastRecordStart = 0;
}

int32_t CompiledStream::ReadHeader() {
  LastKind = GetInt();
  PrevTemplatePos = TemplatePos;
  TemplatePos = GetInt();
  RecordSize = GetInt();
  return LastKind;
}

void CompiledStream::ReadTrailer() { LastRecordStart = GetInt(); }

void CompiledStream::Skip() {
  if (RecordSize < 0 || position_ + static_cast<size_t>(RecordSize) > bytes_.size()) {
    position_ = bytes_.size();
    return;
  }
  position_ += static_cast<size_t>(RecordSize);
}

int32_t CompiledStream::ReturnTo(int32_t start_pos) {
  position_ = static_cast<size_t>(start_pos);
  return ReadHeader();
}

std::string CompiledStream::ReadLiteral() {
  std::string text = GetString();
  ReadTrailer();
  return text;
}

TQeCommandContent CompiledStream::ReadCommand(int32_t kind) {
  TQeCommandContent body;
  body.FormatText = GetString();
  body.AbsorbedText = GetString();
  body.BlockId = GetInt16();
  if (kind == rkIf) body.IsElse = GetInt() != 0;
  ReadTrailer();
  return body;
}

int16_t CompiledStream::ReadBlockIdRecord() {
  const int16_t id = GetInt16();
  ReadTrailer();
  return id;
}

void CompiledStream::GetRow(TQeRowContent& row) {
  row.TagText = GetString();
  row.Alias = GetString();
  row.Text = GetString();
  row.FormatText = GetString();
  row.FormatId = GetInt();
  row.Precision = GetInt();
  row.Digits = GetInt();
  row.IsOperand = GetByte() != 0;
  row.Index = GetInt();
  row.NotFound = GetByte() != 0;
  row.Resolved = GetInt() != 0;
}

TQeRowContent CompiledStream::ReadOperand() {
  TQeRowContent row;
  ReadOperand(row);
  return row;
}

void CompiledStream::ReadOperand(TQeRowContent& row) {
  GetRow(row);
  ReadTrailer();
}

TQeExprHead CompiledStream::ReadExprStart() {
  TQeExprHead head;
  GetRow(head.Row);
  head.OutputResult = GetInt() != 0;
  head.StoreCondition = GetInt() != 0;
  head.BlockId = GetInt16();
  ReadTrailer();
  return head;
}

TQeCall CompiledStream::ReadCall() {
  TQeCall call;
  call.FunctionId = GetInt();
  call.ArgCount = GetInt();
  ReadTrailer();
  return call;
}

void CompiledStream::PatchOperand(int32_t start_pos, int32_t index, bool not_found) {
  const int32_t saved_template_pos = TemplatePos;
  const int32_t saved_prev = PrevTemplatePos;
  ReturnTo(start_pos);
  position_ += static_cast<size_t>(kIndexOffset);
  PutInt(index);
  PutByte(not_found ? 1 : 0);
  PutInt(1);
  ReadTrailer();
  // Re-reading the header must not move the template cursors of the pass.
  TemplatePos = saved_template_pos;
  PrevTemplatePos = saved_prev;
}

}  // namespace vorn
