#pragma once

#include <string_view>

#include "engine/qebasereport/compiled_stream.h"

namespace vorn {

class TQeRTF;
class TQeScanInfo;

// Measures `block` once per run (BalanceText, BraceBalance, Prepared); the stream is read from just
// after its opening record, which carried `absorbed_text`, and left there.
void PrepareBlock(TQeRTF& report, TQeScanInfo& block, std::string_view absorbed_text);

// Skips `block` from just after its opening record: passes its records up to and including its
// closing record (rkEndScan, or rkEndIf for an if or else) and writes the block's BalanceText and
// the closing record's FormatText and AbsorbedText instead. Every block record passed starts its
// blocks afresh (ResetAggregates); with `prepare_expressions` the expressions passed get their
// preparation step, so that aggregates and VAR are reset or declared as on a first repetition;
// otherwise they are passed over.
void SkipBlock(TQeRTF& report, const TQeScanInfo& block, bool prepare_expressions);

}  // namespace vorn
