// The small dialog that asks which calibration pattern the photographs show and its counts.
#pragma once

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace zirt {

// What zirt-measure is told; kept for the session so the next run starts from it.
struct MeasureSettings {
  int kind = 0;  // 0 chessboard, 1 circle grid, 2 asymmetric circle grid, 3 the scene itself.
  int cols = 9;
  int rows = 6;
  bool find_size = true;  // a chessboard's size found from the first image
  // zirt-measure's pattern arguments: "--chessboard 9x6", "--chessboard auto" or "--features".
  QStringList Arguments() const;
};

class MeasureSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  MeasureSettingsDialog(const MeasureSettings& settings, QWidget* parent);
  MeasureSettings Settings() const;

  QComboBox* Kind = nullptr;
  QSpinBox* Cols = nullptr;
  QSpinBox* Rows = nullptr;
  QCheckBox* FindSize = nullptr;
};

}  // namespace zirt
