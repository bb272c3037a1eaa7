#include "app/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

#include <QtGlobal>

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "RGB32 rows are decoded as B, G, R, X");

namespace zirt {

namespace {

// libjpeg's default error handler ends the process; this one jumps back to the decoder.
struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf resume;
};

[[noreturn]] void OnError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->resume, 1);
}

void OnMessage(j_common_ptr) {}  // Warnings of a damaged but readable file are not shown.

// Kept apart from DecodeJpeg so that no object with a destructor lives between setjmp and
// a longjmp back to it.
bool Decode(jpeg_decompress_struct& info, ErrorManager& errors, const QByteArray& data,
            QSize at_least, QImage& image) {
  if (setjmp(errors.resume)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  // The decoder scales by eighths for free; the smallest picture that still covers the
  // requested size decodes fastest.
  if (at_least.isValid()) {
    for (unsigned eighths = 1; eighths <= 8; ++eighths) {
      if (info.image_width * eighths / 8 >= static_cast<unsigned>(at_least.width()) &&
          info.image_height * eighths / 8 >= static_cast<unsigned>(at_least.height())) {
        info.scale_num = eighths;
        info.scale_denom = 8;
        break;
      }
    }
  }
  // Straight into the image's rows: RGB32 is B, G, R, X in memory on this platform.
  info.out_color_space = JCS_EXT_BGRX;
  info.do_fancy_upsampling = FALSE;  // The picture is only ever shown stretched.
  info.dct_method = JDCT_IFAST;      // A title picture: speed before the last bit of detail.
  jpeg_start_decompress(&info);
  if (info.output_components != 4) return false;
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB32);
  if (image.isNull()) return false;
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[8];
    JDIMENSION count = 0;
    for (; count < 8 && info.output_scanline + count < info.output_height; ++count)
      rows[count] = image.scanLine(static_cast<int>(info.output_scanline + count));
    jpeg_read_scanlines(&info, rows, count);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data, QSize at_least) {
  if (data.isEmpty()) return {};
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  QImage image;
  const bool ok = Decode(info, errors, data, at_least, image);
  jpeg_destroy_decompress(&info);
  if (!ok) return {};
  return image;
}

}  // namespace zirt
