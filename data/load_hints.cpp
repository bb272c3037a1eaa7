#include "data/load_hints.h"

#include <QCoreApplication>
#include <algorithm>

#include "data/coordinate_file.h"
#include "data/data_structures.h"
#include "data/decimal_separator.h"
#include "data/filled_text.h"
#include "data/text_file.h"

namespace zirt {
namespace {

bool ReadsWith(std::string_view line, char separator) {
  const ScopedDecimalSeparator trial(separator);
  try {
    ParseCoordinateLine(line);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

// Three numbers, as a scene coordinate file's lines hold, read with either separator: the
// first two fields and the last two each read as a point.
bool IsSceneLine(std::string_view line, char separator) {
  const auto first = line.find(';');
  const auto last = line.rfind(';');
  if (first == std::string_view::npos || first == last || line.find(';', first + 1) != last)
    return false;
  for (const char each : {separator, separator == ',' ? '.' : ','})
    if (ReadsWith(line.substr(0, last), each) && ReadsWith(line.substr(first + 1), each))
      return true;
  return false;
}

}  // namespace

std::string LoadFaultPlace(const std::string& file, int line) {
  return line > 0 ? Filled(QCoreApplication::translate("LoadHints", "%1, строка %2"),
                           {file, std::to_string(line)})
                  : file;
}

std::vector<std::string> LoadFaultHints(std::string_view text, int line, char separator) {
  std::string_view refused;
  int number = 0;
  bool last = false;
  ForEachLine(text, [&](std::string_view each) {
    ++number;
    if (number == line) refused = each;
    last = number == line;
  });
  if (line < 1 || number < line) return {};

  if (last && refused.find_first_not_of(" \t") == std::string_view::npos)
    return {Filled(QCoreApplication::translate("LoadHints", "В конце файла пустая строка."))};

  std::vector<std::string> hints;
  if (IsSceneLine(refused, separator))
    hints.push_back(Filled(
        QCoreApplication::translate("LoadHints",
                                    "В строке три числа: по-видимому, это файл координат "
                                    "сцены (X ; Y ; Z), а не файл координат снимка (X ; Y).")));
  // Only the two separators that regional settings give are tried.
  if (separator != '.' && separator != ',') return hints;
  const char other = separator == ',' ? '.' : ',';
  const std::string_view two = hints.empty() ? refused : refused.substr(0, refused.rfind(';'));
  if (ReadsWith(two, separator) || !ReadsWith(two, other)) return hints;
  hints.push_back(Filled(QCoreApplication::translate("LoadHints",
                                                     "В файле, по-видимому, десятичный "
                                                     "разделитель «%1», а в региональных "
                                                     "настройках — «%2»."),
                         {std::string_view(&other, 1), std::string_view(&separator, 1)}));
  hints.push_back(Filled(
      other == '.'
          ? QCoreApplication::translate("LoadHints",
                                        "Для точки запустите программу с LC_ALL=C или "
                                        "смените региональные настройки.")
          : QCoreApplication::translate("LoadHints",
                                        "Для запятой запустите программу с LC_ALL=ru_RU.UTF-8 "
                                        "или смените региональные настройки.")));
  return hints;
}

std::string PointCountNote(const std::vector<std::string>& names, const std::vector<int>& counts) {
  if (counts.empty() || names.size() != counts.size()) return {};
  // The fit takes the points in order and stops at the first image that has run out.
  const auto shortest = std::min_element(counts.begin() + 1, counts.end());
  if (shortest == counts.end() || *shortest >= counts.front()) return {};
  const auto k = static_cast<std::size_t>(shortest - counts.begin());
  return Filled(
      QCoreApplication::translate("LoadHints", "Точек в файле %1: %2, в файле %3: %4."),
      {names[k], std::to_string(counts[k]), names.front(), std::to_string(counts.front())});
}

namespace {

bool SamePoints(const VT_Points& a, const VT_Points& b) {
  if (a.Count() != b.Count() || a.Count() == 0) return false;
  for (int i = 0; i < a.Count(); ++i) {
    const VT_Point &p = *a.Get(i), &q = *b.Get(i);
    // Gaps (NaN) of the same point count as the same.
    const auto same = [](double u, double v) { return u == v || (u != u && v != v); };
    if (!same(p.X, q.X) || !same(p.Y, q.Y)) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> LoadNotes(const std::vector<std::string>& names, const ImageSets& images) {
  std::vector<std::string> notes;
  const std::size_t n = std::min(names.size(), images.Length());
  const auto set = [&](std::size_t k) -> const VT_Points& {
    return images[static_cast<std::ptrdiff_t>(k)];
  };
  for (std::size_t k = 0; k < n; ++k)
    if (set(k).Count() == 0)
      notes.push_back(Filled(
          QCoreApplication::translate("LoadHints",
                                      "Файл %1 пуст: в нём нет ни одной точки, и счёт по нему не "
                                      "пройдёт."),
          {names[k]}));
  for (std::size_t k = 0; k < n; ++k)
    for (std::size_t j = k + 1; j < n; ++j)
      if (SamePoints(set(k), set(j))) {
        notes.push_back(Filled(
            QCoreApplication::translate("LoadHints",
                                        "В файлах %1 и %2 одни и те же точки: один снимок взят "
                                        "дважды?"),
            {names[k], names[j]}));
        break;
      }
  return notes;
}

}  // namespace zirt
