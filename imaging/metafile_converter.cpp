#include "imaging/metafile_converter.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

#include "imaging/metafile_writer.h"
#include "imaging/picture_bytes.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

// Record types of the two formats that the translation uses.
enum WmfFunction : std::uint16_t {
  kWmfEof = 0x0000,
  kWmfSaveDc = 0x001E,
  kWmfSetBkMode = 0x0102,
  kWmfSetMapMode = 0x0103,
  kWmfSetRop2 = 0x0104,
  kWmfSetPolyFillMode = 0x0106,
  kWmfSetStretchBltMode = 0x0107,
  kWmfRestoreDc = 0x0127,
  kWmfSelectObject = 0x012D,
  kWmfSetTextAlign = 0x012E,
  kWmfDeleteObject = 0x01F0,
  kWmfSetBkColor = 0x0201,
  kWmfSetTextColor = 0x0209,
  kWmfSetWindowOrg = 0x020B,
  kWmfSetWindowExt = 0x020C,
  kWmfSetViewportOrg = 0x020D,
  kWmfSetViewportExt = 0x020E,
  kWmfLineTo = 0x0213,
  kWmfMoveTo = 0x0214,
  kWmfCreatePenIndirect = 0x02FA,
  kWmfCreateFontIndirect = 0x02FB,
  kWmfCreateBrushIndirect = 0x02FC,
  kWmfPolygon = 0x0324,
  kWmfPolyline = 0x0325,
  kWmfEllipse = 0x0418,
  kWmfRectangle = 0x041B,
  kWmfTextOut = 0x0521,
  kWmfPolyPolygon = 0x0538,
  kWmfRoundRect = 0x061C,
  kWmfExtTextOut = 0x0A32,
  kWmfDibStretchBlt = 0x0B41,
  kWmfStretchDib = 0x0F43,
  // Records that create an object this translation does not carry over.
  kWmfCreatePalette = 0x00F7,
  kWmfCreatePatternBrush = 0x01F9,
  kWmfDibCreatePatternBrush = 0x0142,
  kWmfCreateRegion = 0x06FF,
};

enum EmfType : std::uint32_t {
  kEmrHeader = 1,
  kEmrSetWindowExtEx = 9,
  kEmrSetWindowOrgEx = 10,
  kEmrSetViewportExtEx = 11,
  kEmrSetViewportOrgEx = 12,
  kEmrEof = 14,
  kEmrSetMapMode = 17,
  kEmrSetBkMode = 18,
  kEmrSetPolyFillMode = 19,
  kEmrSetRop2 = 20,
  kEmrSetStretchBltMode = 21,
  kEmrSetTextAlign = 22,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrMoveToEx = 27,
  kEmrSaveDc = 33,
  kEmrRestoreDc = 34,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrLineTo = 54,
  kEmrStretchDibits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolyPolygon16 = 91,
};

// Parameters of a META_DIBSTRETCHBLT that copies from the surface instead of a DIB.
constexpr std::size_t kDibStretchBltWithoutDibBytes = 22;
constexpr std::uint16_t kEtoOpaque = 2;
constexpr std::uint16_t kEtoClipped = 4;

class EmfBuilder {
 public:
  void Begin(std::uint32_t type) {
    start_ = out_.size();
    U32(type);
    U32(0);
  }
  void End() {
    while ((out_.size() - start_) % 4) out_.push_back(std::byte{0});
    const auto size = static_cast<std::uint32_t>(out_.size() - start_);
    for (int i = 0; i < 4; ++i) out_[start_ + 4 + i] = static_cast<std::byte>(size >> (8 * i));
    ++records_;
  }
  void Simple(std::uint32_t type, std::initializer_list<std::int32_t> values) {
    Begin(type);
    for (std::int32_t v : values) I32(v);
    End();
  }
  void U8(std::uint8_t v) { out_.push_back(static_cast<std::byte>(v)); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
  void Bytes(std::span<const std::byte> b) { out_.insert(out_.end(), b.begin(), b.end()); }
  std::size_t Size() const { return out_.size(); }
  std::uint32_t Records() const { return records_; }
  std::vector<std::byte>& Out() { return out_; }

 private:
  std::vector<std::byte> out_;
  std::size_t start_ = 0;
  std::uint32_t records_ = 0;
};

// WMF objects go to the lowest free slot of a table; EMF handles are explicit, so a
// slot maps to handle slot + 1, or to none for an object that was not carried over.
class ObjectSlots {
 public:
  std::uint32_t Add(bool carried) {
    auto free = std::find(slots_.begin(), slots_.end(), Slot::kFree);
    if (free == slots_.end()) free = slots_.insert(slots_.end(), Slot::kFree);
    *free = carried ? Slot::kCarried : Slot::kDropped;
    const auto index = static_cast<std::uint32_t>(free - slots_.begin());
    max_handles_ = std::max<std::uint32_t>(max_handles_, index + 2);
    return index + 1;
  }
  // The EMF handle of a slot in use and carried over; 0 otherwise.
  std::uint32_t Handle(std::uint16_t index) const {
    return index < slots_.size() && slots_[index] == Slot::kCarried ? index + 1u : 0u;
  }
  bool Remove(std::uint16_t index) {
    if (index >= slots_.size() || slots_[index] == Slot::kFree) return false;
    const bool carried = slots_[index] == Slot::kCarried;
    slots_[index] = Slot::kFree;
    return carried;
  }
  std::uint32_t MaxHandles() const { return std::max<std::uint32_t>(max_handles_, 1); }

