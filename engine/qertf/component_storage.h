#pragma once

namespace vorn {

class TQeRTF;
class TStream;

// Saves the published properties of a report (InFile, OutFile, VarList, TrueValue,
// FalseValue, Charset, Lang, Options, DisableControls) and then "VarDataTypes", the types
// of the VarList lines, at the stream's position. Events and the UDFList reference are
// code and links, not settings, and are not stored.
void SaveComponent(const TQeRTF& report, TStream& stream);

// Reads what SaveComponent wrote into `report`. The stream is untrusted: a malformed,
// truncated or unknown property throws vorn::Exception, as does a "VarDataTypes" with
// more lines than VarList, and the report then keeps all its previous values.
void LoadComponent(TQeRTF& report, TStream& stream);

}  // namespace vorn
