#include "measure/image_decode.h"

#include <jpeglib.h>
#include <png.h>

#include <csetjmp>
#include <cstring>
#include <new>
#include <opencv2/core.hpp>

namespace zirt {
namespace {

using Fault = DecodeOutcome::Fault;

// libjpeg's default handlers end the process on an error and only print a warning; these
// jump back to the decoder and keep the first warning's text.
struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf resume;
  char message[JMSG_LENGTH_MAX];
  int warnings;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  errors->base.format_message(info, errors->message);
  std::longjmp(errors->resume, 1);
}

void OnJpegMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level >= 0) return;  // Trace messages.
  if (errors->warnings++ == 0) errors->base.format_message(info, errors->message);
}

// Kept apart so that no object with a destructor lives between setjmp and a longjmp back to it.
bool DecodeJpeg(jpeg_decompress_struct& info, JpegErrors& errors, std::FILE* file,
                long long max_pixels, cv::Mat& grey, DecodeOutcome& outcome) {
  if (setjmp(errors.resume)) {
    outcome.fault = Fault::kDamaged;
    outcome.reason = errors.message;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  outcome.width = info.image_width;
  outcome.height = info.image_height;
  if (outcome.width * outcome.height > max_pixels) {
    outcome.fault = Fault::kTooLarge;
    return false;
  }
  if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK) {
    outcome.fault = Fault::kUnreadable;
    outcome.reason = "a CMYK JPEG, which cameras do not write";
    return false;
  }
  // The luma plane alone: the colour planes are never decoded.
  info.out_color_space = JCS_GRAYSCALE;
  jpeg_start_decompress(&info);
  grey.create(static_cast<int>(info.output_height), static_cast<int>(info.output_width), CV_8UC1);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = grey.ptr(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  if (errors.warnings > 0) {
    outcome.fault = Fault::kDamaged;
    outcome.reason = errors.message;
    return false;
  }
  return true;
}

struct PngErrors {
  std::jmp_buf resume;
  char message[256];
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* errors = static_cast<PngErrors*>(png_get_error_ptr(png));
  std::snprintf(errors->message, sizeof errors->message, "%s", message);
  std::longjmp(errors->resume, 1);
}

// Warnings are about ancillary chunks (a colour profile, text), never the pixels.
void OnPngWarning(png_structp, png_const_charp) {}

bool DecodePng(png_structp png, png_infop info, PngErrors& errors, std::FILE* file,
               long long max_pixels, cv::Mat& grey, DecodeOutcome& outcome) {
  if (setjmp(errors.resume)) {
    outcome.fault = Fault::kDamaged;
    outcome.reason = errors.message;
    return false;
  }
  png_init_io(png, file);
  // The pixel budget is ours; libpng's own limit of a million rows would refuse first.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  outcome.width = png_get_image_width(png, info);
  outcome.height = png_get_image_height(png, info);
  if (outcome.width * outcome.height > max_pixels) {
    outcome.fault = Fault::kTooLarge;
    return false;
  }
  png_set_expand(png);
  png_set_scale_16(png);  // Rounded, as 16-bit TIFFs are.
  png_set_strip_alpha(png);
  if (png_get_color_type(png, info) & PNG_COLOR_MASK_COLOR)
    png_set_rgb_to_gray(png, PNG_ERROR_ACTION_NONE, -1, -1);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_channels(png, info) != 1 || png_get_bit_depth(png, info) != 8) {
    outcome.fault = Fault::kUnreadable;
    outcome.reason = "an unexpected PNG layout";
    return false;
  }
  grey.create(static_cast<int>(outcome.height), static_cast<int>(outcome.width), CV_8UC1);
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < grey.rows; ++y) png_read_row(png, grey.ptr(y), nullptr);
  png_read_end(png, nullptr);  // The last checksum, and a file cut after the pixels.
  return true;
}

}  // namespace

DecodeOutcome DecodeJpegGrey(std::FILE* file, long long max_pixels, cv::Mat& grey) {
  DecodeOutcome outcome;
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnJpegError;
  errors.base.emit_message = OnJpegMessage;
  try {
    if (!DecodeJpeg(info, errors, file, max_pixels, grey, outcome)) grey.release();
  } catch (const std::exception& e) {  // No memory for the pixels.
    outcome.fault = Fault::kUnreadable;
    outcome.reason = e.what();
    grey.release();
  }
  jpeg_destroy_decompress(&info);
  return outcome;
}

DecodeOutcome DecodePngGrey(std::FILE* file, long long max_pixels, cv::Mat& grey) {
  DecodeOutcome outcome;
  PngErrors errors{};
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, &errors, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return {Fault::kUnreadable, "out of memory"};
  }
  try {
    if (!DecodePng(png, info, errors, file, max_pixels, grey, outcome)) grey.release();
  } catch (const std::exception& e) {
    outcome.fault = Fault::kUnreadable;
    outcome.reason = e.what();
    grey.release();
  }
  png_destroy_read_struct(&png, &info, nullptr);
  return outcome;
}

}  // namespace zirt