 private:
  enum class Slot { kFree, kCarried, kDropped };
  std::vector<Slot> slots_;
  std::uint32_t max_handles_ = 1;
};

struct Record {
  std::uint16_t function;
  PictureBytes params;  // the bytes after the size and function
  std::int16_t P(std::size_t index) const { return params.I16(index * 2); }
  std::uint16_t UP(std::size_t index) const { return params.U16(index * 2); }
};

std::uint32_t DibColorBytes(const PictureBytes& dib) {
  const std::uint32_t header = dib.U32(0);
  if (header == 12) {
    const std::uint16_t bits = dib.U16(10);
    return bits <= 8 ? (1u << bits) * 3 : 0;
  }
  const std::uint16_t bits = dib.U16(14);
  const std::uint32_t compression = dib.U32(16);
  std::uint64_t colors = dib.U32(32);
  if (colors == 0 && bits <= 8) colors = 1u << bits;
  if (colors > 256) colors = 256;
  const std::uint32_t masks =
      (header == 40 && (compression == 3 || compression == 6)) ? (compression == 3 ? 12 : 16) : 0;
  return static_cast<std::uint32_t>(colors * 4) + masks;
}

class WmfToEmf {
 public:
  explicit WmfToEmf(const WmfToEmfTarget& target) : target_(target) {}

  std::vector<std::byte> Run(std::span<const std::byte> wmf) {
    const PictureBytes in(wmf, "Windows metafile");
    WriteHeaderPlaceholder();
    WritePlayback();
    std::size_t offset = std::size_t{in.U16(2)} * 2;
    while (offset + 6 <= in.Size()) {
      const std::uint64_t size = std::uint64_t{in.U32(offset)} * 2;
      if (size < 6 || size > in.Size() - offset) {
        throw Exception("Windows metafile record size out of range at offset " +
                        std::to_string(offset));
      }
      const Record record{in.U16(offset + 4),
                          PictureBytes(in.Slice(offset + 6, size - 6), "Windows metafile record")};
      if (record.function == kWmfEof) break;
      Translate(record);
      offset += static_cast<std::size_t>(size);
    }
    emf_.Simple(kEmrEof, {0, 16, 20});
    FinishHeader();
    return std::move(emf_.Out());
  }

 private:
  void WriteHeaderPlaceholder() { emf_.Out().resize(kEmfHeaderSize); }

  // A WMF is played into the rectangle its reader chooses; an EMF says so itself.
  void WritePlayback() {
    const Metafile::Rect& w = target_.window;
    emf_.Simple(kEmrSetMapMode, {8});
    emf_.Simple(kEmrSetWindowOrgEx, {w.left, w.top});
    emf_.Simple(kEmrSetWindowExtEx, {w.right - w.left, w.bottom - w.top});
    emf_.Simple(kEmrSetViewportOrgEx, {0, 0});
    emf_.Simple(kEmrSetViewportExtEx, {static_cast<std::int32_t>(target_.width_px),
                                       static_cast<std::int32_t>(target_.height_px)});
  }

  void FinishHeader() {
    const std::vector<std::byte> header = EmfHeaderRecord(
        target_.width_px, target_.height_px, target_.width_hmm, target_.height_hmm,
        static_cast<std::uint32_t>(emf_.Size()), emf_.Records() + 1, slots_.MaxHandles());
    std::copy(header.begin(), header.end(), emf_.Out().begin());
  }

