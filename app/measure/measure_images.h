// "Файл → Измерить снимки…": photographs of a calibration pattern in, coordinate files beside
// them out, loaded as the load command loads hand-made ones.
#pragma once

#include <QString>
#include <QStringList>

class TMPForm;

namespace zirt {

class Platform;

// The coordinate file written for an image: its name without the last extension, ".crd".
QString CoordinateFileBeside(const QString& image);

// Picks the images, asks the pattern, measures them behind a progress bar, shows the marks for
// checking, then writes the files and loads them into `form`. Any step may be cancelled;
// nothing is written before the user accepts the marks.
void MeasureImagesCommand(TMPForm& form, Platform& platform);

}  // namespace zirt
