// Helpers for the fuzz targets: taking a separator, numbers and pieces from the raw input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zirt::fuzz {

// Stops the run with a message; libFuzzer keeps the input that did it.
[[noreturn]] inline void Fail(const std::string& what) {
  std::fprintf(stderr, "property violated: %s\n", what.c_str());
  std::abort();
}

// The input as one separator choice (first byte) and the rest as text.
struct Input {
  Input(const std::uint8_t* data, std::size_t size)
      : separator(size > 0 && (data[0] & 1) ? ',' : '.'),
        text(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0) {}
  char separator;
  std::string_view text;
};

// Splits text at a byte that does not occur in data files (0xFF) into several pieces.
inline std::vector<std::string_view> Pieces(std::string_view text) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    const auto end = text.find('\xFF', start);
    pieces.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return pieces;
}

}  // namespace zirt::fuzz
