// Sets the decimal separator for one test and restores the previous one.
#pragma once

#include "data/decimal_separator.h"

namespace zirt {

class SeparatorGuard {
 public:
  explicit SeparatorGuard(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~SeparatorGuard() { SetDecimalSeparator(saved_); }

 private:
  char saved_;
};

}  // namespace zirt
