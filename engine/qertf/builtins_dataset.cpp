// Dataset functions: EOF and BOF read a run dataset's flags, NEXT, PRIOR, FIRST and LAST
// move its cursor, which later field operands and scan blocks over it then see.
#include <string>

#include "engine/qebasereport/base_report.h"
#include "engine/qertf/builtins.h"
#include "engine/qertf/qertf.h"

namespace vorn {

namespace {

std::string_view NameOf(int32_t id) {
  switch (id) {
    case kFnEof:
      return "EOF";
    case kFnBof:
      return "BOF";
    case kFnNext:
      return "NEXT";
    case kFnPrior:
      return "PRIOR";
    case kFnFirst:
      return "FIRST";
    default:
      return "LAST";
  }
}

// The alias is written as a plain name, which compiles to a variable reference that is
// never read as a variable.
TDataSet& AliasDataSet(int32_t id, const BuiltinCall& call) {
  const std::string name(NameOf(id));
  const TQeUDFObject& arg = call.Arg(1);
  auto* const* reference = std::get_if<TQeReportVariable*>(&arg);
  if (reference == nullptr || *reference == nullptr) {
    call.FailUse(" - dataset identifier expected as argument of function \"" + name + "\"");
  }
  const std::string alias(TrimControl((*reference)->Name()));
  if ((*reference)->Standalone() || alias.empty()) {
    call.FailUse(" - dataset identifier expected as a first argument of function \"" + name + "\"");
  }
  TDataSet* dataset = call.Report().DataSetByAlias(alias);
  if (dataset == nullptr) call.FailUse(" - dataset alias not found: " + alias);
  return *dataset;
}

}  // namespace

bool EvaluateDataSetFunction(int32_t id, const BuiltinCall& call) {
  switch (id) {
    case kFnEof:
      call.SetBoolean(AliasDataSet(id, call).Eof());
      return true;
    case kFnBof:
      call.SetBoolean(AliasDataSet(id, call).Bof());
      return true;
    case kFnNext:
      AliasDataSet(id, call).Next();
      return true;
    case kFnPrior:
      AliasDataSet(id, call).Prior();
      return true;
    case kFnFirst:
      AliasDataSet(id, call).First();
      return true;
    case kFnLast:
      AliasDataSet(id, call).Last();
      return true;
    default:
      return false;
  }
}

}  // namespace vorn
