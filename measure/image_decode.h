// The two formats cameras write, decoded by their own libraries straight into 8-bit grey rows,
// so that no colour copy of a large photograph is ever held and every report of damage counts.
#pragma once

#include <cstdio>
#include <string>

namespace cv {
class Mat;
}

namespace zirt {

// What a decoder found wrong, with the decoder's own words; kNone when it decoded.
struct DecodeOutcome {
  enum class Fault { kNone, kDamaged, kTooLarge, kUnreadable } fault = Fault::kNone;
  std::string reason;
  long long width = 0, height = 0;  // From the header, also when refused as too large.
};

// Decodes the JPEG in `file` into `grey`. A warning of the decoder (corrupt data, a premature
// end) is damage: the picture it gives is not the one taken.
DecodeOutcome DecodeJpegGrey(std::FILE* file, long long max_pixels, cv::Mat& grey);

// Decodes the PNG in `file` into `grey`. A cut-short file or a bad checksum is damage.
DecodeOutcome DecodePngGrey(std::FILE* file, long long max_pixels, cv::Mat& grey);

}  // namespace zirt
