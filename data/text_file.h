// Whole-file reading into text lines and atomic whole-file writing. On disk the text is
// 8-bit Windows-1251; in memory it is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/posix_file.h"

namespace zirt {

using TextLines = std::vector<std::string>;

// Windows-1251 bytes as UTF-8 text; every byte has its letter.
std::string DecodeText(std::string bytes);

// The file's bytes, Windows-1251 decoded to UTF-8. Raises EFileError when it can't be read.
std::string ReadTextFile(const std::string& path);

// Calls visit(line) for each line of text: lines end at CR LF, a lone CR or a lone LF, a NUL
// ends the text, and a terminator at the very end adds no empty line.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
  if (const auto nul = text.find('\0'); nul != std::string_view::npos) text = text.substr(0, nul);
  std::size_t start = 0;
  const std::size_t n = text.size();
  while (start < n) {
    std::size_t end = start;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    visit(text.substr(start, end - start));
    if (end < n && text[end] == '\r' && end + 1 < n && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
}

// The lines of a text, as ForEachLine splits it.
TextLines SplitLines(std::string_view text);

// The file read whole into lines.
TextLines ReadLines(const std::string& path);

// The file's bytes for the lines: each followed by CR LF, encoded as Windows-1251.
std::string EncodeLines(const TextLines& lines);

// Writes EncodeLines(lines) by WriteFileAtomic, so the target is never left half written.
// Raises EFileError when the file cannot be created or written.
void WriteLines(const std::string& path, const TextLines& lines);

// The last component of a path: what follows the last '\' (and, on this platform, '/').
std::string ShortName(std::string_view path);

}  // namespace zirt
