#include "engine/qebasereport/compiled_stream.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

// Reads every record back as (kind, template position, start position).
struct RecordView {
  int32_t kind;
  int32_t template_pos;
  int32_t start_pos;
};

std::vector<RecordView> ReadAll(CompiledStream& stream) {
  std::vector<RecordView> records;
  stream.TemplatePos = 0;
  stream.Rewind();
  while (stream.Position() < stream.Size()) {
    const int32_t kind = stream.ReadHeader();
    stream.SetPosition(stream.Position() + stream.RecordSize - CompiledStream::kFieldWidth);
    stream.ReadTrailer();
    records.push_back({kind, stream.TemplatePos, stream.LastRecordStart});
    if (kind == rkStreamEnd) break;
  }
  return records;
}

TEST(CompiledStreamTest, PlainTextMergesIntoOneRecordPerStretch) {
  CompiledStream stream;
  stream.WriteEmpty(rkStreamStart, 1);
  for (int pos = 2; pos <= 11; ++pos) stream.WriteText(pos);
  stream.WriteEmpty(rkStreamEnd, 11);
  const auto records = ReadAll(stream);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].kind, rkText);
  EXPECT_EQ(records[1].template_pos, 11);
  EXPECT_EQ(records[2].kind, rkStreamEnd);
}

TEST(CompiledStreamTest, TextAfterAnotherRecordStartsANewOne) {
  CompiledStream stream;
  stream.WriteText(3);
  stream.WriteOperand(rkVariable, 8, TQeRowContent{});
  stream.WriteText(9);
  stream.WriteText(10);
  const auto records = ReadAll(stream);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0].template_pos, 3);
  EXPECT_EQ(records[2].kind, rkText);
  EXPECT_EQ(records[2].template_pos, 10);
}

TEST(CompiledStreamTest, StartPositionsFollowBodySizes) {
  // Body sizes: 0 empty, 4 literal, 10 command, 14 if, 2 scan body end, 38 operand,
  // 48 expression head, 8 call.
  CompiledStream stream;
  stream.WriteEmpty(rkStreamStart, 1);
  stream.WriteLiteral(1, "x");
  stream.WriteCommand(rkScan, 1, {});
  stream.WriteCommand(rkIf, 1, {});
  stream.WriteBlockIdRecord(rkScanBodyEnd, 1, 1);
  stream.WriteOperand(rkFieldRef, 1, {});
  stream.WriteExprStart(1, {});
  stream.WriteCall(1, {});
  stream.WriteEmpty(rkStreamEnd, 1);
  const int body_sizes[] = {0, 4, 10, 14, 2, 38, 48, 8, 0};
  const auto records = ReadAll(stream);
  ASSERT_EQ(records.size(), 9u);
  int32_t expected_start = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].start_pos, expected_start) << "record " << i;
    expected_start += 16 + body_sizes[i];
  }
  EXPECT_EQ(stream.Size(), expected_start);
}

TEST(CompiledStreamTest, BodiesRoundTrip) {
  CompiledStream stream;
  TQeRowContent row;
  row.TagText = "\\\\A:NAME\\\\";
  row.Alias = "A";
  row.Text = "NAME";
  row.FormatText = "{\\b}";
  row.FormatId = 2;
  row.Precision = 7;
  row.Digits = 3;
  stream.WriteOperand(rkFieldRef, 12, row);
  stream.WriteCommand(rkIf, 13, {"fmt", "absorbed", 5, true});
  TQeExprHead head;
  head.Row.Text = "1+2";
  head.Row.IsOperand = false;
  head.Row.Index = -4;
  head.OutputResult = false;
  head.StoreCondition = true;
  head.BlockId = 9;
  stream.WriteExprStart(14, head);
  stream.WriteCall(15, {-33, 2});
  stream.WriteLiteral(16, "lit");

  stream.TemplatePos = 0;
  stream.Rewind();
  ASSERT_EQ(stream.ReadHeader(), rkFieldRef);
  EXPECT_EQ(stream.TemplatePos, 12);
  const TQeRowContent back = stream.ReadOperand();
  EXPECT_EQ(back.TagText, row.TagText);
  EXPECT_EQ(back.Alias, "A");
  EXPECT_EQ(back.Text, "NAME");
  EXPECT_EQ(back.FormatText, "{\\b}");
  EXPECT_EQ(back.FormatId, 2);
  EXPECT_EQ(back.Precision, 7);
  EXPECT_EQ(back.Digits, 3);
  EXPECT_TRUE(back.IsOperand);
  EXPECT_EQ(back.Index, -1);
  EXPECT_TRUE(back.NotFound);
  EXPECT_FALSE(back.Resolved);

  ASSERT_EQ(stream.ReadHeader(), rkIf);
  EXPECT_EQ(stream.PrevTemplatePos, 12);
  const TQeCommandContent command = stream.ReadCommand(rkIf);
  EXPECT_EQ(command.FormatText, "fmt");
  EXPECT_EQ(command.AbsorbedText, "absorbed");
  EXPECT_EQ(command.BlockId, 5);
  EXPECT_TRUE(command.IsElse);

  ASSERT_EQ(stream.ReadHeader(), rkExprStart);
  const TQeExprHead head_back = stream.ReadExprStart();
  EXPECT_EQ(head_back.Row.Text, "1+2");
  EXPECT_FALSE(head_back.Row.IsOperand);
  EXPECT_EQ(head_back.Row.Index, -4);
  EXPECT_FALSE(head_back.OutputResult);
  EXPECT_TRUE(head_back.StoreCondition);
  EXPECT_EQ(head_back.BlockId, 9);

  ASSERT_EQ(stream.ReadHeader(), rkCall);
  const TQeCall call = stream.ReadCall();
  EXPECT_EQ(call.FunctionId, -33);
  EXPECT_EQ(call.ArgCount, 2);
  ASSERT_EQ(stream.ReadHeader(), rkLiteral);
  EXPECT_EQ(stream.ReadLiteral(), "lit");
}

