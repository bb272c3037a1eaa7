// zirt-measure's reasons, in English on its error stream, put into the window's Russian with
// their figures kept.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace zirt {

// One reason ("the pattern is not found; a chessboard of 9x6 inner corners is in view: …")
// in Russian; a reason the window does not know is "не измерен".
QString RussianReason(const QString& reason);

// True when the reason says no board was found, where "Без мишени" may measure the images.
bool PatternNotFound(const QString& reason);

// True when the reason is the image file's own (damaged, unreadable, not a file, too large):
// no pattern measures it, so the image is best left out.
bool ImageFileFault(const QString& reason);

struct ImageFailure {
  QString image;    // as given to zirt-measure
  QString reason;   // in the window's language
  bool file_fault;  // ImageFileFault
};

// The first reason zirt-measure's `errors` give for each image they name, in the images' order.
std::vector<ImageFailure> FailedImages(const QStringList& images, const QString& errors);

// "1.png — повреждён" for each image zirt-measure's `errors` name, in the images' order, then
// the reasons about the images as a whole ("no marker … is seen in any image").
QStringList MeasureFailures(const QStringList& images, const QString& errors);

}  // namespace zirt
