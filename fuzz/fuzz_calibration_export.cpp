// The point written into any text taken for another tool's calibration file: either refused
// with a reason, or a file that takes the same point again without a byte changing (our
// comment is replaced, not repeated, and each number is written as it now stands).
#include "export/calibration_export.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ExportedPoint point{512.3456789012345, 384.0625, 0.25, 0.5, "refined", ""};
  ExportOptions options;
  if (size > 0 && data[0] % 2 == 0) options.colmap_camera = "2";
  if (size > 0 && data[0] % 3 == 0) options.kalibr_camera = "cam1";
  ExportEdit first;
  try {
    first = PutPointInto(text, point, options);
  } catch (const ERefusedCalibration& e) {
    if (e.Message().empty()) fuzz::Fail("a refusal without a reason");
    return 0;
  }
  if (first.bytes.size() > size + 1024) fuzz::Fail("the file grew by more than a comment");
  try {
    const ExportEdit again = PutPointInto(first.bytes, point, options);
    if (again.format != first.format) fuzz::Fail("the written file reads as another format");
    if (again.bytes != first.bytes) fuzz::Fail("a second export changed the file");
  } catch (const ERefusedCalibration& e) {
    fuzz::Fail("the written file is refused: " + e.Message());
  }
  return 0;
}
