#include "data/filled_text.h"

#include <QByteArray>

namespace zirt {

std::string Filled(const QString& text, std::initializer_list<std::string_view> args) {
  const QByteArray utf8 = text.toUtf8();
  std::string out;
  out.reserve(static_cast<std::size_t>(utf8.size()));
  for (qsizetype i = 0; i < utf8.size(); ++i) {
    const char c = utf8[i];
    const std::size_t n = i + 1 < utf8.size() ? static_cast<std::size_t>(utf8[i + 1] - '0') : 0;
    if (c == '%' && n >= 1 && n <= args.size()) {
      out += *(args.begin() + (n - 1));
      ++i;
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace zirt
