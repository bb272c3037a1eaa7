#include "platform/regional_settings.h"

#include <QLocale>

#include "data/decimal_separator.h"

namespace zirt {

char DecimalSeparatorOf(const QLocale& locale) {
  const QString point = locale.decimalPoint();
  // The number texts are 8-bit; a separator outside ASCII could not be read back.
  if (point.size() == 1 && point[0].unicode() > 0x20 && point[0].unicode() < 0x7F)
    return static_cast<char>(point[0].unicode());
  return '.';
}

void ApplyRegionalSettings() {
  SetDecimalSeparator(DecimalSeparatorOf(QLocale::system()));
}

}  // namespace zirt
