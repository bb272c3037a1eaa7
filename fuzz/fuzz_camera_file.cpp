// Building a camera file from any existing file, in memory: lines 7 and 8 take the principal
// point, every other line stays byte for byte, a file of fewer than 8 lines is refused, and
// the bytes written read back as the same lines.
#include "calib/camera_file.h"
#include "data/decimal_separator.h"
#include "data/number_format.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input(data, size);
  SetDecimalSeparator(input.separator);
  const TextLines original = SplitLines(DecodeText(std::string(input.text)));
  TextLines lines = original;
  try {
    PutPrincipalPoint(lines, 512.34561, -0.00005);
  } catch (const Exception&) {
    if (original.size() >= 8) fuzz::Fail("a camera file of 8 lines was refused");
    return 0;
  }
  if (original.size() < 8) fuzz::Fail("a short camera file was taken");
  if (lines.size() != original.size()) fuzz::Fail("the line count changed");
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (i != 6 && i != 7 && lines[i] != original[i]) fuzz::Fail("a line changed");
  if (lines[6].rfind(FormatFixed4(512.34561) + " ; ", 0) != 0) fuzz::Fail("line 7");
  if (SplitLines(DecodeText(EncodeLines(lines))) != lines)
    fuzz::Fail("the written bytes read back differently");
  return 0;
}
