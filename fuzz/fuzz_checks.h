#pragma once

#include <string>
#include <string_view>

namespace vorn::fuzz {

// Whether the braces of `rtf` balance as an RTF reader counts them (escapes and \bin data
// skipped), never closing more groups than were opened. With `skip_control_bytes` it reads
// as the template scanner does, passing over bytes below 32 other than TAB and LF. Written
// apart from the engine's scanners so that a fault there cannot hide itself.
bool RtfBalanced(std::string_view rtf, bool skip_control_bytes = false);

// Each check runs one input through the engine twice and returns a description of the
// first invariant that broke, or "" when all held. The invariants: a run either succeeds
// with well-formed output (braces balanced as a word processor reads them whenever the input
// was balanced both ways, at most kMaxOutputBytes)
// or fails with a vorn::Exception whose message is not empty and that Succeeded and
// ErrorMessage report; the second run gives exactly the outcome of the first.
inline constexpr size_t kMaxOutputBytes = 64u << 20;

// The bytes are a template, filled from the fixed data of fuzz_dataset.h.
std::string CheckTemplate(std::string_view bytes);
// The bytes are an expression: converted to its call form, then evaluated as a value tag
// and as an if condition over the fixed data.
std::string CheckExpression(std::string_view bytes);
// The first byte picks the place in a fixed template, the rest is an RTF fragment merged
// there through FRTF.
std::string CheckFragment(std::string_view bytes);
// The first byte picks the decoder (JPEG, BMP, ICO, PNG, WMF, EMF, or by the bytes), the rest
// is a picture: decoded, drawn into a metafile, and embedded from a blob field by a run.
std::string CheckImage(std::string_view bytes);

}  // namespace vorn::fuzz
