#include "app/diagnostics/diagnostics_text.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <utility>

#include "data/decimal_separator.h"
#include "diagnostics/ellipse_check.h"

namespace zirt {
namespace {

// Beyond these the legend would hide the picture; the image table shows every image's colour.
constexpr std::size_t kLegendImages = 8;

// Functions, not constants: the texts follow the interface's language as it is switched.
QString None() {
  return QCoreApplication::translate("DiagnosticsText", "нет");
}
const QString kDash = QStringLiteral("—");
QString NotFound() {
  return QCoreApplication::translate("DiagnosticsText", "не найдена");
}
QString NoUncertainty() {
  return QCoreApplication::translate("DiagnosticsText", "нет: мало измерений");
}

QString WithSigma(double value, double sigma, bool has_sigma) {
  if (!has_sigma) return FormatNumber(value, 3);
  return FormatNumber(value, 3) + QStringLiteral(" ± ") + FormatNumber(sigma, 3);
}

// The rows of one estimate's column, in the order of EstimateRows.
QStringList EstimateColumn(const std::optional<PointEstimate>& e) {
  if (!e) return {NotFound(), NotFound(), kDash, kDash, kDash, kDash, kDash, kDash, kDash};
  const bool u = e->has_uncertainty;
  const auto uncertain = [&](double value, int decimals) {
    return u ? FormatNumber(value, decimals) : NoUncertainty();
  };
  return {WithSigma(e->x, e->sigma_x, u),
          WithSigma(e->y, e->sigma_y, u),
          uncertain(e->correlation, 3),
          uncertain(e->major_px, 3),
          uncertain(e->minor_px, 3),
          uncertain(e->angle_deg, 1),
          QString::number(e->dof),
          FormatNumber(e->rms_px, 3),
          QStringLiteral("%1 / %2").arg(e->measurements).arg(e->tracks)};
}

int FlaggedIn(const DiagnosticsData& data, bool by_image, int index) {
  int count = 0;
  for (const FlaggedMeasurement& m : data.result.outliers)
    if ((by_image ? m.image : m.point) == index) ++count;
  return count;
}

}  // namespace

DiagnosticsData CollectDiagnostics(std::vector<QString> files,
                                   std::vector<std::vector<Position>> images,
                                   std::optional<Position> report_point, QString report_failure) {
  DiagnosticsData data;
  data.result = Diagnose(images);
  data.sequence = TestSequence(images, data.result);
  data.steps = ZoomSteps(images);
  data.files = std::move(files);
  data.images = std::move(images);
  data.report_point = report_point;
  data.report_failure = std::move(report_failure);
  return data;
}

DiagnosticsData CollectDiagnostics(std::vector<QString> files, const Analysis& analysis,
                                   std::optional<Position> report_point, QString report_failure) {
  DiagnosticsData data;
  data.result = analysis.Diagnosis();
  data.sequence = analysis.Sequence();
  data.steps = analysis.Steps();
  data.files = std::move(files);
  data.images = analysis.Positions();
  data.report_point = report_point;
  data.report_failure = std::move(report_failure);
  return data;
}

QString FormatNumber(double value, int decimals) {
  if (!std::isfinite(value)) return None();
  QString text = QString::number(value, 'f', decimals);
  if (text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 2)
    text.remove(0, 1);  // "-0.000" reads as a sign that is not there
  return text.replace(QLatin1Char('.'), QLatin1Char(DecimalSeparator()));
}

QStringList EstimateHeaders() {
  return {QString(), QCoreApplication::translate("DiagnosticsText", "По отчёту"),
          QCoreApplication::translate("DiagnosticsText", "Уточнённая"),
          QCoreApplication::translate("DiagnosticsText", "Устойчивая")};
}

std::vector<QStringList> EstimateRows(const DiagnosticsData& data) {
  const QStringList captions = {
      QCoreApplication::translate("DiagnosticsText", "x0, пикс."),
      QCoreApplication::translate("DiagnosticsText", "y0, пикс."),
      QCoreApplication::translate("DiagnosticsText", "Корреляция x0 и y0"),
      QCoreApplication::translate("DiagnosticsText", "Эллипс 95%: большая полуось, пикс."),
      QCoreApplication::translate("DiagnosticsText", "Эллипс 95%: малая полуось, пикс."),
      QCoreApplication::translate("DiagnosticsText", "Эллипс 95%: угол оси, °"),
      QCoreApplication::translate("DiagnosticsText", "Степени свободы"),
      QCoreApplication::translate("DiagnosticsText", "СКО невязок, пикс."),
      QCoreApplication::translate("DiagnosticsText", "Измерений / треков")};
  QStringList report(captions.size(), kDash);
  if (data.report_point) {
    report[0] = FormatNumber(data.report_point->x, 4);
    report[1] = FormatNumber(data.report_point->y, 4);
  } else {
    report[0] = report[1] = NotFound();
  }
  const QStringList refined = EstimateColumn(data.result.refined);
  const QStringList robust = EstimateColumn(data.result.robust);
  std::vector<QStringList> rows;
  for (qsizetype r = 0; r < captions.size(); ++r)
    rows.push_back({captions[r], report[r], refined[r], robust[r]});
  return rows;
}

QString ReportOutsideEllipse(const DiagnosticsData& data) {
  if (!data.report_point || !data.result.refined) return {};
  const double reach =
      EllipseReach(*data.result.refined, data.report_point->x, data.report_point->y);
  if (!(reach > 1)) return {};
  return QCoreApplication::translate(
             "DiagnosticsText",
             "Точка отчёта лежит вне 95%-го эллипса уточнённой точки (в %1 раза дальше его "
             "края): уточнённая или устойчивая точка вернее.")
      .arg(FormatNumber(reach, 1));
}

QString EstimateNotes(const DiagnosticsData& data) {
  QStringList notes;
  if (!data.report_point)
    notes << QCoreApplication::translate("DiagnosticsText", "Счёт по отчёту не удался: %1")
                 .arg(data.report_failure);
  if (!data.result.refined)
    notes << QCoreApplication::translate(
        "DiagnosticsText",
        "Уточнённая точка не найдена: меньше двух точек измерены хотя бы на двух снимках, "
        "или система уравнений вырождена.");
  else if (!data.result.refined->has_uncertainty)
    notes << QCoreApplication::translate(
        "DiagnosticsText",
        "Измерений слишком мало, чтобы оценить точность (степеней свободы "
        "нет).");
  if (const QString far = ReportOutsideEllipse(data); !far.isEmpty()) notes << far;
  if (!data.result.outliers.empty())
    notes << QCoreApplication::translate("DiagnosticsText", "Отбраковано грубых измерений: %1.")
                 .arg(data.result.outliers.size());
  if (data.result.outlier_search_cut)
    notes << QCoreApplication::translate("DiagnosticsText",
                                         "Поиск грубых измерений прерван: их слишком много.");
  // A sequence where no image moved says nothing here.
  const bool moved = std::any_of(data.sequence.images.begin(), data.sequence.images.end(),
                                 [](const ImageShift& s) { return s.flagged; });
  const bool set_aside =
      std::any_of(data.sequence.set_aside.begin(), data.sequence.set_aside.end(),
                  [](const std::vector<int>& points) { return !points.empty(); });
  if (moved || set_aside || (!data.sequence.defined && data.result.refined)) {
    std::vector<std::string> names;
    for (const QString& file : data.files) names.push_back(file.toStdString());
    for (const std::string& line : SequenceFindings(data.sequence, names))
      notes << QString::fromStdString(line);
  }
  return notes.join(QLatin1Char('\n'));
}

QString ConsistencyWarning(const DiagnosticsData& data) {
  if (Consistent(data.result.refined)) return {};
  return QCoreApplication::translate(
             "DiagnosticsText",
             "Измерения не сходятся в одной точке: σ̂ = %1 пикс. (больше %2 пикс.). Точки "
             "измерены вручную или пронумерованы неверно, или снимки не одна серия зума.")
      .arg(FormatNumber(data.result.refined->sigma0_px, 3))
      .arg(FormatNumber(kConsistentSigmaPx, 0));
}

QStringList PointHeaders() {
  return {QCoreApplication::translate("DiagnosticsText", "Точка"),
          QCoreApplication::translate("DiagnosticsText", "Измерений"),
          QCoreApplication::translate("DiagnosticsText", "СКО, пикс."),
          QCoreApplication::translate("DiagnosticsText", "Отбракована")};
}

QString PointCell(const DiagnosticsData& data, int point, int column) {
  const PointResidual& p = data.result.points[static_cast<std::size_t>(point)];
  switch (column) {
    case 0:
      return QString::number(point + 1);
    case 1:
      return QString::number(p.measurements);
    case 2:
      return FormatNumber(p.rms_px, 3);
    default:
      return p.flagged ? QCoreApplication::translate("DiagnosticsText", "да (%1)")
                             .arg(FlaggedIn(data, false, point))
                       : QString();
  }
}

QStringList StepHeaders() {
  return {QCoreApplication::translate("DiagnosticsText", "Со снимка"),
          QCoreApplication::translate("DiagnosticsText", "На снимок"),
          QCoreApplication::translate("DiagnosticsText", "Масштаб"),
          QCoreApplication::translate("DiagnosticsText", "Центр x, пикс."),
          QCoreApplication::translate("DiagnosticsText", "Центр y, пикс."),
          QCoreApplication::translate("DiagnosticsText", "σ x, пикс."),
          QCoreApplication::translate("DiagnosticsText", "σ y, пикс.")};
}

QString StepCell(const DiagnosticsData& data, int step, int column) {
  const ZoomStep& s = data.steps[static_cast<std::size_t>(step)];
  switch (column) {
    case 0:
      return QString::number(s.from + 1);
    case 1:
      return QString::number(s.to + 1);
    case 2:
      return FormatNumber(s.scale, 4);
    case 3:
      return FormatNumber(s.x, 2);
    case 4:
      return FormatNumber(s.y, 2);
    case 5:
      return FormatNumber(s.sigma_x, 2);
    default:
      return FormatNumber(s.sigma_y, 2);
  }
}

QStringList ImageHeaders() {
  return {QCoreApplication::translate("DiagnosticsText", "Снимок"),
          QCoreApplication::translate("DiagnosticsText", "Файл"),
          QCoreApplication::translate("DiagnosticsText", "Измерений"),
          QCoreApplication::translate("DiagnosticsText", "СКО, пикс."),
          QCoreApplication::translate("DiagnosticsText", "Отбраковано")};
}

QString ImageCell(const DiagnosticsData& data, int image, int column) {
  const ImageResidual& m = data.result.images[static_cast<std::size_t>(image)];
  switch (column) {
    case 0:
      return QString::number(image + 1);
    case 1:
      return data.files[static_cast<std::size_t>(image)];
    case 2:
      return QString::number(m.measurements);
    case 3:
      return FormatNumber(m.rms_px, 3);
    default: {
      const int flagged = FlaggedIn(data, true, image);
      return flagged > 0 ? QString::number(flagged) : QString();
    }
  }
}

QStringList ShiftHeaders() {
  return {QCoreApplication::translate("DiagnosticsText", "Снимок"),
          QCoreApplication::translate("DiagnosticsText", "Файл"),
          // Short: eight columns share the window's left half.
          QCoreApplication::translate("DiagnosticsText", "dx, пикс."),
          QCoreApplication::translate("DiagnosticsText", "dy, пикс."),
          QStringLiteral("σ dx"),
          QStringLiteral("σ dy"),
          QStringLiteral("F"),
          QCoreApplication::translate("DiagnosticsText", "Проверка")};
}

QString ShiftCell(const DiagnosticsData& data, int image, int column) {
  const auto k = static_cast<std::size_t>(image);
  if (column == 0) return QString::number(image + 1);
  if (column == 1) return k < data.files.size() ? data.files[k] : QString();
  const ImageShift& s = data.sequence.images[k];
  if (!s.defined) return column == 7 ? QString() : kDash;
  switch (column) {
    case 2:
      return FormatNumber(s.dx, 3);
    case 3:
      return FormatNumber(s.dy, 3);
    case 4:
      return FormatNumber(s.sigma_x, 3);
    case 5:
      return FormatNumber(s.sigma_y, 3);
    case 6:
      return FormatNumber(s.statistic, 2);
    default:
      return s.flagged ? QCoreApplication::translate("DiagnosticsText", "сдвинут") : QString();
  }
}

bool ShiftFlagged(const DiagnosticsData& data, int image) {
  return data.sequence.images[static_cast<std::size_t>(image)].flagged;
}

QString ShiftSummary(const DiagnosticsData& data) {
  QStringList lines;
  if (data.sequence.defined)
    lines << QCoreApplication::translate(
                 "DiagnosticsText",
                 "Для каждого снимка — общий сдвиг его измерений относительно модели с общим "
                 "центром, с σ. Снимок сдвинут, когда его F больше границы F(2, %1) = %2: "
                 "уровень 1% на всю последовательность (поправка Бонферрони по снимкам).")
                 .arg(data.result.refined ? data.result.refined->dof - 2 : 0)
                 .arg(FormatNumber(data.sequence.bound, 2));
  std::vector<std::string> names;
  for (const QString& file : data.files) names.push_back(file.toStdString());
  for (const std::string& line : SequenceFindings(data.sequence, names))
    lines << QString::fromStdString(line);
  return lines.join(QLatin1Char('\n'));
}

bool PointFlagged(const DiagnosticsData& data, int point) {
  return data.result.points[static_cast<std::size_t>(point)].flagged;
}

bool ImageFlagged(const DiagnosticsData& data, int image) {
  return FlaggedIn(data, true, image) > 0;
}

double EllipseMagnification(double major_screen_px) {
  if (!(major_screen_px > 0) || !std::isfinite(major_screen_px)) return 1;
  double factor = 1;
  // 1, 2, 5, 10, 20, 50 …; bounded, as a zero-width ellipse needs no endless search.
  for (int step = 0; major_screen_px * factor < kEllipseMinPixels && step < 60; ++step)
    factor *= (step % 3 == 1) ? 2.5 : 2;
  return factor;
}

std::vector<LegendItem> LegendItems(const DiagnosticsData& data, double magnification,
                                    int track_stride) {
  std::vector<LegendItem> items;
  if (data.report_point) items.emplace_back(Mark::kReportPoint, MarkName(Mark::kReportPoint));
  if (!data.result.refined) {
    items.emplace_back(
        Mark::kNone, QCoreApplication::translate("DiagnosticsText", "Уточнённая точка не найдена"));
  } else {
    items.emplace_back(Mark::kRefinedPoint, MarkName(Mark::kRefinedPoint));
    if (data.result.refined->has_uncertainty) {
      QString ellipse = QCoreApplication::translate("DiagnosticsText", "Её эллипс 95%");
      if (magnification > 1)
        ellipse += QCoreApplication::translate("DiagnosticsText", ", увеличен в %1 раз")
                       .arg(magnification, 0, 'g', 12);
      items.emplace_back(Mark::kEllipse, ellipse);
    }
  }
  if (data.result.robust) items.emplace_back(Mark::kRobustPoint, MarkName(Mark::kRobustPoint));
  if (data.result.refined)
    items.emplace_back(
        Mark::kTrack,
        track_stride > 1
            ? QCoreApplication::translate("DiagnosticsText",
                                          "Каждый %1-й трек через уточнённую точку")
                  .arg(track_stride)
            : QCoreApplication::translate("DiagnosticsText", "Треки через уточнённую точку"));
  if (!data.result.outliers.empty()) items.emplace_back(Mark::kSetAside, MarkName(Mark::kSetAside));
  if (std::any_of(data.steps.begin(), data.steps.end(),
                  [](const ZoomStep& s) { return std::isfinite(s.x) && std::isfinite(s.y); }))
    items.emplace_back(Mark::kStepPath, MarkName(Mark::kStepPath));
  for (LegendItem& item : ImageLegend(data.files, kLegendImages)) items.push_back(std::move(item));
  return items;
}

}  // namespace zirt
