#include "app/main/export_dialog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/diagnostics/diagnostics_text.h"
#include "calib/calibration.h"
#include "diagnostics/diagnostics.h"

namespace zirt {
namespace {

QString Caption(const ExportedPoint& p) {
  const QString name =
      p.estimate == "report" ? QCoreApplication::translate("ExportDialog", "Точка отчёта")
      : p.estimate == "refined" ? QCoreApplication::translate("ExportDialog", "Уточнённая точка")
                                : QCoreApplication::translate("ExportDialog", "Устойчивая точка");
  return QStringLiteral("%1: x0 = %2, y0 = %3")
      .arg(name, FormatNumber(p.x, 4), FormatNumber(p.y, 4));
}

}  // namespace

ExportDialog::ExportDialog(const Analysis& analysis, const QString& file,
                           const std::vector<std::string>& cameras, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QCoreApplication::translate("ExportDialog", "Записать в файл калибровки"));
  Points = new QComboBox(this);
  for (const char* estimate : {"report", "refined", "robust"})
    if (const std::optional<ExportedPoint> p =
            PointToExport(analysis.State(), analysis.Diagnosis(), estimate)) {
      points_.push_back(*p);
      Points->addItem(Caption(*p));
    }
  Cameras = new QComboBox(this);
  for (const std::string& camera : cameras) Cameras->addItem(QString::fromStdString(camera));
  Warning = new QLabel(this);
  Warning->setWordWrap(true);
  Warning->setStyleSheet(QStringLiteral("color: #c00000"));
  DiagnosticsData data;
  data.result = analysis.Diagnosis();
  data.report_point = Position{analysis.State().PrincipalX, analysis.State().PrincipalY};
  Warning->setText(ReportOutsideEllipse(data));

  auto* form = new QFormLayout;
  form->addRow(QCoreApplication::translate("ExportDialog", "Файл:"),
               new QLabel(QFileInfo(file).fileName(), this));
  form->addRow(QCoreApplication::translate("ExportDialog", "Точка:"), Points);
  if (!cameras.empty())
    form->addRow(QCoreApplication::translate("ExportDialog", "Камера:"), Cameras);
  Cameras->setVisible(!cameras.empty());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)
      ->setText(QCoreApplication::translate("ExportDialog", "Записать"));
  buttons->button(QDialogButtonBox::Cancel)
      ->setText(QCoreApplication::translate("ExportDialog", "Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Warning);
  layout->addWidget(buttons);
  const auto warn = [this] {
    Warning->setVisible(!Warning->text().isEmpty() && Points->currentIndex() == 0);
  };
  connect(Points, &QComboBox::currentIndexChanged, this, warn);
  warn();
}

ExportedPoint ExportDialog::Point() const {
  return points_.at(static_cast<std::size_t>(Points->currentIndex()));
}

ExportOptions ExportDialog::Options() const {
  ExportOptions options;
  if (Cameras->count() > 0) {
    options.colmap_camera = Cameras->currentText().toStdString();
    options.kalibr_camera = *options.colmap_camera;
  }
  return options;
}

}  // namespace zirt
