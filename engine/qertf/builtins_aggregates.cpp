// The aggregates SUM, CTN and CTS, which add into a report variable, and VAR, which
// declares report variables. Their preparation also runs in blocks that are skipped.
#include <string>

#include "engine/qebasereport/base_report.h"
#include "engine/qertf/builtins.h"
#include "engine/qertf/qertf.h"
#include "engine/qertf/scan_info.h"

namespace vorn {

namespace {

std::string_view NameOf(int32_t id) {
  switch (id) {
    case kFnSum:
      return "SUM";
    case kFnCtn:
      return "CTN";
    default:
      return "CTS";
  }
}

bool IsNoReset(const BuiltinCall& call) {
  if (call.Count() != 3) return false;
  auto* const* third = std::get_if<TQeReportVariable*>(&call.Arg(3));
  return third != nullptr && *third != nullptr &&
         UpperAscii(TrimControl((*third)->Name())) == "NORESET";
}

// Outside every block an aggregate only copies the current value; inside one it starts
// afresh while the block's first repetition runs.
bool ResetsNow(const TQeRTF& report) {
  const TQeScans* scans = report.Scans();
  if (scans == nullptr || scans->CurrentBlock == 0) return true;
  const TQeScanInfo* block = scans->Block(scans->CurrentBlock);
  return block == nullptr || block->ResetAggregates;
}

TQeReportVariable& Accumulator(int32_t id, const BuiltinCall& call) {
  auto* const* accumulator = std::get_if<TQeReportVariable*>(&call.Arg(2));
  if (accumulator == nullptr || *accumulator == nullptr || (*accumulator)->Standalone() ||
      TrimControl((*accumulator)->Name()).empty()) {
    call.FailUse(" - report variable expected as second argument of function \"" +
                 std::string(NameOf(id)) + "\"");
  }
  return **accumulator;
}

void Accumulate(int32_t id, const BuiltinCall& call) {
  call.CheckOperand(1, id == kFnSum   ? "Operand type unknown. Function \"SUM\", expression "
                       : id == kFnCtn ? "Operand type unknown. Function \"CTN\", expression "
                                      : "Operand type unknown. Function \"CTS\", expression ");
  TQeReportVariable& accumulator = Accumulator(id, call);
  long double total = accumulator.AsFloat();
  const TQeUDFObject& source = call.Arg(1);
  if (const auto* field = std::get_if<TField*>(&source)) {
    // A dataset at its end has no record to add.
    const TDataSet* dataset = DataSetOfField(call.Report(), *field);
    if (dataset == nullptr || !dataset->Eof()) {
      if (id == kFnSum) total += (*field)->AsFloat();
      if (id == kFnCtn && (*field)->AsFloat() != 0) total += 1;
      if (id == kFnCts && !TrimControl((*field)->AsString()).empty()) total += 1;
    }
  } else {
    const TQeReportVariable& value = *std::get<TQeReportVariable*>(source);
    if (id == kFnSum) total += value.AsFloat();
    if (id == kFnCtn && value.AsFloat() != 0) total += 1;
    if (id == kFnCts && !TrimControl(value.AsString()).empty()) total += 1;
  }
  CheckFinite(total);
  accumulator.SetAsFloat(total);
}

}  // namespace

void PrepareAggregate(int32_t id, const BuiltinCall& call) {
  if (call.Count() < 2) return;
  TQeReportVariable& accumulator = Accumulator(id, call);
  TQeRTF& report = call.Report();
  if (report.FindVariable(accumulator.Name()) == 0) {
    report.AddNumberVariable(accumulator.Name(), 0);
  }
  if (!IsNoReset(call) && ResetsNow(report)) accumulator.SetAsInteger(0);
}

bool EvaluateAggregate(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnSum:
    case kFnCtn:
    case kFnCts:
      Accumulate(id, call);
      return true;
    default:
      return false;
  }
}

void PrepareVar(const BuiltinCall& call) {
  for (int n = 1; n <= call.Count(); ++n) {
    auto* const* name = std::get_if<TQeReportVariable*>(&call.Arg(n));
    if (name == nullptr || *name == nullptr || (*name)->Standalone() ||
        TrimControl((*name)->Name()).empty()) {
      call.FailUse(" - VAR function may be used only with variable identifiers");
    }
  }
  TQeRTF& report = call.Report();
  for (int n = 1; n <= call.Count(); ++n) {
    const std::string name(TrimControl(std::get<TQeReportVariable*>(call.Arg(n))->Name()));
    if (report.FindVariable(name) == 0) report.AddTextVariable(name, "");
  }
}

}  // namespace vorn
