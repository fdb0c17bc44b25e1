#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "data/dataset.h"
#include "engine/qebasereport/report_variables.h"
#include "engine/qefunc/user_functions.h"

namespace vorn {

class Picture;
class TMemoryStream;
class TQeRTF;

// Every object one evaluation creates: variable references, literals, results and the
// temporary copies of the built-ins. All of them go when this goes, also after an error;
// fields belong to their datasets and are never held here.
class EvaluationObjects {
 public:
  EvaluationObjects();
  ~EvaluationObjects();
  EvaluationObjects(const EvaluationObjects&) = delete;
  EvaluationObjects& operator=(const EvaluationObjects&) = delete;

  TQeReportVariable& NewReference(TQeBaseReport& report, std::string_view name);
  // An empty standalone value (type none) that reads the report's boolean texts.
  TQeReportVariable& NewValue(TQeBaseReport& report);
  Picture& NewPicture();
  TMemoryStream& NewMemoryStream();

 private:
  std::vector<std::unique_ptr<TQeReportVariable>> variables_;
  std::vector<std::unique_ptr<Picture>> pictures_;
  std::vector<std::unique_ptr<TMemoryStream>> streams_;
};

// The value of an expression: the result object of its last call record (nothing for a
// function without result), owned by the EvaluationObjects it was evaluated with.
struct EvaluationResult {
  int32_t FunctionId = 0;
  TQeUDFObject Value;
};

// Evaluates the records from just after an expression head up to and including its
// rkExprEnd, against the current records of the run's datasets. `expression_text` is the
// head's Text, used in messages. Unresolved field records are resolved and patched in
// the stream. Throws the evaluation's errors (EIllegalFunctionUse, EIOError, Exception).
EvaluationResult EvaluateExpression(TQeRTF& report, std::string_view expression_text,
                                    EvaluationObjects& objects);

// Walks an expression of a block that is being skipped, from just after its head up to
// and including its rkExprEnd: nothing is evaluated, but every built-in call gets its
// preparation step, so VAR declares and the aggregates create and reset their
// accumulators as on a first repetition.
void PrepareExpression(TQeRTF& report, std::string_view expression_text);

// The checks and the dispatch of one call: a user-defined function (id 0 or more) gets
// its OnCalculate handler called, a built-in PrepareCall then EvaluateBuiltIn.
// `args` holds `count` objects in source order (operators: the right operand first).
void CallFunction(TQeRTF& report, int32_t id, const TQeUDFArgs& args, int32_t count,
                  TQeUDFObject result, std::string_view expression_text);

// The preparation of VAR (declares the variables) and of SUM, CTN and CTS (creates the
// accumulator, resets it at a block's first repetition); nothing for other ids.
void PrepareCall(TQeRTF& report, int32_t id, const TQeUDFArgs& args, int32_t count,
                 std::string_view expression_text);

// One built-in function or operator (id -1 to -62); other ids do nothing. A call that
// fails writes nothing into `result`.
void EvaluateBuiltIn(TQeRTF& report, int32_t id, const TQeUDFArgs& args, TQeUDFObject result,
                     std::string_view expression_text);

// Writes the value of a field or a value into `target` under `type`; for type none, and
// for any other source, `target` stays as it is.
void CopyValueAs(const TQeUDFObject& source, TQeReportVariable& target, VarDataType type);

// The data type a field operand has in expressions.
VarDataType FieldValueType(TFieldType type);

// The data type of a field or a value (a reference reads its variable and throws when it
// is missing); none for every other object.
VarDataType OperandType(const TQeUDFObject& operand);

// The run dataset that holds `field`, or nullptr.
TDataSet* DataSetOfField(const TQeRTF& report, const TField* field);

}  // namespace vorn
