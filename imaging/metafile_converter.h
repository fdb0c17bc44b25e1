#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/metafile_reader.h"

namespace vorn {

// What the enhanced metafile made from a Windows metafile looks like: the logical
// rectangle the records draw in (a placeable header's box, or the window extent),
// the size in pixels it is played onto, and the physical size in hundredths of a mm.
struct WmfToEmfTarget {
  Metafile::Rect window;
  std::uint32_t width_px;
  std::uint32_t height_px;
  std::int32_t width_hmm;
  std::int32_t height_hmm;
};

// Translates the records of a Windows metafile (from its standard header on) into an
// enhanced metafile: mapping modes and extents, colours and modes, pens, brushes and
// fonts, lines, rectangles, ellipses, polygons, text in the ANSI code page and
// stretched DIBs. Records without an equivalent here are left out, except that an
// object they create keeps its slot so later selections still match. Throws
// vorn::Exception for a record that is cut short.
std::vector<std::byte> ConvertWmfToEmf(std::span<const std::byte> wmf_records,
                                       const WmfToEmfTarget& target);

}  // namespace vorn
