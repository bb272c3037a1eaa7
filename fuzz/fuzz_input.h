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

// Checks a refusal's message: the text quoted whole, or when longer than the quoting limit
// its beginning and "…", never more than four bytes a code point.
inline void CheckRefusal(const std::string& message, std::string_view text, const char* ending) {
  constexpr std::string_view kCut = "\u2026";
  const std::string tail = std::string("' ") + ending;
  if (message.size() < 1 + tail.size() || message[0] != '\'' ||
      message.compare(message.size() - tail.size(), tail.size(), tail) != 0)
    Fail("wrong message: " + message);
  std::string_view quoted(message);
  quoted = quoted.substr(1, quoted.size() - 1 - tail.size());
  if (quoted == text) {
    if (text.size() > 4 * 60) Fail("a long text quoted whole");
    return;
  }
  if (quoted.size() < kCut.size() || quoted.substr(quoted.size() - kCut.size()) != kCut ||
      quoted.size() > 4 * 60 + kCut.size() || text.size() <= 60 ||
      text.substr(0, quoted.size() - kCut.size()) != quoted.substr(0, quoted.size() - kCut.size()))
    Fail("wrong cut of the text in: " + message);
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