  void Translate(const Record& r) {
    switch (r.function) {
      case kWmfSetWindowOrg:
        return emf_.Simple(kEmrSetWindowOrgEx, {r.P(1), r.P(0)});
      case kWmfSetWindowExt:
        return emf_.Simple(kEmrSetWindowExtEx, {r.P(1), r.P(0)});
      case kWmfSetMapMode:
      case kWmfSetViewportOrg:
      case kWmfSetViewportExt:
        return;  // the playback set up at the start decides these
      case kWmfSetBkMode:
        return emf_.Simple(kEmrSetBkMode, {r.UP(0)});
      case kWmfSetRop2:
        return emf_.Simple(kEmrSetRop2, {r.UP(0)});
      case kWmfSetPolyFillMode:
        return emf_.Simple(kEmrSetPolyFillMode, {r.UP(0)});
      case kWmfSetStretchBltMode:
        return emf_.Simple(kEmrSetStretchBltMode, {r.UP(0)});
      case kWmfSetTextAlign:
        return emf_.Simple(kEmrSetTextAlign, {r.UP(0)});
      case kWmfSetBkColor:
        return emf_.Simple(kEmrSetBkColor, {static_cast<std::int32_t>(r.params.U32(0))});
      case kWmfSetTextColor:
        return emf_.Simple(kEmrSetTextColor, {static_cast<std::int32_t>(r.params.U32(0))});
      case kWmfSaveDc:
        return emf_.Simple(kEmrSaveDc, {});
      case kWmfRestoreDc:
        return emf_.Simple(kEmrRestoreDc, {r.P(0)});
      case kWmfMoveTo:
        return emf_.Simple(kEmrMoveToEx, {r.P(1), r.P(0)});
      case kWmfLineTo:
        return emf_.Simple(kEmrLineTo, {r.P(1), r.P(0)});
      case kWmfRectangle:
        return emf_.Simple(kEmrRectangle, {r.P(3), r.P(2), r.P(1), r.P(0)});
      case kWmfEllipse:
        return emf_.Simple(kEmrEllipse, {r.P(3), r.P(2), r.P(1), r.P(0)});
      case kWmfRoundRect:
        return emf_.Simple(kEmrRoundRect, {r.P(5), r.P(4), r.P(3), r.P(2), r.P(1), r.P(0)});
      case kWmfPolygon:
      case kWmfPolyline:
        return Poly(r);
      case kWmfPolyPolygon:
        return PolyPolygon(r);
      case kWmfCreatePenIndirect:
        return CreatePen(r);
      case kWmfCreateBrushIndirect:
        return CreateBrush(r);
      case kWmfCreateFontIndirect:
        return CreateFont(r);
      case kWmfCreatePalette:
      case kWmfCreatePatternBrush:
      case kWmfDibCreatePatternBrush:
      case kWmfCreateRegion:
        slots_.Add(false);
        return;
      case kWmfSelectObject:
        if (const std::uint32_t handle = slots_.Handle(r.UP(0))) {
          emf_.Simple(kEmrSelectObject, {static_cast<std::int32_t>(handle)});
        }
        return;
      case kWmfDeleteObject:
        if (slots_.Remove(r.UP(0))) {
          emf_.Simple(kEmrDeleteObject, {static_cast<std::int32_t>(r.UP(0) + 1u)});
        }
        return;
      case kWmfTextOut:
        return TextOut(r);
      case kWmfExtTextOut:
        return ExtTextOut(r);
      case kWmfStretchDib:
        return StretchDib(r, 4 + 2, r.UP(2), 3);
      case kWmfDibStretchBlt:
        // Without a DIB the record copies from the surface itself, which an EMF
        // cannot express as a bitmap; it is left out.
        if (r.params.Size() > kDibStretchBltWithoutDibBytes) StretchDib(r, 4, 0, 2);
        return;
      default:
        return;
    }
  }

  void Bounds(std::span<const std::pair<std::int32_t, std::int32_t>> points) {
    std::int32_t l = std::numeric_limits<std::int32_t>::max(), t = l;
    std::int32_t r = std::numeric_limits<std::int32_t>::min(), b = r;
    for (const auto& [x, y] : points) {
      l = std::min(l, x);
      r = std::max(r, x);
      t = std::min(t, y);
      b = std::max(b, y);
    }
    if (points.empty()) l = t = r = b = 0;
    for (std::int32_t v : {l, t, r, b}) emf_.I32(v);
  }

