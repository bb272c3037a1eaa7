// The coordinate loader on several files at once, in memory: a good load holds one point per
// line as the line reads, and a refused load leaves the loaded state exactly as it was.
#include "calib/calibration.h"
#include "data/coordinate_file.h"
#include "data/decimal_separator.h"
#include "data/number_parse.h"
#include "data/text_file.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input(data, size);
  SetDecimalSeparator(input.separator);
  std::vector<std::string> texts;
  const auto pieces = fuzz::Pieces(input.text);
  for (std::size_t k = 0; k < pieces.size() && k < 8; ++k)
    texts.push_back(DecodeText(std::string(pieces[k])));

  Calibration calibration;
  std::vector<std::unique_ptr<VT_Points>> before;
  before.push_back(std::make_unique<VT_Points>(1));
  before.back()->Add(new VT_Point(1.5, 2.5));
  calibration.TakeImages(std::move(before));

  try {
    std::vector<std::unique_ptr<VT_Points>> sets;
    for (std::size_t k = 0; k < texts.size(); ++k)
      sets.push_back(ParseCoordinateText(texts[k], "img" + std::to_string(k) + ".crd"));
    for (std::size_t k = 0; k < sets.size(); ++k) {
      int line_number = 0;
      ForEachLine(texts[k], [&](std::string_view line) {
        const VT_Point expected = ParseCoordinateLine(line);
        const VT_Point& got = *sets[k]->Get(line_number++);
        const bool same_gap = NotSeen(got) && NotSeen(expected);
        if (!same_gap && (got.X != expected.X || got.Y != expected.Y))
          fuzz::Fail("a point differs from its line");
      });
      if (line_number != sets[k]->Count()) fuzz::Fail("not one point per line");
    }
    calibration.TakeImages(std::move(sets));
    if (calibration.Images.Length() != texts.size()) fuzz::Fail("not one image per file");
  } catch (const ECoordinateFileError& e) {
    if (e.Line() < 1 || e.Cause().size() > 4 * kQuotedCodePoints + 100)
      fuzz::Fail("a refusal without its line or with an unbounded message");
    if (calibration.Images.Length() != 1 || calibration.Images[0].Count() != 1 ||
        calibration.Images[0].Get(0)->X != 1.5)
      fuzz::Fail("a refused load changed the loaded images");
  }
  return 0;
}
