// The coordinate loader on several files at once: a good load holds one point per line as
// the line reads, and a refused load leaves the loaded state exactly as it was; zirt-batch's
// loading agrees with it bit for bit.
#include <cstring>

#include "batch/fast_batch.h"
#include "calib/calibration.h"
#include "data/coordinate_file.h"
#include "data/decimal_separator.h"
#include "data/text_file.h"
#include "fuzz/fuzz_input.h"
#include "fuzz/fuzz_temp_folder.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input(data, size);
  SetDecimalSeparator(input.separator);
  std::vector<std::string> paths;
  const auto pieces = fuzz::Pieces(input.text);
  for (std::size_t k = 0; k < pieces.size() && k < 8; ++k)
    paths.push_back(fuzz::WriteFile("img" + std::to_string(k) + ".crd", pieces[k]));

  Calibration calibration;
  std::vector<std::unique_ptr<VT_Points>> before;
  before.push_back(std::make_unique<VT_Points>(1));
  before.back()->Add(new VT_Point(1.5, 2.5));
  calibration.TakeImages(std::move(before));

  // zirt-batch's loading takes the same files exactly when the window's does, with the same
  // points.
  PlainImages plain;
  const bool plain_loaded = LoadPlainImages(paths, plain);
  try {
    auto sets = LoadCoordinateFiles(paths);
    if (plain_loaded != (paths.size() >= 2)) fuzz::Fail("the batch load differs in success");
    for (std::size_t k = 0; plain_loaded && k < sets.size(); ++k) {
      if (plain.images[k].count != static_cast<std::size_t>(sets[k]->Count()))
        fuzz::Fail("the batch load differs in its count");
      for (int i = 0; i < sets[k]->Count(); ++i) {
        const PlainPoint& p = plain.images[k].points[static_cast<std::size_t>(i)];
        if (std::memcmp(&p.X, &sets[k]->Get(i)->X, 8) != 0 ||
            std::memcmp(&p.Y, &sets[k]->Get(i)->Y, 8) != 0)
          fuzz::Fail("the batch load differs in a point");
      }
    }
    for (std::size_t k = 0; k < sets.size(); ++k) {
      int line_number = 0;
      ForEachLine(ReadTextFile(paths[k]), [&](std::string_view line) {
        const VT_Point expected = ParseCoordinateLine(line);
        const VT_Point& got = *sets[k]->Get(line_number++);
        if (got.X != expected.X || got.Y != expected.Y) fuzz::Fail("a point differs from its line");
      });
      if (line_number != sets[k]->Count()) fuzz::Fail("not one point per line");
    }
    calibration.TakeImages(std::move(sets));
    if (calibration.Images.Length() != paths.size()) fuzz::Fail("not one image per file");
  } catch (const ECoordinateFileError&) {
    if (plain_loaded) fuzz::Fail("the batch load took files the window refuses");
    if (calibration.Images.Length() != 1 || calibration.Images[0].Count() != 1 ||
        calibration.Images[0].Get(0)->X != 1.5)
      fuzz::Fail("a refused load changed the loaded images");
  }
  return 0;
}
