#include "data/decimal_separator.h"

namespace zirt {
namespace {
char g_separator = '.';
}

char DecimalSeparator() {
  return g_separator;
}

void SetDecimalSeparator(char separator) {
  g_separator = separator;
}

}  // namespace zirt
