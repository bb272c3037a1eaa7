// Decoding photographs (JPEG, PNG, TIFF; 8 or 16 bit; colour or grey) into the 8-bit grey
// image the pattern finders take. The stored pixels are used as they are, without EXIF
// rotation.
#pragma once

#include <string>

#include "data/exceptions.h"

namespace cv {
class Mat;
}

namespace zirt {

// An image that could not be read; the message names the file.
class EImageError : public Exception {
 public:
  using Exception::Exception;
};

// The image at `path` as 8-bit grey; raises EImageError when it cannot be decoded.
cv::Mat LoadGreyImage(const std::string& path);

}  // namespace zirt
