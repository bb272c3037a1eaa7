// Keyboard access to a window's menu bar beyond Qt's own: the Cyrillic access keys also from
// a Latin keyboard layout (the key where the letter sits), F10, and a lone Alt.
#pragma once

class QMenuBar;

namespace zirt {

// The Latin-layout key's Cyrillic letter on the Russian layout (ЙЦУКЕН), lower case; 0 for a
// key that has none.
char16_t CyrillicOfKey(int qt_key);

// Installs the keys on the window of `bar`; they live as long as the bar.
void InstallMenuKeys(QMenuBar* bar);

}  // namespace zirt
