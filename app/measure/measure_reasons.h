// zirt-measure's reasons, in English on its error stream, put into the window's Russian with
// their figures kept.
#pragma once

#include <QString>
#include <QStringList>

namespace zirt {

// One reason ("the pattern is not found; a chessboard of 9x6 inner corners is in view: …")
// in Russian; a reason the window does not know is "не измерен".
QString RussianReason(const QString& reason);

// True when the reason says no board was found, where "Без мишени" may measure the images.
bool PatternNotFound(const QString& reason);

// "1.png — повреждён" for each image zirt-measure's `errors` name, in the images' order.
QStringList MeasureFailures(const QStringList& images, const QString& errors);

}  // namespace zirt
