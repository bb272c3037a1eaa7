#include "app/measure/measure_reasons.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QRegularExpression>

#include "data/decimal_separator.h"

namespace zirt {
namespace {

// An English reason matched from its start, and its Russian with %1, %2 … for the captures
// (in English in the English interface).
struct Wording {
  const char* english;
  const char* russian;
};

// The most particular first: "the pattern is not found" ends several longer reasons.
const Wording kWordings[] = {
    {R"(the pattern is not found; a chessboard of (\d+)x(\d+) inner corners is in view)",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "мишень не найдена: в кадре шахматная доска %1×%2 внутренних углов — проверьте размер "
         "мишени")},
    {R"(the chessboard has more inner corners than (\d+)x(\d+))",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "мишень не найдена: у шахматной доски в кадре больше внутренних углов, чем %1×%2 — "
         "проверьте размер мишени")},
    {R"(the pattern is not found)", QT_TRANSLATE_NOOP("MeasureReasons", "мишень не найдена")},
    {R"(no chessboard is found to count its corners)",
     QT_TRANSLATE_NOOP("MeasureReasons", "шахматная доска не найдена, её углы не сосчитать")},
    {R"(not a regular file \(a folder\))",
     QT_TRANSLATE_NOOP("MeasureReasons", "не обычный файл (папка)")},
    {R"(not a regular file)", QT_TRANSLATE_NOOP("MeasureReasons", "не обычный файл")},
    {R"(damaged)", QT_TRANSLATE_NOOP("MeasureReasons", "повреждён")},
    {R"(cannot be read)", QT_TRANSLATE_NOOP("MeasureReasons", "не читается")},
    {R"(too large \(([\d.]+) MP)",
     QT_TRANSLATE_NOOP("MeasureReasons", "слишком большой (%1 Мпикс)")},
    {R"(its points do not match the first image's by a zoom \(([\d.]+) px off)",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "точки не совпадают с точками первого снимка при зуме (расхождение %1 пикс.): другая "
         "доска или мишень, или неверный размер мишени")},
    {R"(its points do not match the first image's by a zoom)",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "точки не совпадают с точками первого снимка при зуме: другая доска или мишень, или "
         "неверный размер мишени")},
    {R"(its points do not zoom about the centre the other images share \(([\d.]+) px off)",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "точки не сходятся к общему центру других снимков (расхождение %1 пикс.): другая доска, "
         "или камера сдвинулась")},
    {R"(turned ([\d.]+)° against its neighbours in the zoom: measured)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "повёрнут на %1° относительно соседних по зуму снимков: измерен, но "
                       "поворот камеры смещает точку")},
    {R"(turned ([\d.]+)° against its neighbours in the zoom)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "повёрнут на %1° относительно соседних по зуму снимков: камера "
                       "сдвинулась или повернулась")},
    {R"(the points are not zoomed about one common point \((\d+)% of the scene points fit\))",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "точки не сходятся к одной общей точке зума (подходят %1% точек сцены): камера "
         "сдвинулась или повернулась")},
    {R"(too little texture: (\d+) scene features found, at least (\d+) needed)",
     QT_TRANSLATE_NOOP("MeasureReasons", "мало деталей сцены: найдено %1, нужно не меньше %2")},
    {R"(too few scene features in common with the other images)",
     QT_TRANSLATE_NOOP("MeasureReasons", "мало общих с другими снимками деталей сцены")},
    {R"(too few scene features in common with the next wider image)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "мало общих деталей сцены со следующим по зуму, более широким снимком")},
    {R"(the images show no zoom)",
     QT_TRANSLATE_NOOP("MeasureReasons", "на снимках нет зума: масштаб не меняется")},
    {R"(a zoom sequence needs two or more images)",
     QT_TRANSLATE_NOOP("MeasureReasons", "для серии зума нужно не меньше двух снимков")},
    {R"(only (\d+) scene points are followed through the zoom, at least (\d+) needed)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "через весь зум прослежено только %1 точек сцены, нужно не меньше %2")},
    {R"(the zoom changes too little to fix the point \(its 95% ellipse reaches ([\d.]+) px\))",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "зум меняется слишком мало, чтобы найти точку (эллипс 95% достигает %1 пикс.): "
         "увеличьте разницу зума между снимками")},
    {R"((\d+) markers numbered beyond the (\d+) of a)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "в кадре %1 маркеров с номерами больше %2 маркеров выбранной доски: "
                       "проверьте размер доски")},
    {R"(the markers in view do not lie as on)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "маркеры в кадре расположены не так, как на выбранной доске")},
    {R"(cannot be measured)",
     QT_TRANSLATE_NOOP("MeasureReasons", "не измерен: сбой обработки снимка")},
};

