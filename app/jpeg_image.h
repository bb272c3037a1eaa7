// JPEG decoding with libjpeg, independent of Qt's image plugins.
#pragma once

#include <QByteArray>
#include <QImage>

namespace zirt {

// The picture as an RGB32 image; a null image when the data is not a readable JPEG.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace zirt
