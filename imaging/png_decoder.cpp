#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/picture_decoders.h"
#include "platform/system/exception.h"

namespace vorn {
namespace {

struct PngJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::span<const std::byte> input;
  std::size_t position = 0;
  std::string message;
  Bitmap bitmap;
  std::vector<png_bytep> rows;
};

// libpng returns here through longjmp; the message is kept for the exception.
void OnError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  job->message = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadInput(png_structp png, png_bytep data, png_size_t length) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (length > job->input.size() - job->position) png_error(png, "PNG data is truncated");
  std::memcpy(data, job->input.data() + job->position, length);
  job->position += length;
}

// Every colour type becomes 8-bit blue, green, red, alpha.
void RequestBgra(png_structp png, png_infop info) {
  const int color_type = png_get_color_type(png, info);
  if (color_type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (color_type == PNG_COLOR_TYPE_GRAY && png_get_bit_depth(png, info) < 8) {
    png_set_expand_gray_1_2_4_to_8(png);
  }
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  png_set_strip_16(png);
  if (color_type == PNG_COLOR_TYPE_GRAY || color_type == PNG_COLOR_TYPE_GRAY_ALPHA) {
    png_set_gray_to_rgb(png);
  }
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
}

// Holds every libpng call; nothing with a destructor lives in this frame, so the
// longjmp from OnError skips no clean-up.
bool RunPng(PngJob& job) {
  if (setjmp(png_jmpbuf(job.png))) return false;
  png_set_read_fn(job.png, &job, ReadInput);
  png_set_user_limits(job.png, kMaxPictureSide, kMaxPictureSide);
  png_read_info(job.png, job.info);
  CheckPictureSize(png_get_image_width(job.png, job.info), png_get_image_height(job.png, job.info));
  RequestBgra(job.png, job.info);
  if (png_get_rowbytes(job.png, job.info) !=
      std::size_t{png_get_image_width(job.png, job.info)} * 4) {
    png_error(job.png, "Unexpected PNG row size");
  }
  job.bitmap =
      Bitmap(png_get_image_width(job.png, job.info), png_get_image_height(job.png, job.info));
  job.rows.resize(job.bitmap.Height());
  for (std::uint32_t y = 0; y < job.bitmap.Height(); ++y) job.rows[y] = job.bitmap.Row(y).data();
  png_read_image(job.png, job.rows.data());
  png_read_end(job.png, nullptr);
  return true;
}

struct PngDestroyer {
  PngJob* job;
  ~PngDestroyer() { png_destroy_read_struct(&job->png, &job->info, nullptr); }
};

}  // namespace

Bitmap DecodePng(std::span<const std::byte> bytes) {
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8)) {
    throw Exception("PNG signature is not valid");
  }
  PngJob job;
  job.input = bytes;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnError, OnWarning);
  if (job.png == nullptr) throw Exception("PNG error: cannot create the reader");
  const PngDestroyer destroyer{&job};
  job.info = png_create_info_struct(job.png);
  if (job.info == nullptr) throw Exception("PNG error: cannot create the reader");
  if (!RunPng(job)) throw Exception("PNG error: " + job.message);
  return std::move(job.bitmap);
}

}  // namespace vorn
