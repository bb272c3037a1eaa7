// The one decimal separator of the user's regional settings, used by every number text in
// both directions. Only the platform layer sets it; a read of files written under another
// setting holds another one for its span alone (ScopedDecimalSeparator).
#pragma once

namespace zirt {

// The current decimal separator; '.' until the platform layer has read the settings.
char DecimalSeparator();

// Called by the platform layer at start-up and when the regional settings change.
void SetDecimalSeparator(char separator);

// The separator in force while it lives, the one before restored whatever happens meanwhile.
class ScopedDecimalSeparator {
 public:
  explicit ScopedDecimalSeparator(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~ScopedDecimalSeparator() { SetDecimalSeparator(saved_); }
  ScopedDecimalSeparator(const ScopedDecimalSeparator&) = delete;
  ScopedDecimalSeparator& operator=(const ScopedDecimalSeparator&) = delete;

 private:
  char saved_;
};

}  // namespace zirt
