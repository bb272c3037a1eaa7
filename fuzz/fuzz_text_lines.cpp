// The line reader on any bytes: lines hold no terminator, a NUL ends the text, writing the
// lines back with CR LF and reading them again gives the same lines, and every byte survives
// the code page's decoding and encoding.
#include "data/text_file.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  std::size_t characters = 0;
  ForEachLine(text, [&](std::string_view line) {
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
      fuzz::Fail("a line holds a terminator or a NUL");
    characters += line.size();
    lines.emplace_back(line);
  });
  if (characters > size) fuzz::Fail("more characters than bytes");
  std::string written;
  for (const std::string& line : lines) written += line + "\r\n";
  std::vector<std::string> again;
  ForEachLine(written, [&](std::string_view line) { again.emplace_back(line); });
  if (again != lines) fuzz::Fail("lines change when written and read again");
  if (EncodeLines(SplitLines(DecodeText(std::string(text)))) != written)
    fuzz::Fail("a byte changed through the code page");
  return 0;
}
