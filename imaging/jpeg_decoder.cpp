#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "imaging/picture_decoders.h"

// libjpeg's headers rely on size_t and FILE being declared before them.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/system/exception.h"

namespace vorn {
namespace {

// Progressive files may announce thousands of scans, each a full pass over the
// coefficients; no real picture needs this many.
constexpr int kMaxJpegScans = 500;
constexpr long kMaxJpegMemory = 1024L * 1024 * 1024;

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

struct JpegJob {
  jpeg_decompress_struct cinfo{};
  JpegErrorManager err{};
  jpeg_progress_mgr progress{};
  std::span<const std::byte> input;
  Bitmap bitmap;
  std::vector<JSAMPLE> row;
};

// The library's default handler ends the process; this one unwinds to the setjmp in
// RunJpeg, which turns the message into an exception.
[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings that mean the picture is cut off or damaged are errors: the library would
// otherwise fill the rest with grey and report success.
void EmitMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      ErrorExit(cinfo);
    default:
      ++cinfo->err->num_warnings;
  }
}

void LimitScans(j_common_ptr cinfo) {
  auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
  if (d->input_scan_number > kMaxJpegScans) {
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    std::snprintf(err->message, sizeof err->message, "Too many progressive scans: %d",
                  d->input_scan_number);
    std::longjmp(err->jump, 1);
  }
}

bool IsCmyk(J_COLOR_SPACE space) { return space == JCS_CMYK || space == JCS_YCCK; }

void StoreRow(JpegJob& job, std::uint32_t y) {
  auto out = job.bitmap.Row(y);
  if (!IsCmyk(job.cinfo.jpeg_color_space)) {
    std::copy(job.row.begin(), job.row.end(), out.begin());
    return;
  }
  // Adobe writes CMYK inverted, which is how such files are nearly always stored.
  const bool inverted = job.cinfo.saw_Adobe_marker;
  for (std::size_t x = 0; x < job.bitmap.Width(); ++x) {
    const JSAMPLE* p = job.row.data() + x * 4;
    const unsigned k = inverted ? p[3] : 255u - p[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned ink = inverted ? p[2 - c] : 255u - p[2 - c];
      out[x * 4 + c] = static_cast<std::uint8_t>(ink * k / 255);
    }
    out[x * 4 + 3] = 255;
  }
}

// Holds every libjpeg call. Nothing with a destructor lives in this frame, so the
// longjmp from ErrorExit skips no clean-up.
bool RunJpeg(JpegJob& job) {
  if (setjmp(job.err.jump)) return false;
  jpeg_create_decompress(&job.cinfo);
  job.cinfo.mem->max_memory_to_use = kMaxJpegMemory;
  job.cinfo.progress = &job.progress;
  jpeg_mem_src(&job.cinfo, reinterpret_cast<const unsigned char*>(job.input.data()),
               static_cast<unsigned long>(job.input.size()));
  jpeg_read_header(&job.cinfo, TRUE);
  CheckPictureSize(job.cinfo.image_width, job.cinfo.image_height);
  job.cinfo.out_color_space = IsCmyk(job.cinfo.jpeg_color_space) ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&job.cinfo);
  job.bitmap = Bitmap(job.cinfo.output_width, job.cinfo.output_height);
  job.row.resize(std::size_t{job.cinfo.output_width} * 4);
  while (job.cinfo.output_scanline < job.cinfo.output_height) {
    JSAMPROW rows[1] = {job.row.data()};
    const std::uint32_t y = job.cinfo.output_scanline;
    if (jpeg_read_scanlines(&job.cinfo, rows, 1) != 1) {
      ERREXIT(&job.cinfo, JERR_INPUT_EOF);
    }
    StoreRow(job, y);
  }
  jpeg_finish_decompress(&job.cinfo);
  return true;
}

struct JpegDestroyer {
  jpeg_decompress_struct* cinfo;
  ~JpegDestroyer() { jpeg_destroy_decompress(cinfo); }
};

}  // namespace

Bitmap DecodeJpeg(std::span<const std::byte> bytes) {
  if (bytes.size() > 0xFFFFFFFFu) throw Exception("JPEG data is too large");
  JpegJob job;
  job.input = bytes;
  job.cinfo.err = jpeg_std_error(&job.err.pub);
  job.err.pub.error_exit = ErrorExit;
  job.err.pub.emit_message = EmitMessage;
  job.progress.progress_monitor = LimitScans;
  const JpegDestroyer destroyer{&job.cinfo};
  if (!RunJpeg(job)) throw Exception(std::string("JPEG error: ") + job.err.message);
  return std::move(job.bitmap);
}

}  // namespace vorn
