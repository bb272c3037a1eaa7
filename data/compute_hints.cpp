#include "data/compute_hints.h"

#include <QCoreApplication>
#include <cmath>

#include "data/coordinate_file.h"
#include "data/filled_text.h"
#include "data/load_hints.h"

namespace zirt {
namespace {

std::string Number(int point) {
  return std::to_string(point);
}

ComputeHint ShortImage(const ImageSets& images, const std::vector<std::string>& names) {
  std::vector<int> counts;
  for (std::size_t k = 0; k < images.Length(); ++k)
    counts.push_back(images[static_cast<std::ptrdiff_t>(k)].Count());
  const std::string note = PointCountNote(names, counts);
  if (note.empty()) return {};
  return {ComputeFault::kShortImage,
          0,
          {note, Filled(QCoreApplication::translate(
                     "ComputeHints",
                     "Что делать: во всех файлах должно быть поровну точек и в одном порядке — "
                     "допишите недостающие точки или уберите лишние и загрузите файлы снова."))}};
}

// Every track, first image to last, runs in one direction: the lines have no common point.
bool TracksParallel(const ImageSets& images) {
  const VT_Points& first = images[0];
  const VT_Points& last = images[static_cast<std::ptrdiff_t>(images.Length()) - 1];
  long double x0 = 0, y0 = 0;
  bool have = false;
  for (int i = 0; i < first.Count(); ++i) {
    if (NotSeen(*first.Get(i)) || NotSeen(*last.Get(i))) continue;
    const long double dx = static_cast<long double>(last.Get(i)->X) - first.Get(i)->X;
    const long double dy = static_cast<long double>(last.Get(i)->Y) - first.Get(i)->Y;
    if (!have) {
      x0 = dx;
      y0 = dy;
      have = true;
      continue;
    }
    const long double cross = dx * y0 - dy * x0;
    if (std::fabs(cross) > 1e-9L * std::hypot(dx, dy) * std::hypot(x0, y0)) return false;
  }
  return have;
}

}  // namespace

ComputeHint ComputeFailureHint(const ImageSets& images, const std::vector<std::string>& names,
                               int fitted) {
  if (images.Length() < 2) return {};
  if (images[0].Count() == 0 && !names.empty())
    return {ComputeFault::kNoPoints,
            0,
            {Filled(QCoreApplication::translate("ComputeHints", "В файле %1 нет точек."),
                    {names.front()}),
             Filled(QCoreApplication::translate(
                 "ComputeHints", "Что делать: загрузите файлы заново, первым — файл с точками."))}};
  if (ComputeHint hint = ShortImage(images, names); hint.fault != ComputeFault::kNone) return hint;
  const int points = images[0].Count();
  if (fitted >= points) {
    if (!TracksParallel(images)) return {};
    return {ComputeFault::kNoCommonPoint,
            0,
            {Filled(QCoreApplication::translate(
                 "ComputeHints", "Прямые всех реперных точек параллельны: общей точки у них нет.")),
             Filled(QCoreApplication::translate(
                 "ComputeHints",
                 "Что делать: снимите последовательность с изменением масштаба (зума), чтобы "
                 "точки сходились к главной точке, и измерьте её снова."))}};
  }
  if (fitted < 0) {
    // Nothing else known of the run: a track the fit cannot take, or tracks all parallel.
    for (int i = 0; i < points; ++i)
      if (ComputeHint hint = ComputeFailureHint(images, names, i);
          hint.fault != ComputeFault::kNone && hint.fault != ComputeFault::kStillTrack)
        return hint;
    return ComputeFailureHint(images, names, points);
  }
  const int index = fitted;
  // Over the images where the point is seen.
  const VT_Point* first = nullptr;
  bool same_x = true, same_y = true, gaps = false;
  for (std::size_t k = 0; k < images.Length(); ++k) {
    const VT_Point& p = *images[static_cast<std::ptrdiff_t>(k)].Get(index);
    gaps |= NotSeen(p);
    if (NotSeen(p)) continue;
    if (first == nullptr) first = &p;
    same_x = same_x && p.X == first->X;
    same_y = same_y && p.Y == first->Y;
  }
  const int point = index + 1;
  const std::string number = Number(point);
  const std::string todo =
      Filled(QCoreApplication::translate("ComputeHints",
                                         "Что делать: проверьте координаты точки %1 во всех "
                                         "файлах; если они верны, уберите эту точку из всех "
                                         "файлов."),
             {number});
  // Where the point is not seen in every image, its track is what the images that show it say.
  if (same_x && same_y)
    return {ComputeFault::kStillTrack,
            point,
            {Filled(gaps ? QCoreApplication::translate(
                               "ComputeHints",
                               "Реперная точка %1 стоит на месте: на всех снимках, где она "
                               "видна, у неё одни и те же координаты, прямую через неё "
                               "провести нельзя.")
                         : QCoreApplication::translate(
                               "ComputeHints",
                               "Реперная точка %1 стоит на месте: на всех снимках у неё одни и "
                               "те же координаты, прямую через неё провести нельзя."),
                    {number}),
             todo}};
  if (same_x)
    return {ComputeFault::kVerticalTrack,
            point,
            {Filled(gaps ? QCoreApplication::translate(
                               "ComputeHints",
                               "Реперная точка %1 движется строго по вертикали (x одинаков на "
                               "всех снимках, где она видна): такую прямую счёт отчёта "
                               "построить не может.")
                         : QCoreApplication::translate(
                               "ComputeHints",
                               "Реперная точка %1 движется строго по вертикали (x одинаков на "
                               "всех снимках): такую прямую счёт отчёта построить не может."),
                    {number}),
             todo}};
  return {};
}

}  // namespace zirt