  std::vector<std::pair<std::int32_t, std::int32_t>> Points(const PictureBytes& p,
                                                            std::size_t offset, std::size_t count) {
    p.Slice(offset, std::uint64_t{count} * 4);
    std::vector<std::pair<std::int32_t, std::int32_t>> points(count);
    for (std::size_t i = 0; i < count; ++i) {
      points[i] = {p.I16(offset + i * 4), p.I16(offset + i * 4 + 2)};
    }
    return points;
  }

  void WritePoints16(const std::vector<std::pair<std::int32_t, std::int32_t>>& points) {
    for (const auto& [x, y] : points) {
      emf_.U16(static_cast<std::uint16_t>(x));
      emf_.U16(static_cast<std::uint16_t>(y));
    }
  }

  void Poly(const Record& r) {
    const std::int16_t count = r.P(0);
    if (count <= 0) return;
    const auto points = Points(r.params, 2, static_cast<std::size_t>(count));
    emf_.Begin(r.function == kWmfPolygon ? kEmrPolygon16 : kEmrPolyline16);
    Bounds(points);
    emf_.U32(static_cast<std::uint32_t>(points.size()));
    WritePoints16(points);
    emf_.End();
  }

  void PolyPolygon(const Record& r) {
    const std::uint16_t polygons = r.UP(0);
    std::vector<std::uint32_t> counts(polygons);
    std::size_t total = 0;
    for (std::size_t i = 0; i < polygons; ++i) total += counts[i] = r.UP(1 + i);
    const auto points = Points(r.params, 2 + std::size_t{polygons} * 2, total);
    emf_.Begin(kEmrPolyPolygon16);
    Bounds(points);
    emf_.U32(polygons);
    emf_.U32(static_cast<std::uint32_t>(total));
    for (std::uint32_t c : counts) emf_.U32(c);
    WritePoints16(points);
    emf_.End();
  }

  void CreatePen(const Record& r) {
    const std::uint32_t handle = slots_.Add(true);
    emf_.Simple(kEmrCreatePen, {static_cast<std::int32_t>(handle), r.UP(0), r.P(1), r.P(2),
                                static_cast<std::int32_t>(r.params.U32(6))});
  }

  void CreateBrush(const Record& r) {
    const std::uint32_t handle = slots_.Add(true);
    emf_.Simple(kEmrCreateBrushIndirect, {static_cast<std::int32_t>(handle), r.UP(0),
                                          static_cast<std::int32_t>(r.params.U32(2)), r.UP(3)});
  }

  // The face name is copied when it is plain ASCII; another name cannot be turned into
  // UTF-16 without its code page, so the font falls back to the default face.
  void CreateFont(const Record& r) {
    const std::uint32_t handle = slots_.Add(true);
    emf_.Begin(kEmrExtCreateFontIndirectW);
    emf_.U32(handle);
    for (std::size_t i = 0; i < 5; ++i) emf_.I32(r.P(i));
    for (std::size_t i = 10; i < 18; ++i) emf_.U8(r.params.U8(i));
    const std::size_t name_bytes =
        std::min<std::size_t>(32, r.params.Size() > 18 ? r.params.Size() - 18 : 0);
    std::u16string face;
    for (std::size_t i = 0; i < name_bytes && r.params.U8(18 + i) != 0; ++i) {
      const std::uint8_t c = r.params.U8(18 + i);
      if (c >= 0x80) {
        face.clear();
        break;
      }
      face += static_cast<char16_t>(c);
    }
    face.resize(32);
    face[31] = 0;
    for (char16_t c : face) emf_.U16(c);
    emf_.End();
  }

