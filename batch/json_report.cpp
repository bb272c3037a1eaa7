#include "batch/json_report.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <cmath>
#include <ostream>

#include "diagnostics/diagnostics.h"
#include "diagnostics/sequence_test.h"
#include "diagnostics/zoom_steps.h"

namespace zirt {
namespace {

// JSON holds no NaN: a figure that cannot be had is null.
QJsonValue Number(double v) {
  return std::isfinite(v) ? QJsonValue(v) : QJsonValue();
}

// Text as JSON holds it: bytes that are not UTF-8 become U+FFFD.
QJsonValue Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QJsonValue Estimate(const std::optional<PointEstimate>& e) {
  if (!e) return QJsonValue();
  QJsonObject o;
  o["x"] = Number(e->x);
  o["y"] = Number(e->y);
  o["sigma_x"] = Number(e->sigma_x);
  o["sigma_y"] = Number(e->sigma_y);
  o["correlation"] = Number(e->correlation);
  o["sigma0_px"] = Number(e->sigma0_px);
  o["dof"] = e->dof;
  o["measurements"] = e->measurements;
  o["tracks"] = e->tracks;
  o["rms_px"] = Number(e->rms_px);
  if (e->has_uncertainty) {
    QJsonObject ellipse;
    ellipse["major_px"] = Number(e->major_px);
    ellipse["minor_px"] = Number(e->minor_px);
    ellipse["angle_deg"] = Number(e->angle_deg);
    o["ellipse95"] = ellipse;
  } else {
    o["ellipse95"] = QJsonValue();
  }
  return o;
}

QJsonArray Outliers(const Diagnostics& d) {
  QJsonArray outliers;
  for (const FlaggedMeasurement& f : d.outliers) {
    QJsonObject o;
    o["image"] = f.image + 1;
    o["point"] = f.point + 1;
    o["residual_px"] = Number(f.residual_px);
    o["studentized"] = Number(f.studentized);
    outliers.append(o);
  }
  return outliers;
}

// Each image's residual and its shift in the sequence test.
QJsonArray Images(const Diagnostics& d, const SequenceTest& sequence,
                  const std::vector<std::string>& files) {
  QJsonArray images;
  for (std::size_t k = 0; k < d.images.size(); ++k) {
    QJsonObject o;
    o["file"] = k < files.size() ? Text(files[k]) : QJsonValue();
    o["rms_px"] = Number(d.images[k].rms_px);
    const ImageShift* s =
        k < sequence.images.size() && sequence.images[k].defined ? &sequence.images[k] : nullptr;
    o["shift_px"] = s ? QJsonArray{Number(s->dx), Number(s->dy)} : QJsonValue();
    o["shift_sigma_px"] = s ? QJsonArray{Number(s->sigma_x), Number(s->sigma_y)} : QJsonValue();
    o["shift_flagged"] = s ? s->flagged : false;
    images.append(o);
  }
  return images;
}

QJsonObject SequenceTestOf(const SequenceTest& sequence, const std::vector<std::string>& files) {
  QJsonObject test;
  test["defined"] = sequence.defined;
  test["level"] = kShiftLevel;
  test["bound_f"] = sequence.defined ? Number(sequence.bound) : QJsonValue();
  QJsonArray findings;
  for (const std::string& line : SequenceFindings(sequence, files)) findings.append(Text(line));
  test["findings"] = findings;
  return test;
}

QJsonArray Points(const Diagnostics& d) {
  QJsonArray points;
  for (std::size_t i = 0; i < d.points.size(); ++i) {
    QJsonObject o;
    o["point"] = static_cast<qint64>(i + 1);
    o["rms_px"] = Number(d.points[i].rms_px);
    o["flagged"] = d.points[i].flagged;
    points.append(o);
  }
  return points;
}

QJsonArray Steps(const std::vector<ZoomStep>& zoom_steps) {
  QJsonArray steps;
  for (const ZoomStep& step : zoom_steps) {
    QJsonObject o;
    o["from"] = step.from + 1;
    o["to"] = step.to + 1;
    o["scale"] = Number(step.scale);
    o["x"] = Number(step.x);
    o["y"] = Number(step.y);
    o["sigma_x"] = Number(step.sigma_x);
    o["sigma_y"] = Number(step.sigma_y);
    steps.append(o);
  }
  return steps;
}

QJsonArray Texts(const std::vector<std::string>& texts) {
  QJsonArray array;
  for (const std::string& text : texts) array.append(Text(text));
  return array;
}

}  // namespace

void WriteBatchJson(std::ostream& out, const std::vector<std::string>& report,
                    const std::string& failure, const Analysis& analysis) {
  const std::vector<std::string>& files = analysis.Files();
  const Calibration& calibration = analysis.State();
  QJsonObject root;
  root["files"] = Texts(files);
  root["report"] = Texts(report);
  root["error"] = failure.empty() ? QJsonValue() : Text(failure);
  if (failure.empty()) {
    QJsonObject point;
    point["x"] = Number(calibration.PrincipalX);
    point["y"] = Number(calibration.PrincipalY);
    root["principal_point"] = point;
  } else {
    root["principal_point"] = QJsonValue();
  }
  const Diagnostics& d = analysis.Diagnosis();
  root["refined"] = Estimate(d.refined);
  root["robust"] = Estimate(d.robust);
  root["outliers"] = Outliers(d);
  root["outlier_search_stopped"] = d.outlier_search_cut;
  root["consistent"] = Consistent(d.refined);
  const SequenceTest& sequence = analysis.Sequence();
  root["images"] = Images(d, sequence, files);
  root["sequence_test"] = SequenceTestOf(sequence, files);
  root["points"] = Points(d);
  root["steps"] = Steps(analysis.Steps());
  const QByteArray json = QJsonDocument(root).toJson(QJsonDocument::Indented);
  out.write(json.constData(), static_cast<std::streamsize>(json.size()));
}

}  // namespace zirt
