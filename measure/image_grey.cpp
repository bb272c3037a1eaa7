#include "measure/image_grey.h"

#include <QImage>
#include <QImageReader>
#include <QString>
#include <cstring>
#include <opencv2/core.hpp>

namespace zirt {

cv::Mat LoadGreyImage(const std::string& path) {
  // Qt refuses images above 128 MB by default: a 24-megapixel 16-bit colour TIFF is 192 MB.
  QImageReader::setAllocationLimit(2048);
  QImageReader reader(QString::fromStdString(path));
  reader.setAutoTransform(false);  // Coordinates belong to the stored pixels.
  QImage image = reader.read();
  if (image.isNull()) throw EImageError(path + ": " + reader.errorString().toStdString());
  // Qt weighs the colours by luminance and scales 16-bit samples with rounding.
  image = image.convertToFormat(QImage::Format_Grayscale8);
  if (image.isNull()) throw EImageError(path + ": out of memory");
  cv::Mat grey(image.height(), image.width(), CV_8UC1);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(grey.ptr(y), image.constScanLine(y), static_cast<std::size_t>(image.width()));
  return grey;
}

}  // namespace zirt
