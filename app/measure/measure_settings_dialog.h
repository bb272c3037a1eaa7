// The dialog before measuring: the photographs to measure, which can be taken off the list,
// and which calibration pattern they show with its counts.
#pragma once

#include <QDialog>
#include <QStringList>
#include <vector>

#include "app/measure/measure_reasons.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLayout;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace zirt {

// What zirt-measure is told; kept for the session so the next run starts from it.
struct MeasureSettings {
  // 0 chessboard, 1 circle grid, 2 asymmetric circle grid, 3 the scene itself, 4 a ChArUco
  // board, 5 an AprilGrid.
  int kind = 0;
  int cols = 9;  // inner corners or circles; squares of a ChArUco board, tags of an AprilGrid
  int rows = 6;
  bool find_size = true;  // a chessboard's size found from the first image
  QString dictionary = QStringLiteral("DICT_5X5_100");  // a ChArUco board's markers
  double tag_spacing = 0.3;                             // an AprilGrid's gaps, of a tag
  // zirt-measure's pattern arguments: "--chessboard 9x6", "--chessboard auto", "--features",
  // "--charuco 11x8:DICT_5X5_100" or "--aprilgrid 6x6 --tag-spacing 0.3".
  QStringList Arguments() const;
};

class MeasureSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // `failures`, from a measuring that failed, are marked in the list with their reasons; those
  // whose files are at fault come selected, so one press of Убрать (or Delete) drops them.
  MeasureSettingsDialog(const MeasureSettings& settings, const QStringList& images,
                        const std::vector<ImageFailure>& failures, QWidget* parent);
  MeasureSettings Settings() const;
  // The images left in the list, in their order.
  QStringList ImagePaths() const;

  QListWidget* Images = nullptr;
  QPushButton* Remove = nullptr;
  QLabel* Problem = nullptr;  // which images failed and why; hidden when none did
  QComboBox* Kind = nullptr;
  QSpinBox* Cols = nullptr;
  QSpinBox* Rows = nullptr;
  QCheckBox* FindSize = nullptr;
  QComboBox* Dictionary = nullptr;
  QDoubleSpinBox* TagSpacing = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLayout* MakeImageList(const QStringList& images, const std::vector<ImageFailure>& failures);
  QFormLayout* MakePatternForm(const MeasureSettings& settings);
  void RemoveSelected();
  void Explain();

  QFormLayout* form_ = nullptr;
  QLabel* hint_ = nullptr;
  QPushButton* measure_ = nullptr;
};

// OpenCV's predefined marker dictionaries by name, the default first.
QStringList MarkerDictionaries();

}  // namespace zirt
