// Formulas in x87 80-bit extended precision with the system's floating-point faults.
// Operands are widened to `Ext`, every intermediate stays in 80 bits, and `Store` rounds to
// a 64-bit double. Faults are found by testing operands and results explicitly, never by the
// FPU status flags, which the optimiser may reorder around.
#pragma once

#include <cmath>

#include "data/exceptions.h"

namespace zirt {

using Ext = long double;

static_assert(sizeof(Ext) >= 10 && __LDBL_MANT_DIG__ == 64,
              "the formulas need the x87 80-bit extended type");

// The extended value nearest to two thirds (just above it): the image-to-view scale.
inline constexpr Ext kTwoThirds = 2.0L / 3.0L;

// Raises EInvalidOp for a NaN and EOverflow for an infinity; returns the value otherwise.
inline Ext Checked(Ext v) {
  if (std::isnan(v)) throw EInvalidOp();
  if (std::isinf(v)) throw EOverflow();
  return v;
}

// num / den; a zero divisor raises EInvalidOp when num is zero too, else EZeroDivide.
inline Ext Div(Ext num, Ext den) {
  if (den == 0) {
    if (num == 0 || std::isnan(num)) throw EInvalidOp();
    throw EZeroDivide();
  }
  return Checked(num / den);
}

// Square root; a negative argument raises EInvalidOp.
inline Ext Sqrt(Ext v) {
  if (v < 0 || std::isnan(v)) throw EInvalidOp();
  return std::sqrt(v);
}

// Rounds to double as a store does; a value beyond the double range raises EOverflow.
inline double Store(Ext v) {
  const double d = static_cast<double>(Checked(v));
  if (std::isinf(d)) throw EOverflow();
  return d;
}

}  // namespace zirt
