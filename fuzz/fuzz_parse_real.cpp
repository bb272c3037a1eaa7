// ParseReal on any text; what it accepts is finite, and what the formatters write it reads
// back within their precision.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "data/decimal_separator.h"
#include "data/number_format.h"
#include "data/number_parse.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

namespace {

void CheckReadBack(double v) {
  if (!std::isfinite(v)) return;
  const double general = ParseReal(FormatGeneral(v));
  if (std::fabs(general - v) > std::fabs(v) * 1e-14)
    fuzz::Fail("FormatGeneral does not read back: " + FormatGeneral(v));
  const std::string fixed_text = FormatFixed4(v);
  const double fixed = ParseReal(fixed_text);
  if (std::fabs(v) < 1e18 && std::fabs(fixed - v) > 0.00005 + std::fabs(v) * 4e-16)
    fuzz::Fail("FormatFixed4 does not read back: " + fixed_text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input(data, size);
  SetDecimalSeparator(input.separator);
  try {
    const double v = ParseReal(input.text);
    if (!std::isfinite(v)) fuzz::Fail("accepted a non-finite value");
    // Without an exponent the value is the correctly rounded one, as strtod reads the same
    // digits with a point.
    if (input.text.find_first_of(std::string_view("eE\0", 3)) == std::string_view::npos) {
      std::string plain;
      for (char c : input.text)
        if (c != ' ') plain += c == input.separator ? '.' : c;
      char* end = nullptr;
      const double oracle = std::strtod(plain.c_str(), &end);
      // Past the largest double only the texts up to it as written with 15 digits are
      // taken, as the largest double itself.
      const bool saturated = std::isinf(oracle) && std::fabs(v) == DBL_MAX;
      if (*end == '\0' && end != plain.c_str() && oracle != v && !saturated)
        fuzz::Fail("not correctly rounded: " + plain);
    }
    CheckReadBack(v);
  } catch (const EConvertError& e) {
    fuzz::CheckRefusal(e.Message(), input.text, "is not a valid floating point value");
  }
  // The same bytes as a double: every finite value must survive the formatters.
  if (size >= 9) {
    double v;
    std::memcpy(&v, data + 1, sizeof v);
    CheckReadBack(v);
  }
  return 0;
}
