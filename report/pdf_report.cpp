#include "report/pdf_report.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QPageLayout>
#include <QPageSize>
#include <QPainterPath>
#include <QPdfWriter>
#include <algorithm>
#include <cmath>

#include "data/number_format.h"
#include "data/posix_file.h"
#include "data/text_file.h"
#include "diagnostics/sequence_test.h"
#include "diagnostics/zoom_steps.h"
#include "report/pdf_overview.h"
#include "report/pdf_pages.h"

namespace zirt {
namespace {

QString Q(const std::string& s) {
  return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// A figure with the regional separator; a dash when there is none.
QString Num(double v, int decimals) {
  return std::isfinite(v) ? Q(FormatFixed(v, 18, decimals)) : QStringLiteral("—");
}

QString Sha256(const std::string& path) {
  try {
    const std::string bytes = ReadFileBytes(path);
    return QString::fromLatin1(
        QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                 QCryptographicHash::Sha256)
            .toHex());
  } catch (const EFileError& e) {
    return QCoreApplication::translate("PdfReport", "не прочитан: ") + Q(e.Reason());
  }
}

QStringList EstimateRow(const QString& name, const std::optional<PointEstimate>& e) {
  if (!e) return {name, QCoreApplication::translate("PdfReport", "не найдена")};
  const bool u = e->has_uncertainty;
  return {name,
          Num(e->x, 4),
          Num(e->y, 4),
          u ? Num(e->sigma_x, 4) : QStringLiteral("—"),
          u ? Num(e->sigma_y, 4) : QStringLiteral("—"),
          u ? Num(e->correlation, 3) : QStringLiteral("—"),
          u ? Num(e->major_px, 3) + QStringLiteral(" × ") + Num(e->minor_px, 3) +
                  QStringLiteral(", ") + Num(e->angle_deg, 1) + QStringLiteral("°")
            : QStringLiteral("—"),
          QString::number(e->dof)};
}

// The title, the program's version and the command that made the report.
void Introduction(PdfPages& pages, const ReportInputs& in) {
  pages.Title(QCoreApplication::translate("PdfReport", "ZIRT — отчёт о калибровке главной точки"));
  pages.Paragraph(
      QCoreApplication::translate("PdfReport", "Программа ZIRT, версия %1. Отчёт составлен %2.")
          .arg(QString::fromLatin1(kReportVersion),
               QDateTime::currentDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm"))));
  pages.Paragraph(QCoreApplication::translate("PdfReport", "Команда: ") + Q(in.command), true);
}

// Every input file with the points seen in it and its checksum.
void Inputs(PdfPages& pages, const ReportInputs& in) {
  const std::vector<std::string>& files = in.analysis->Files();
  const std::vector<std::vector<Position>>& images = in.analysis->Positions();
  pages.Heading(QCoreApplication::translate("PdfReport", "Исходные данные"));
  std::vector<QStringList> inputs;
  for (std::size_t k = 0; k < files.size(); ++k) {
    // The points seen in the image; a point not seen is no measurement.
    const int count = k < images.size()
                          ? int(std::count_if(images[k].begin(), images[k].end(),
                                              [](const Position& q) {
                                                return std::isfinite(q.x) && std::isfinite(q.y);
                                              }))
                          : 0;
    inputs.push_back(
        {QString::number(k + 1), Q(files[k]), QString::number(count), Sha256(files[k])});
  }
  pages.Table({QStringLiteral("№"), QCoreApplication::translate("PdfReport", "Файл"),
               QCoreApplication::translate("PdfReport", "Точек"), QStringLiteral("SHA-256")},
              inputs, {0.05, 0.33, 0.08, 0.54},
              {PdfPages::Cells::kWords, PdfPages::Cells::kAnywhere, PdfPages::Cells::kWords,
               PdfPages::Cells::kMono});
}

// The three estimates of the point and the report's own lines.
void PrincipalPoint(PdfPages& pages, const ReportInputs& in) {
  const Calibration& calibration = in.analysis->State();
  const Diagnostics& d = in.analysis->Diagnosis();
  pages.Heading(QCoreApplication::translate("PdfReport", "Главная точка"));
  std::vector<QStringList> estimates;
  if (in.failure.empty())
    estimates.push_back({QCoreApplication::translate("PdfReport", "По отчёту"),
                         Num(calibration.PrincipalX, 4), Num(calibration.PrincipalY, 4),
                         QStringLiteral("—"), QStringLiteral("—"), QStringLiteral("—"),
                         QStringLiteral("—"), QStringLiteral("—")});
  else
    estimates.push_back({QCoreApplication::translate("PdfReport", "По отчёту"),
                         QCoreApplication::translate("PdfReport", "не найдена")});
  estimates.push_back(
      EstimateRow(QCoreApplication::translate("PdfReport", "Уточнённая"), d.refined));
  estimates.push_back(
      EstimateRow(QCoreApplication::translate("PdfReport", "Устойчивая"), d.robust));
  pages.Table({QCoreApplication::translate("PdfReport", "Оценка"),
               QCoreApplication::translate("PdfReport", "x0, пикс."),
               QCoreApplication::translate("PdfReport", "y0, пикс."),
               QCoreApplication::translate("PdfReport", "σ x0, пикс."),
               QCoreApplication::translate("PdfReport", "σ y0, пикс."),
               QCoreApplication::translate("PdfReport", "Корр. x0, y0"),
               QCoreApplication::translate("PdfReport", "Эллипс 95%: полуоси, пикс.; угол"),
               QCoreApplication::translate("PdfReport", "Степени свободы")},
              estimates, {0.13, 0.115, 0.115, 0.095, 0.095, 0.09, 0.24, 0.12});
  if (!in.failure.empty())
    pages.Paragraph(QCoreApplication::translate("PdfReport", "Счёт по отчёту не удался: ") +
                    Q(in.failure));
  QStringList report;
  for (const std::string& line : in.report) report << Q(line);
  pages.Paragraph(QCoreApplication::translate("PdfReport", "Строки отчёта:"));
  pages.Paragraph(report.join(QLatin1Char('\n')), true);
}

// The overview picture with its legend.
void Picture(PdfPages& pages, const ReportInputs& in) {
  const Calibration& calibration = in.analysis->State();
  const OverviewFigures figures{
      in.analysis->Positions(), in.analysis->Diagnosis(), in.analysis->Steps(),
      in.failure.empty()
          ? std::optional<Position>(Position{calibration.PrincipalX, calibration.PrincipalY})
          : std::nullopt};
  std::vector<QString> files;
  for (const std::string& file : in.analysis->Files()) files.push_back(Q(ShortName(file)));
  // The marks two to a line, then the images' colours three to a line.
  const std::vector<LegendItem> legend = OverviewLegend(figures, files);
  const auto first_image = std::find_if(legend.begin(), legend.end(),
                                        [](const LegendItem& i) { return i.mark == Mark::kImage; });
  const std::vector<LegendItem> marks(legend.begin(), first_image),
      images(first_image, legend.end());
  constexpr double kHeight = 310;
  // The heading, the picture and its legend on one page.
  pages.Keep(30 + kHeight + pages.LegendHeight(marks, 2) + pages.LegendHeight(images, 3));
  pages.Heading(QCoreApplication::translate("PdfReport", "Измерения и треки"));
  // The picture is 510 points wide on A4; a window's pixel is 0.55 of them.
  pages.Picture(kHeight, [&](QPainter& p, const QRectF& area) {
    PaintOverview(p, area, figures, area.width() / 510 * 0.55);
  });
  pages.Legend(marks, 2);
  pages.Legend(images, 3);
}

// The centre of each zoom step.
void Steps(PdfPages& pages, const ReportInputs& in) {
  const std::vector<ZoomStep>& steps = in.analysis->Steps();
  pages.Heading(QCoreApplication::translate("PdfReport", "Шаги зума"));
  if (steps.empty()) {
    pages.Paragraph(QCoreApplication::translate("PdfReport", "Шагов нет: снимков меньше двух."));
  } else {
    std::vector<QStringList> step_rows;
    for (const ZoomStep& step : steps)
      step_rows.push_back({QString::number(step.from + 1), QString::number(step.to + 1),
                           Num(step.scale, 4), Num(step.x, 2), Num(step.y, 2), Num(step.sigma_x, 2),
                           Num(step.sigma_y, 2)});
    pages.Table({QCoreApplication::translate("PdfReport", "Со снимка"),
                 QCoreApplication::translate("PdfReport", "На снимок"),
                 QCoreApplication::translate("PdfReport", "Масштаб"),
                 QCoreApplication::translate("PdfReport", "Центр x, пикс."),
                 QCoreApplication::translate("PdfReport", "Центр y, пикс."),
                 QCoreApplication::translate("PdfReport", "σ x, пикс."),
                 QCoreApplication::translate("PdfReport", "σ y, пикс.")},
                step_rows, {0.12, 0.12, 0.13, 0.16, 0.16, 0.155, 0.155});
    pages.Paragraph(QCoreApplication::translate(
        "PdfReport",
        "Для каждой пары соседних по зуму снимков, от самого широкого: центр, относительно "
        "которого точки, видимые на обоих, расходятся в «Масштаб» раз. Центры, что смещаются от "
        "шага к шагу больше своих σ, говорят об объективе, ось которого движется при зуме; точка "
        "отчёта и уточнённая точка — общий центр всей последовательности."));
  }
}

// Each image's residuals, set-aside count and shift, then the shift test's findings.
void Images(PdfPages& pages, const ReportInputs& in) {
  const std::vector<std::string>& files = in.analysis->Files();
  const Diagnostics& d = in.analysis->Diagnosis();
  const SequenceTest& sequence = in.analysis->Sequence();
  pages.Heading(QCoreApplication::translate("PdfReport", "Снимки"));
  std::vector<QStringList> image_rows;
  for (std::size_t k = 0; k < d.images.size(); ++k) {
    int set_aside = 0;
    for (const FlaggedMeasurement& f : d.outliers) set_aside += f.image == int(k);
    const ImageShift& s = sequence.images[k];
    image_rows.push_back(
        {QString::number(k + 1), k < files.size() ? Q(ShortName(files[k])) : QString(),
         QString::number(d.images[k].measurements), Num(d.images[k].rms_px, 3),
         set_aside ? QString::number(set_aside) : QString(),
         s.defined ? Num(s.dx, 3) + QStringLiteral("; ") + Num(s.dy, 3) : QStringLiteral("—"),
         s.defined ? Num(s.sigma_x, 3) + QStringLiteral("; ") + Num(s.sigma_y, 3)
                   : QStringLiteral("—"),
         s.defined ? Num(s.statistic, 2) : QStringLiteral("—"),
         s.flagged ? QCoreApplication::translate("PdfReport", "сдвинут") : QString()});
  }
  pages.Table({QStringLiteral("№"), QCoreApplication::translate("PdfReport", "Файл"),
               QCoreApplication::translate("PdfReport", "Измере­ний"),
               QCoreApplication::translate("PdfReport", "СКО, пикс."),
               QCoreApplication::translate("PdfReport", "Отбра­ковано"),
               QCoreApplication::translate("PdfReport", "Сдвиг dx; dy, пикс."),
               QCoreApplication::translate("PdfReport", "σ сдвига, пикс."), QStringLiteral("F"),
               QCoreApplication::translate("PdfReport", "Проверка")},
              image_rows, {0.05, 0.16, 0.1, 0.09, 0.1, 0.17, 0.15, 0.07, 0.11},
              {PdfPages::Cells::kWords, PdfPages::Cells::kAnywhere});

  pages.Heading(QCoreApplication::translate("PdfReport", "Проверка сдвига снимков"));
  pages.Paragraph(QCoreApplication::translate(
                      "PdfReport",
                      "Для каждого снимка — общий сдвиг его измерений относительно модели с общим "
                      "центром, с σ; проверка на уровне 1% на всю последовательность (поправка "
                      "Бонферрони по снимкам)%1.")
                      .arg(sequence.defined
                               ? QCoreApplication::translate("PdfReport", ", граница F(2, %1) = %2")
                                     .arg(d.refined ? d.refined->dof - 2 : 0)
                                     .arg(Num(sequence.bound, 2))
                               : QString()));
  for (const std::string& line : SequenceFindings(sequence, files)) pages.Paragraph(Q(line));
}

// The measurements set aside as gross errors.
void GrossErrors(PdfPages& pages, const ReportInputs& in) {
  const Diagnostics& d = in.analysis->Diagnosis();
  pages.Heading(QCoreApplication::translate("PdfReport", "Грубые ошибки"));
  if (d.outliers.empty()) {
    pages.Paragraph(QCoreApplication::translate("PdfReport", "Грубых измерений не найдено."));
  } else {
    std::vector<QStringList> rows;
    for (const FlaggedMeasurement& f : d.outliers)
      rows.push_back({QString::number(f.image + 1), QString::number(f.point + 1),
                      Num(f.residual_px, 3), Num(f.studentized, 2)});
    pages.Table({QCoreApplication::translate("PdfReport", "Снимок"),
                 QCoreApplication::translate("PdfReport", "Точка"),
                 QCoreApplication::translate("PdfReport", "Отклонение от трека, пикс."),
                 QCoreApplication::translate("PdfReport", "Стьюдентизированный остаток")},
                rows, {0.15, 0.15, 0.35, 0.35});
  }
  if (d.outlier_search_cut)
    pages.Paragraph(QCoreApplication::translate(
        "PdfReport", "Поиск грубых измерений прерван: их слишком много."));
}

// Up to this many reference points the table lists them all; beyond, a table of thousands of
// unremarkable rows would bury the report, so only the flagged ones are listed.
constexpr std::size_t kFullPointTable = 200;

// Each reference point's residuals: every flagged point, and the others when they are few.
void Points(PdfPages& pages, const ReportInputs& in) {
  const Diagnostics& d = in.analysis->Diagnosis();
  pages.Heading(QCoreApplication::translate("PdfReport", "Точки"));
  const bool all = d.points.size() <= kFullPointTable;
  std::vector<QStringList> point_rows;
  for (std::size_t i = 0; i < d.points.size(); ++i)
    if (all || d.points[i].flagged)
      point_rows.push_back(
          {QString::number(i + 1), QString::number(d.points[i].measurements),
           Num(d.points[i].rms_px, 3),
           d.points[i].flagged ? QCoreApplication::translate("PdfReport", "да") : QString()});
  if (!point_rows.empty())
    pages.Table({QCoreApplication::translate("PdfReport", "Точка"),
                 QCoreApplication::translate("PdfReport", "Измерений"),
                 QCoreApplication::translate("PdfReport", "СКО, пикс."),
                 QCoreApplication::translate("PdfReport", "Отбракована")},
                point_rows, {0.2, 0.25, 0.3, 0.25});
  if (all) return;
  pages.Paragraph(QCoreApplication::translate(
                      "PdfReport",
                      "Точек всего %1; в таблице — только точки с отбракованными измерениями, "
                      "остальные %2 не перечислены. Полная таблица точек — во вкладке «Точки» "
                      "окна «Диагностика» и в выводе zirt-batch --json («points»); измерения — "
                      "в файлах координат.")
                      .arg(d.points.size())
                      .arg(d.points.size() - point_rows.size()));
}

void Build(PdfPages& pages, const ReportInputs& in) {
  Introduction(pages, in);
  Inputs(pages, in);
  PrincipalPoint(pages, in);
  Picture(pages, in);
  Steps(pages, in);
  Images(pages, in);
  GrossErrors(pages, in);
  Points(pages, in);
}

}  // namespace

QByteArray PdfReport(const ReportInputs& inputs) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    writer.setResolution(720);
    writer.setTitle(
        QCoreApplication::translate("PdfReport", "ZIRT — отчёт о калибровке главной точки"));
    writer.setCreator(QStringLiteral("ZIRT ") + QString::fromLatin1(kReportVersion));
    PdfPages pages(writer);
    Build(pages, inputs);
  }
  return bytes;
}

void WritePdfReport(const std::string& path, const ReportInputs& inputs) {
  const QByteArray bytes = PdfReport(inputs);
  WriteFileAtomic(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
}

}  // namespace zirt
