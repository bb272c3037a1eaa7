#include "data/text_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace zirt {
namespace {

bool IsAscii(const char* data, std::size_t size) {
  // Eight bytes at a time: coordinate files are long and almost always plain ASCII.
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    if (word & 0x8080808080808080ull) return false;
  }
  for (; i < size; ++i)
    if (static_cast<unsigned char>(data[i]) >= 0x80) return false;
  return true;
}

// The letters of the bytes 0x80 to 0xFF in the code page; every byte has one.
constexpr char16_t kHighLetters[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The next code point of UTF-8 text at `i`, moving `i` past it; an invalid sequence gives
// one U+FFFD for its first byte.
char32_t NextCodePoint(const std::string& text, std::size_t& i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  const int length = lead < 0x80   ? 1
                     : lead < 0xC2 ? 0
                     : lead < 0xE0 ? 2
                     : lead < 0xF0 ? 3
                     : lead < 0xF5 ? 4
                                   : 0;
  if (length == 0 || i + static_cast<std::size_t>(length) > text.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    c = c << 6 | (byte(i + k) & 0x3F);
  }
  i += static_cast<std::size_t>(length);
  return c;
}

// A letter the code page lacks is written as '?'.
char EncodeLetter(char32_t c) {
  if (c < 0x80) return static_cast<char>(c);
  // The code page's letters all lie below U+2200: one byte per code point below that.
  static const auto bytes = [] {
    std::array<unsigned char, 0x2200> table{};
    for (int k = 0; k < 128; ++k) table[kHighLetters[k]] = static_cast<unsigned char>(0x80 + k);
    return table;
  }();
  return c < bytes.size() && bytes[c] != 0 ? static_cast<char>(bytes[c]) : '?';
}

void AppendEncoded(std::string& out, const std::string& line) {
  if (IsAscii(line.data(), line.size())) {
    out += line;
    return;
  }
  for (std::size_t i = 0; i < line.size();) out += EncodeLetter(NextCodePoint(line, i));
}

}  // namespace

std::string DecodeText(std::string bytes) {
  if (IsAscii(bytes.data(), bytes.size())) return bytes;
  std::string text;
  text.reserve(bytes.size() + bytes.size() / 2);
  for (const char b : bytes) {
    const auto byte = static_cast<unsigned char>(b);
    AppendUtf8(text, byte < 0x80 ? byte : kHighLetters[byte - 0x80]);
  }
  return text;
}

std::string ReadTextFile(const std::string& path) {
  return DecodeText(ReadFileBytes(path));
}

TextLines SplitLines(std::string_view text) {
  TextLines lines;
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

TextLines ReadLines(const std::string& path) {
  return SplitLines(ReadTextFile(path));
}

std::string EncodeLines(const TextLines& lines) {
  std::string bytes;
  for (const std::string& line : lines) {
    AppendEncoded(bytes, line);
    bytes += "\r\n";
  }
  return bytes;
}

void WriteLines(const std::string& path, const TextLines& lines) {
  WriteFileAtomic(path, EncodeLines(lines));
}

std::string ShortName(std::string_view path) {
  const auto slash = path.find_last_of("\\/");
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace zirt
