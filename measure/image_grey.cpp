#include "measure/image_grey.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <opencv2/core.hpp>

#include "data/posix_file.h"
#include "measure/image_decode.h"

namespace zirt {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string Megapixels(long long pixels) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f MP", std::ceil(static_cast<double>(pixels) / 1e6));
  return text;
}

[[noreturn]] void TooLarge(const std::string& path, long long width, long long height,
                           double max_megapixels) {
  char limit[32];
  std::snprintf(limit, sizeof limit, "%g", max_megapixels);
  throw EImageError(ImageFault::kTooLarge, path,
                    "too large (" + Megapixels(width * height) + ", " + std::to_string(width) +
                        " x " + std::to_string(height) + "; the limit is " + limit +
                        " MP, --max-megapixels)");
}

// TIFF and the rarer formats, through Qt's plugins on the already opened file, so the name
// is never read as text.
cv::Mat LoadThroughQt(std::FILE* file, const std::string& path, long long max_pixels,
                      double max_megapixels) {
  QFile device;
  if (!device.open(file, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    throw EImageError(ImageFault::kUnreadable, path, "cannot be read: " + SystemReason(EIO));
  QImageReader reader(&device);
  reader.setAutoTransform(false);  // Coordinates belong to the stored pixels.
  const QSize size = reader.size();
  if (!size.isValid())
    throw EImageError(ImageFault::kUnreadable, path,
                      "cannot be read: " + reader.errorString().toStdString());
  if (static_cast<long long>(size.width()) * size.height() > max_pixels)
    TooLarge(path, size.width(), size.height(), max_megapixels);
  // Qt refuses images above 128 MB by default: a 24-megapixel 16-bit colour TIFF is 192 MB.
  // Set once: two threads decode at a time, and the limit is Qt's one global.
  static const bool limit_set = [] {
    QImageReader::setAllocationLimit(2048);
    return true;
  }();
  (void)limit_set;
  QImage image = reader.read();
  if (image.isNull())
    throw EImageError(ImageFault::kDamaged, path, "damaged: " + reader.errorString().toStdString());
  // Qt weighs the colours by luminance and scales 16-bit samples with rounding.
  image = image.convertToFormat(QImage::Format_Grayscale8);
  if (image.isNull())
    throw EImageError(ImageFault::kUnreadable, path, "cannot be read: out of memory");
  cv::Mat grey(image.height(), image.width(), CV_8UC1);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(grey.ptr(y), image.constScanLine(y), static_cast<std::size_t>(image.width()));
  return grey;
}

}  // namespace

cv::Mat LoadGreyImage(const std::string& path, double max_megapixels) {
  const auto unreadable = [&](int error) {
    return EImageError(ImageFault::kUnreadable, path, "cannot be read: " + SystemReason(error));
  };
  int error = 0;
  const int fd = OpenRegularFile(path, &error);
  if (error == EISDIR || error == kNotRegularFile)
    throw EImageError(ImageFault::kNotRegular, path,
                      error == EISDIR ? "not a regular file (a folder)" : "not a regular file");
  if (fd < 0) throw unreadable(error);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  File file(::fdopen(fd, "rb"));
  if (!file) {
    const int error = errno;
    ::close(fd);
    throw unreadable(error);
  }

  const long long max_pixels = static_cast<long long>(max_megapixels * 1e6);
  unsigned char magic[8] = {};
  const std::size_t got = std::fread(magic, 1, sizeof magic, file.get());
  std::rewind(file.get());
  static const unsigned char kJpeg[] = {0xFF, 0xD8, 0xFF};
  static const unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  DecodeOutcome outcome;
  cv::Mat grey;
  if (got >= 3 && std::memcmp(magic, kJpeg, 3) == 0) {
    outcome = DecodeJpegGrey(file.get(), max_pixels, grey);
  } else if (got == 8 && std::memcmp(magic, kPng, 8) == 0) {
    outcome = DecodePngGrey(file.get(), max_pixels, grey);
  } else {
    return LoadThroughQt(file.get(), path, max_pixels, max_megapixels);
  }
  switch (outcome.fault) {
    case DecodeOutcome::Fault::kNone:
      return grey;
    case DecodeOutcome::Fault::kTooLarge:
      TooLarge(path, outcome.width, outcome.height, max_megapixels);
    case DecodeOutcome::Fault::kDamaged:
      throw EImageError(ImageFault::kDamaged, path, "damaged: " + outcome.reason);
    case DecodeOutcome::Fault::kUnreadable:
      break;
  }
  throw EImageError(ImageFault::kUnreadable, path, "cannot be read: " + outcome.reason);
}

}  // namespace zirt