  void Text(std::int32_t x, std::int32_t y, std::uint16_t options,
            std::optional<Metafile::Rect> clip, std::span<const std::byte> text,
            std::span<const std::int16_t> dx) {
    const std::size_t padded = (text.size() + 3) / 4 * 4;
    emf_.Begin(kEmrExtTextOutA);
    for (int i = 0; i < 4; ++i) emf_.I32(0);  // bounds not computed
    emf_.U32(1);                              // GM_COMPATIBLE
    emf_.U32(0);                              // exScale, eyScale 0.0f
    emf_.U32(0);
    emf_.I32(x);
    emf_.I32(y);
    emf_.U32(static_cast<std::uint32_t>(text.size()));
    emf_.U32(76);
    emf_.U32(options);
    const Metafile::Rect rect = clip.value_or(Metafile::Rect{0, 0, -1, -1});
    for (std::int32_t v : {rect.left, rect.top, rect.right, rect.bottom}) emf_.I32(v);
    emf_.U32(dx.empty() ? 0 : static_cast<std::uint32_t>(76 + padded));
    emf_.Bytes(text);
    for (std::size_t i = text.size(); i < padded; ++i) emf_.U8(0);
    for (std::int16_t d : dx) emf_.I32(d);
    emf_.End();
  }

  void TextOut(const Record& r) {
    const std::int16_t length = r.P(0);
    if (length <= 0) return;
    const auto text = r.params.Slice(2, static_cast<std::size_t>(length));
    const std::size_t after = 2 + (static_cast<std::size_t>(length) + 1) / 2 * 2;
    Text(r.params.I16(after + 2), r.params.I16(after), 0, std::nullopt, text, {});
  }

  void ExtTextOut(const Record& r) {
    const std::int16_t y = r.P(0), x = r.P(1), length = r.P(2);
    const std::uint16_t options = r.UP(3);
    std::size_t at = 8;
    std::optional<Metafile::Rect> clip;
    if (options & (kEtoOpaque | kEtoClipped)) {
      clip = Metafile::Rect{r.params.I16(8), r.params.I16(10), r.params.I16(12), r.params.I16(14)};
      at = 16;
    }
    if (length <= 0) return;
    const auto text = r.params.Slice(at, static_cast<std::size_t>(length));
    at += (static_cast<std::size_t>(length) + 1) / 2 * 2;
    std::vector<std::int16_t> dx;
    if (r.params.Size() >= at + std::size_t{static_cast<std::uint16_t>(length)} * 2) {
      for (std::int16_t i = 0; i < length; ++i) dx.push_back(r.params.I16(at + i * 2u));
    }
    Text(x, y, options, clip, text, dx);
  }

  // The two DIB records share their tail: source and destination rectangles, the DIB.
  void StretchDib(const Record& r, std::size_t rect_at, std::uint16_t usage,
                  std::size_t first_rect_word) {
    const PictureBytes& p = r.params;
    const std::size_t w = first_rect_word;
    const std::int32_t src_h = r.P(w), src_w = r.P(w + 1), src_y = r.P(w + 2), src_x = r.P(w + 3);
    const std::int32_t dst_h = r.P(w + 4), dst_w = r.P(w + 5), dst_y = r.P(w + 6),
                       dst_x = r.P(w + 7);
    const std::size_t dib_at = rect_at + 16;
    const PictureBytes dib(p.Slice(dib_at, p.Size() - dib_at), "Windows metafile bitmap");
    const std::uint64_t bmi_size = std::uint64_t{dib.U32(0)} + DibColorBytes(dib);
    if (bmi_size > dib.Size()) throw Exception("Windows metafile bitmap is truncated");
    const auto bits_size = static_cast<std::uint32_t>(dib.Size() - bmi_size);
    emf_.Begin(kEmrStretchDibits);
    for (std::int32_t v : {dst_x, dst_y, dst_x + dst_w, dst_y + dst_h}) emf_.I32(v);
    for (std::int32_t v : {dst_x, dst_y, src_x, src_y, src_w, src_h}) emf_.I32(v);
    emf_.U32(kEmfStretchDibitsSize);
    emf_.U32(static_cast<std::uint32_t>(bmi_size));
    emf_.U32(static_cast<std::uint32_t>(kEmfStretchDibitsSize + bmi_size));
    emf_.U32(bits_size);
    emf_.U32(usage);
    emf_.U32(p.U32(0));
    emf_.I32(dst_w);
    emf_.I32(dst_h);
    emf_.Bytes(dib.All());
    emf_.End();
  }

  const WmfToEmfTarget& target_;
  EmfBuilder emf_;
  ObjectSlots slots_;
};

}  // namespace

std::vector<std::byte> ConvertWmfToEmf(std::span<const std::byte> wmf_records,
                                       const WmfToEmfTarget& target) {
  return WmfToEmf(target).Run(wmf_records);
}

}  // namespace vorn
