// Keyboard access beyond Qt's own, for every window of the program: the Cyrillic access keys
// of menus and buttons also from a Latin keyboard layout (the key where the letter sits), and
// F10 or a lone Alt to open a window's menu bar.
#pragma once

namespace zirt {

// The Latin-layout key's Cyrillic letter on the Russian layout (ЙЦУКЕН), lower case; 0 for a
// key that has none.
char16_t CyrillicOfKey(int qt_key);

// Installs the keys for the whole application, once.
void InstallAccessKeys();

}  // namespace zirt
