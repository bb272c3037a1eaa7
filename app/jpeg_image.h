// JPEG decoding with libjpeg, independent of Qt's image plugins.
#pragma once

#include <QByteArray>
#include <QImage>

namespace zirt {

// The picture as an RGB32 image; a null image when the data is not a readable JPEG. With
// `at_least`, the picture may come smaller than stored, but never smaller than that size.
QImage DecodeJpeg(const QByteArray& data, QSize at_least = QSize());

}  // namespace zirt
