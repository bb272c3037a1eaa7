// The choice "Записать в файл калибровки…" asks for once a file is picked: which point goes in
// (the report's, the refined or the robust one) and, in a file of several cameras, which one.
#pragma once

#include <QDialog>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "export/calibration_export.h"

class QComboBox;
class QLabel;

namespace zirt {

class Calibration;

class ExportDialog : public QDialog {
  Q_OBJECT

 public:
  // `cameras` as CamerasIn gives them: empty hides the camera choice.
  ExportDialog(const Analysis& analysis, const QString& file,
               const std::vector<std::string>& cameras, QWidget* parent);

  // The point chosen, with what its comment says; the camera for ExportOptions.
  ExportedPoint Point() const;
  ExportOptions Options() const;

  QComboBox* Points = nullptr;
  QComboBox* Cameras = nullptr;  // hidden when the file holds one camera
  QLabel* Warning = nullptr;     // the report's point outside the refined one's 95% ellipse

 private:
  std::vector<ExportedPoint> points_;
};

}  // namespace zirt
