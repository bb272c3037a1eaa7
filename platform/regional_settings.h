// Reads the decimal separator from the user's regional settings (LC_ALL, LC_NUMERIC, LANG).
#pragma once

class QLocale;

namespace zirt {

// The locale's decimal point when it is one ASCII character, else '.'.
char DecimalSeparatorOf(const QLocale& locale);

// Sets DecimalSeparator() from QLocale::system().
void ApplyRegionalSettings();

}  // namespace zirt
