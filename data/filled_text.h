// Texts shared by the windows and the command-line tools: Russian source texts that follow the
// window's language where it installed a translation. zirt-batch installs none, so what it
// prints stays the Russian source byte for byte.
#pragma once

#include <QString>
#include <initializer_list>
#include <string>
#include <string_view>

namespace zirt {

// `text`, already through QCoreApplication::translate at the caller (where lupdate finds it), as
// UTF-8 with %1 … %9 replaced by `args` in one pass: an argument is taken as it stands, so the
// bytes of a file name that is not UTF-8 stay, and a "%2" inside an argument stays too.
std::string Filled(const QString& text, std::initializer_list<std::string_view> args = {});

}  // namespace zirt
