// ParseInteger on any text; an accepted decimal text means what strtoll reads from it, and
// FormatInteger's text reads back.
#include <cerrno>
#include <cstdlib>

#include "data/number_format.h"
#include "data/number_parse.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const int v = ParseInteger(text);
    if (ParseInteger(FormatInteger(v)) != v) fuzz::Fail("FormatInteger does not read back");
    const auto first = text.find_first_not_of(' ');
    const bool hex = text.find_first_of("$xX") != std::string::npos;
    if (!hex) {
      if (text.find_first_not_of("+-0123456789", first) != std::string::npos)
        fuzz::Fail("accepted a non-decimal text: " + text);
      errno = 0;
      const long long reference = std::strtoll(text.c_str() + first, nullptr, 10);
      if (errno != 0 || reference != v) fuzz::Fail("decimal value differs: " + text);
    }
  } catch (const EConvertError& e) {
    fuzz::CheckRefusal(e.Message(), text, "is not a valid integer value");
  }
  return 0;
}
