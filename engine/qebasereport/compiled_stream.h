#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Record kinds of the compiled template stream. Every record is a header (Kind,
// TemplatePos, Size = body size + 4), a body and a trailer (StartPos of the record).
enum TQeRecordKind : int32_t {
  rkStreamStart = -9999,      // empty: first record of every stream
  rkStreamEnd = -10000,       // empty: last record of every stream
  rkText = -5,                // empty: copy template text up to TemplatePos - 1
  rkVerbatimGroup = -10,      // empty: copy a field, picture or object group whole
  rkRowStart = -6,            // empty: a table row begins (\trowd)
  rkRowEnd = -7,              // empty: a table row ended (\row)
  rkLiteral = -16,            // Text: fixed text to write
  rkScan = -3,                // FormatText, AbsorbedText, BlockId
  rkScanWhile = -21,          // as rkScan
  rkIf = -23,                 // FormatText, AbsorbedText, BlockId, IsElse flag
  rkScanEntry = -11,          // as rkScan
  rkScanFooter = -12,         // as rkScan
  rkEndScan = -4,             // as rkScan
  rkEndIf = -24,              // as rkScan
  rkScanBodyEnd = -22,        // BlockId
  rkBlockMark = -26,          // BlockId; no compiler step writes it, readers skip it
  rkVariable = 0,             // operand: report variable by name
  rkNumber = 2,               // operand: number literal
  rkString = 3,               // operand: string literal
  rkBoolean = 4,              // operand: TRUE or FALSE
  rkDate = 5,                 // operand: date literal
  rkFieldRefDot = -1,         // operand: field written alias.field
  rkFieldRef = -2,            // operand: field written alias:field
  rkExprStart = -13,          // operand (the head), OutputResult, StoreCondition, BlockId
  rkCall = -15,               // FunctionId, ArgCount
  rkExprEnd = -14,            // empty
  rkFontTable = -17,          // empty: place of the template's font table
  rkColorTable = -18,         // empty: place of the colour table
  rkStyleSheet = -19,         // empty: place of the style sheet
  rkInfo = -20,               // empty: place of the document-information group
  rkListTable = -27,          // empty: place of the list table
  rkListOverrideTable = -28,  // empty: place of the list override table
  rkAddedFonts = -29,         // empty: end of a later font table (a \upr twin): fonts the run added
};

// True for the kinds whose body is an operand (TQeRowContent).
bool IsOperandKind(int32_t kind);

// The operand body as written: 4 string references, 3 ints, a byte, an int, a byte, an int.
struct TQeRowContent {
  std::string TagText;
  std::string Alias;
  std::string Text;
  std::string FormatText;
  int32_t FormatId = 0;
  int32_t Precision = 18;
  int32_t Digits = 2;
  bool IsOperand = true;
  int32_t Index = -1;
  bool NotFound = true;
  bool Resolved = false;
};

// Body of the scan, if and end commands.
struct TQeCommandContent {
  std::string FormatText;
  std::string AbsorbedText;
  int16_t BlockId = 0;
  bool IsElse = false;  // rkIf only
};

struct TQeExprHead {
  TQeRowContent Row;
  bool OutputResult = true;
  bool StoreCondition = false;
  int16_t BlockId = 0;
};

struct TQeCall {
  int32_t FunctionId = 0;
  int32_t ArgCount = 0;
};

// Strings of a compiled stream, referred to by index; duplicates are not looked for.
class StringPool {
 public:
  int32_t Append(std::string_view text);
  // The string at `index`, or the empty string outside the pool.
  const std::string& Get(int32_t index) const;
  int32_t Count() const { return static_cast<int32_t>(strings_.size()); }
  void Clear() { strings_.clear(); }

 private:
  std::vector<std::string> strings_;
};

// The byte stream of records with its writing and reading cursors. Writers append at
// the position; readers trust that a writer produced the layout.
class CompiledStream {
 public:
  static constexpr int kFieldWidth = 4;
  static constexpr int kHeaderSize = 3 * kFieldWidth;
  static constexpr int kRecordOverhead = 4 * kFieldWidth;  // header and trailer

  CompiledStream();

  // Empties the stream and the pool and resets the cursors.
  void Create();
  // Empties the stream and frees its memory, at the end of a run.
  void Release();

  // --- writing (appends at the position) ---
  void WriteHeader(int32_t kind, int32_t body_size, int32_t template_pos);
  void WriteTrailer();
  // Extends the last record when it is an rkText, else starts one.
  void WriteText(int32_t template_pos);
  // A record with an empty body: stream start/end, verbatim group, rows, table places,
  // expression end.
  void WriteEmpty(int32_t kind, int32_t template_pos);
  void WriteLiteral(int32_t template_pos, std::string_view text);
  // rkScan, rkScanWhile, rkScanEntry, rkScanFooter, rkEndScan, rkEndIf, and rkIf.
  void WriteCommand(int32_t kind, int32_t template_pos, const TQeCommandContent& body);
  void WriteBlockIdRecord(int32_t kind, int32_t template_pos, int16_t block_id);
  void WriteOperand(int32_t kind, int32_t template_pos, const TQeRowContent& row);
  void WriteExprStart(int32_t template_pos, const TQeExprHead& head);
  void WriteCall(int32_t template_pos, const TQeCall& call);

  // --- reading ---
  // Back to the first record: LastKind -9999, PrevTemplatePos and LastRecordStart 0.
  void Rewind();
  // Reads a header and returns its kind; TemplatePos moves to the header's value.
  int32_t ReadHeader();
  void ReadTrailer();
  // After a header: passes over the body and the trailer.
  void Skip();
  // Moves to a record's first byte and reads its header again.
  int32_t ReturnTo(int32_t start_pos);
  // Bodies: each reads the body, then the trailer.
  void ReadEmpty() { ReadTrailer(); }
  std::string ReadLiteral();
  TQeCommandContent ReadCommand(int32_t kind);
  int16_t ReadBlockIdRecord();
  TQeRowContent ReadOperand();
  // As ReadOperand, into `row`, whose strings keep their capacity.
  void ReadOperand(TQeRowContent& row);
  TQeExprHead ReadExprStart();
  TQeCall ReadCall();
  // Rewrites Index, NotFound and Resolved (now 1) of the operand record at `start_pos`,
  // leaving the position after that record.
  void PatchOperand(int32_t start_pos, int32_t index, bool not_found);

  int64_t Position() const { return static_cast<int64_t>(position_); }
  void SetPosition(int64_t position) { position_ = static_cast<size_t>(position); }
  int64_t Size() const { return static_cast<int64_t>(bytes_.size()); }
  const std::string& Bytes() const { return bytes_; }
  StringPool& Pool() { return pool_; }
  const StringPool& Pool() const { return pool_; }

  // Cursors: see each field's use in the writer and reader above.
  int32_t LastKind = rkStreamStart;
  int32_t LastRecordStart = 0;
  int32_t TemplatePos = 0;
  int32_t PrevTemplatePos = 0;
  int32_t RecordSize = 0;

 private:
  void PutInt(int32_t value);
  void PutInt16(int16_t value);
  void PutByte(uint8_t value);
  void PutString(std::string_view text) { PutInt(pool_.Append(text)); }
  void PutRow(const TQeRowContent& row);
  int32_t GetInt();
  int16_t GetInt16();
  uint8_t GetByte();
  const std::string& GetString() { return pool_.Get(GetInt()); }
  void GetRow(TQeRowContent& row);

  std::string bytes_;
  size_t position_ = 0;
  StringPool pool_;
};

}  // namespace vorn