TEST(CompiledStreamTest, PatchedOperandReadsResolvedOnEveryLaterPass) {
  CompiledStream stream;
  stream.WriteEmpty(rkStreamStart, 1);
  TQeRowContent row;
  row.Text = "PRICE";
  row.FormatId = 3;
  stream.WriteOperand(rkFieldRef, 5, row);
  stream.WriteText(9);

  stream.TemplatePos = 0;
  stream.Rewind();
  stream.ReadHeader();
  stream.ReadTrailer();
  ASSERT_EQ(stream.ReadHeader(), rkFieldRef);
  const TQeRowContent first = stream.ReadOperand();
  EXPECT_FALSE(first.Resolved);
  stream.PatchOperand(stream.LastRecordStart, 4, false);
  // The patch leaves the reader after the operand with the template cursors unchanged.
  EXPECT_EQ(stream.TemplatePos, 5);
  EXPECT_EQ(stream.PrevTemplatePos, 1);
  ASSERT_EQ(stream.ReadHeader(), rkText);
  stream.ReadTrailer();

  stream.TemplatePos = 0;
  stream.Rewind();
  stream.ReadHeader();
  stream.ReadTrailer();
  stream.ReadHeader();
  const TQeRowContent again = stream.ReadOperand();
  EXPECT_TRUE(again.Resolved);
  EXPECT_FALSE(again.NotFound);
  EXPECT_EQ(again.Index, 4);
  EXPECT_EQ(again.FormatId, 3);
  EXPECT_EQ(again.Text, "PRICE");
}

TEST(CompiledStreamTest, ReturnToAndSkipRevisitRecords) {
  CompiledStream stream;
  stream.WriteEmpty(rkStreamStart, 1);
  stream.WriteCommand(rkScan, 4, {});
  const int32_t scan_start = 16;
  stream.WriteLiteral(6, "body");
  stream.WriteEmpty(rkStreamEnd, 6);

  stream.TemplatePos = 0;
  stream.Rewind();
  stream.ReadHeader();
  stream.Skip();
  EXPECT_EQ(stream.ReadHeader(), rkScan);
  stream.Skip();
  EXPECT_EQ(stream.ReadHeader(), rkLiteral);
  EXPECT_EQ(stream.ReadLiteral(), "body");
  EXPECT_EQ(stream.ReturnTo(scan_start), rkScan);
  EXPECT_EQ(stream.TemplatePos, 4);
  stream.ReadCommand(rkScan);
  EXPECT_EQ(stream.LastRecordStart, scan_start);
}

TEST(CompiledStreamTest, StringOutsideThePoolIsEmpty) {
  StringPool pool;
  EXPECT_EQ(pool.Append("a"), 0);
  EXPECT_EQ(pool.Append("a"), 1);  // no duplicate search
  EXPECT_EQ(pool.Get(-1), "");
  EXPECT_EQ(pool.Get(2), "");
  EXPECT_EQ(pool.Get(1), "a");
}

TEST(CompiledStreamTest, ReadingPastTheEndEndsTheStream) {
  CompiledStream stream;
  stream.WriteLiteral(1, "x");
  stream.TemplatePos = 0;
  stream.Rewind();
  stream.ReadHeader();
  stream.ReadLiteral();
  // A truncated or exhausted stream reads as its end instead of outside the buffer.
  EXPECT_EQ(stream.ReadHeader(), rkStreamEnd);
}

}  // namespace
}  // namespace vorn
