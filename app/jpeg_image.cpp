#include "app/jpeg_image.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

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
            QImage& image) {
  if (setjmp(errors.resume)) return false;
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.constData()),
               static_cast<unsigned long>(data.size()));
  if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) return false;
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (info.output_components != 3) return false;
  image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                 QImage::Format_RGB32);
  if (image.isNull()) return false;
  JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                             info.output_width * 3, 1);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    jpeg_read_scanlines(&info, row, 1);
    QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y));
    const unsigned char* in = row[0];
    for (JDIMENSION x = 0; x < info.output_width; ++x, in += 3) out[x] = qRgb(in[0], in[1], in[2]);
  }
  jpeg_finish_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) return {};
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = OnError;
  errors.base.output_message = OnMessage;
  QImage image;
  const bool ok = Decode(info, errors, data, image);
  jpeg_destroy_decompress(&info);
  if (!ok) return {};
  return image;
}

}  // namespace zirt
