// The one decimal separator of the user's regional settings, used by every number text in
// both directions. Only the platform layer sets it.
#pragma once

namespace zirt {

// The current decimal separator; '.' until the platform layer has read the settings.
char DecimalSeparator();

// Called by the platform layer at start-up and when the regional settings change.
void SetDecimalSeparator(char separator);

}  // namespace zirt
