// The program's own pictures: the window icon and the picture shown before the first load.
#pragma once

#include <QIcon>
#include <QImage>

namespace zirt {

// Converging lines meeting at a red cross, drawn at several sizes.
QIcon MakeWindowIcon();

// The stored picture of the image plane (1018 × 717), decoded from the resources; a null
// image if the resources are damaged. With `at_least`, decoded no larger than needed to
// cover that size.
QImage LoadPreviewPicture(QSize at_least = QSize());

}  // namespace zirt
