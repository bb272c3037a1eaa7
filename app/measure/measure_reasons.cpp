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
    {R"(the points are not zoomed about the common point of the images \(shifted or turned ([\d.]+) px off it\))",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "точки не сходятся к общей точке снимков (сдвиг или поворот на %1 пикс.): камера "
         "сдвинулась или повернулась")},
    {R"(too little texture: (\d+) scene features found, at least (\d+) needed)",
     QT_TRANSLATE_NOOP("MeasureReasons", "мало деталей сцены: найдено %1, нужно не меньше %2")},
    {R"(too few scene features in common with the first image \((\d+)\))",
     QT_TRANSLATE_NOOP("MeasureReasons", "мало общих с первым снимком деталей сцены (%1)")},
    {R"(the image is not the first one zoomed about a point \((\d+) of (\d+) matched)",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "снимок не повторяет первый с зумом относительно точки (сходятся %1 из %2 общих деталей): "
         "камера сдвинулась или повернулась, или сцена изменилась")},
    {R"(too few scene features are found in every image)",
     QT_TRANSLATE_NOOP("MeasureReasons", "на всех снимках найдено слишком мало деталей сцены")},
    {R"(the images show no zoom)",
     QT_TRANSLATE_NOOP("MeasureReasons", "на снимках нет зума: масштаб не меняется")},
    {R"(a zoom sequence needs two or more images)",
     QT_TRANSLATE_NOOP("MeasureReasons", "для серии зума нужно не меньше двух снимков")},
    {R"(only (\d+) scene points are found in every image, at least (\d+) needed)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "на всех снимках найдено только %1 точек сцены, нужно не меньше %2")},
    {R"(the zoom changes too little to fix the point \(its 95% ellipse reaches ([\d.]+) px\))",
     QT_TRANSLATE_NOOP(
         "MeasureReasons",
         "зум меняется слишком мало, чтобы найти точку (эллипс 95% достигает %1 пикс.): "
         "увеличьте разницу зума между снимками")},
    {R"(the markers in view do not lie as on)",
     QT_TRANSLATE_NOOP("MeasureReasons",
                       "маркеры в кадре расположены не так, как на выбранной доске")},
    {R"(cannot be measured)",
     QT_TRANSLATE_NOOP("MeasureReasons", "не измерен: сбой обработки снимка")},
};

// A figure as the window writes numbers, with the separator of the regional settings.
QString Figure(QString text) {
  return text.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator()));
}

}  // namespace

QString RussianReason(const QString& reason) {
  for (const Wording& w : kWordings) {
    const QRegularExpression pattern(QLatin1String("^") + QString::fromUtf8(w.english));
    const QRegularExpressionMatch match = pattern.match(reason);
    if (!match.hasMatch()) continue;
    QString text = QCoreApplication::translate("MeasureReasons", w.russian);
    for (int k = 1; k <= match.lastCapturedIndex(); ++k) text = text.arg(Figure(match.captured(k)));
    return text;
  }
  // The detail holds zirt-measure's words.
  return QCoreApplication::translate("MeasureReasons", "не измерен");
}

bool PatternNotFound(const QString& reason) {
  // "the pattern is not found; a chessboard of 9x6 … is in view" has a board in view.
  return reason.trimmed() == QLatin1String("the pattern is not found") ||
         reason.startsWith(QLatin1String("no chessboard is found"));
}

QStringList MeasureFailures(const QStringList& images, const QString& errors) {
  static const QString kTool = QStringLiteral("zirt-measure: ");
  const QStringList lines = errors.split(QLatin1Char('\n'));
  QStringList failures;
  for (const QString& image : images) {
    const QString prefix = kTool + image + QStringLiteral(": ");
    for (const QString& line : lines) {
      if (!line.startsWith(prefix)) continue;
      failures << QFileInfo(image).fileName() + QStringLiteral(" — ") +
                      RussianReason(line.mid(prefix.size()));
      break;
    }
  }
  return failures;
}

}  // namespace zirt