// Reasons that name no image: the images as a whole.
const Wording kWholeWordings[] = {
    {R"(no marker of the (.+) board is seen in any image)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "ни на одном снимке нет маркеров доски %1: проверьте вид доски и словарь")},
    {R"(fewer than two images show the board well enough)",
     QT_TRANSLATE_NOOP("MeasureReasons", "доска достаточно видна меньше чем на двух снимках")},
};

// A figure as the window writes numbers, with the separator of the regional settings.
QString Figure(QString text) {
  return text.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator()));
}

// The wording of `table` that `reason` starts with, its figures put in; empty for none.
QString Reworded(const QString& reason, const Wording* begin, const Wording* end) {
  for (const Wording* w = begin; w != end; ++w) {
    const QRegularExpression pattern(QLatin1String("^") + QString::fromUtf8(w->english));
    const QRegularExpressionMatch match = pattern.match(reason);
    if (!match.hasMatch()) continue;
    QString text = QCoreApplication::translate("MeasureReasons", w->russian);
    for (int k = 1; k <= match.lastCapturedIndex(); ++k) text = text.arg(Figure(match.captured(k)));
    return text;
  }
  return {};
}

constexpr QLatin1StringView kTool("zirt-measure: ");

}  // namespace

QString RussianReason(const QString& reason) {
  const QString text = Reworded(reason, std::begin(kWordings), std::end(kWordings));
  // The detail holds zirt-measure's words.
  return text.isEmpty() ? QCoreApplication::translate("MeasureReasons", "не измерен") : text;
}

bool PatternNotFound(const QString& reason) {
  // "the pattern is not found; a chessboard of 9x6 … is in view" has a board in view.
  return reason.trimmed() == QLatin1String("the pattern is not found") ||
         reason.startsWith(QLatin1String("no chessboard is found"));
}

bool ImageFileFault(const QString& reason) {
  for (const char* fault : {"damaged", "cannot be read", "not a regular file", "too large"})
    if (reason.startsWith(QLatin1String(fault))) return true;
  return false;
}

std::vector<ImageFailure> FailedImages(const QStringList& images, const QString& errors) {
  const QStringList lines = errors.split(QLatin1Char('\n'));
  std::vector<ImageFailure> failures;
  for (const QString& image : images) {
    const QString prefix = kTool + image + QStringLiteral(": ");
    for (const QString& line : lines) {
      if (!line.startsWith(prefix)) continue;
      const QString reason = line.mid(prefix.size());
      failures.push_back({image, RussianReason(reason), ImageFileFault(reason)});
      break;
    }
  }
  return failures;
}

QStringList MeasureFailures(const QStringList& images, const QString& errors) {
  QStringList failures;
  for (const ImageFailure& f : FailedImages(images, errors))
    failures << QFileInfo(f.image).fileName() + QStringLiteral(" — ") + f.reason;
  // Reasons about the images as a whole name none of them.
  for (const QString& line : errors.split(QLatin1Char('\n')))
    if (line.startsWith(kTool))
      if (const QString whole = Reworded(line.mid(kTool.size()), std::begin(kWholeWordings),
                                         std::end(kWholeWordings));
          !whole.isEmpty())
        failures << whole;
  return failures;
}

}  // namespace zirt
