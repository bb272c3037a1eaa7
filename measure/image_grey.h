// Decoding photographs (JPEG, PNG, TIFF; 8 or 16 bit; colour or grey) into the 8-bit grey
// image the pattern finders take, refusing what cannot be measured honestly. The stored pixels
// are used as they are, without EXIF rotation.
#pragma once

#include <string>

#include "data/exceptions.h"

namespace cv {
class Mat;
}

namespace zirt {

// Why an image is not measured.
enum class ImageFault {
  kUnreadable,  // Missing, no permission, an unknown format.
  kNotRegular,  // A folder, a pipe, a device.
  kDamaged,     // The decoder reported damage: cut short, corrupt data.
  kTooLarge,    // More pixels than the budget, told by the header before decoding.
};

// An image that is not measured; the message is "IMAGE: REASON", the reason beginning with the
// fault's fixed words ("cannot be read", "not a regular file", "damaged", "too large").
class EImageError : public Exception {
 public:
  EImageError(ImageFault fault, const std::string& image, const std::string& reason)
      : Exception(image + ": " + reason), fault_(fault) {}
  ImageFault Fault() const { return fault_; }

 private:
  ImageFault fault_;
};

inline constexpr double kDefaultMaxMegapixels = 100;

// The image at `path` (bytes, as the system names it) as 8-bit grey. Raises EImageError.
cv::Mat LoadGreyImage(const std::string& path, double max_megapixels = kDefaultMaxMegapixels);

}  // namespace zirt
