#include "data/exceptions.h"

namespace zirt {

ERangeError::ERangeError(std::ptrdiff_t index, std::size_t length)
    : Exception("Range check error: index " + std::to_string(index) + ", length " +
                std::to_string(length)),
      index_(index),
      length_(length) {}

std::string DisplayText(const std::string& message) {
  // Byte order: every byte of a multi-byte UTF-8 letter sorts after '.', like a Cyrillic
  // letter in the 8-bit code page.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

}  // namespace zirt
