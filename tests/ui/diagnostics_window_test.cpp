// The diagnostics window: opened from the computation menu, its figures as texts, the flagged
// rows, the picture's highlight and its export.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSvgRenderer>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "app/diagnostics/diagnostics_text.h"
#include "app/diagnostics/diagnostics_window.h"
#include "app/diagnostics/overview_view.h"
#include "app/main/image_view.h"
#include "app/main/mpkalibr.h"
#include "data/number_format.h"
#include "data/text_file.h"
#include "report/pdf_overview.h"
#include "tests/core/separator_guard.h"
#include "tests/support/scripted_platform.h"

using zirt::Position;
using zirt::testing::ScriptedPlatform;

namespace {

// A zoom sequence about (960, 540): 10 reference points on 4 images, a little noise that
// repeats, and optionally point 6 of image 3 moved 20 px across its track.
std::vector<std::vector<Position>> Zoom(bool gross_error) {
  std::vector<std::vector<Position>> images;
  const double zooms[] = {0.8, 0.93, 1.07, 1.2};
  for (int k = 0; k < 4; ++k) {
    std::vector<Position> image;
    for (int j = 0; j < 10; ++j) {
      const double dx = 300 * std::cos(j * 0.7) + 40 * j, dy = 250 * std::sin(j * 1.3);
      const double noise = 0.3 * std::sin(17.0 * (k * 10 + j));
      image.push_back({960 + zooms[k] * dx + noise, 540 + zooms[k] * dy - noise});
    }
    images.push_back(image);
  }
  if (gross_error) {
    Position& p = images[2][5];
    const double dx = p.x - 960, dy = p.y - 540, length = std::hypot(dx, dy);
    p = {p.x - 20 * dy / length, p.y + 20 * dx / length};
  }
  return images;
}

QByteArray CrdText(const std::vector<Position>& image) {
  QByteArray text;
  for (const Position& p : image)
    text += QByteArray::number(p.x, 'f', 3) + " ; " + QByteArray::number(p.y, 'f', 3) + "\r\n";
  return text;
}

}  // namespace

class DiagnosticsWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    platform_ = std::make_unique<ScriptedPlatform>();
    platform_->SetCurrentFolder(folder_.path());
    form_ = std::make_unique<TMPForm>(*platform_);
  }
  void cleanup() { form_.reset(); }

  // Loads the images as files and computes from the main window.
  void LoadAndCompute(const std::vector<std::vector<Position>>& images) {
    Load(images);
    form_->Button1->click();
  }
  void Load(const std::vector<std::vector<Position>>& images) {
    QStringList paths;
    for (std::size_t k = 0; k < images.size(); ++k) {
      paths << folder_.filePath(QStringLiteral("img%1.crd").arg(k + 1));
      QFile file(paths.back());
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(CrdText(images[k]));
    }
    platform_->ScriptOpenFiles(paths);
    form_->Button2->click();
  }

  QStringList CameraLines(const QString& name) {
    QStringList lines;
    for (const std::string& line : zirt::ReadLines(folder_.filePath(name).toStdString()))
      lines << QString::fromStdString(line);
    return lines;
  }

  void Figures_data() {
    QTest::addColumn<int>("images");
    QTest::addColumn<int>("points");
    QTest::addColumn<QString>("refined_x");    // how the refined x0 cell starts
    QTest::addColumn<QString>("robust_axis");  // the robust ellipse's major semi-axis cell
    QTest::addColumn<QString>("notes");        // a phrase the notes hold
    QTest::newRow("zoom") << 4 << 10 << "96"
                          << "0."
                          << "Отбраковано грубых измерений: 1";
    QTest::newRow("no dof") << 2 << 2 << "9"
                            << "нет: мало измерений"
                            << "оценить точность";
    QTest::newRow("two images") << 2 << 10 << "9"
                                << "1."
                                << "нужно не меньше трёх снимков";
    QTest::newRow("one point") << 3 << 1 << "не найдена"
                               << "—"
                               << "не найдена";
  }
  void Figures() {
    QFETCH(int, images);
    QFETCH(int, points);
    auto data = Zoom(true);
    data.resize(static_cast<std::size_t>(images));
    for (auto& image : data) image.resize(static_cast<std::size_t>(points));
    const zirt::DiagnosticsData d =
        zirt::CollectDiagnostics({}, data, std::nullopt, QStringLiteral("Floating point"));
    const auto rows = zirt::EstimateRows(d);
    QCOMPARE(rows[0][1], QStringLiteral("не найдена"));
    QFETCH(QString, refined_x);
    QFETCH(QString, robust_axis);
    QFETCH(QString, notes);
    QVERIFY2(rows[0][2].startsWith(refined_x), qPrintable(rows[0][2]));
    QVERIFY2(rows[3][3].startsWith(robust_axis), qPrintable(rows[3][3]));
    QVERIFY2(zirt::EstimateNotes(d).contains(notes), qPrintable(zirt::EstimateNotes(d)));
    QVERIFY(zirt::EstimateNotes(d).contains(QStringLiteral("Floating point")));
  }

  // The red warning follows the refined fit's σ̂: none on a clean zoom, one when an image's
  // points are numbered off by a few places.
  void WarnsWhenMeasurementsMissOnePoint() {
    const auto clean = zirt::CollectDiagnostics({}, Zoom(false), std::nullopt, QString());
    QVERIFY(zirt::ConsistencyWarning(clean).isEmpty());
    auto shifted = Zoom(false);
    std::rotate(shifted[1].begin(), shifted[1].begin() + 3, shifted[1].end());
    const auto d = zirt::CollectDiagnostics({}, shifted, std::nullopt, QString());
    QVERIFY2(zirt::ConsistencyWarning(d).startsWith(QStringLiteral("Измерения не сходятся")),
             qPrintable(zirt::ConsistencyWarning(d)));
  }

  // The report's point outside the refined point's 95% ellipse is said, with how far; one
  // inside is not.
  void ReportPointOutsideTheEllipseIsNoted() {
    const auto clean = zirt::CollectDiagnostics({}, Zoom(false), std::nullopt, QString());
    const zirt::PointEstimate e = *clean.result.refined;
    const double a = e.angle_deg * 3.14159265358979323846 / 180;
    for (const auto& [along, across, noted] :
         {std::tuple{0.9, 0.0, false}, {0.0, 0.9, false}, {0.0, 1.2, true}, {2.5, 0.0, true}}) {
      const zirt::Position p{
          e.x + along * e.major_px * std::cos(a) - across * e.minor_px * std::sin(a),
          e.y + along * e.major_px * std::sin(a) + across * e.minor_px * std::cos(a)};
      const auto d = zirt::CollectDiagnostics({}, Zoom(false), p, QString());
      QCOMPARE(zirt::EstimateNotes(d).contains(QStringLiteral("вне 95%-го эллипса")), noted);
    }
  }

  // Each image takes the main window's colour for it in the window's picture, in the PDF's,
  // and beside its file in both legends.
  void ImagesTakeTheMainWindowsColoursInWindowAndPdf() {
    // One point seen apart on each image: no point is found, so only the measurements are drawn.
    const std::vector<std::vector<Position>> images = {{{100, 150}}, {{300, 150}}, {{500, 150}}};
    const auto d = zirt::CollectDiagnostics(
        {QStringLiteral("a.crd"), QStringLiteral("b.crd"), QStringLiteral("c.crd")}, images,
        std::nullopt, QString());
    QVERIFY(!d.result.refined);
    zirt::OverviewView view;
    view.SetData(&d);
    QImage window(400, 300, QImage::Format_RGB32), pdf(400, 300, QImage::Format_RGB32);
    {
      QPainter painter(&window);
      view.Render(painter, window.size());
      QPainter pdf_painter(&pdf);
      zirt::PaintOverview(pdf_painter, QRectF(0, 0, 400, 300), {d.images, d.result, d.steps, {}},
                          1.5);
    }
    const zirt::OverviewFigures figures{d.images, d.result, d.steps, std::nullopt};
    const auto pdf_legend = zirt::OverviewLegend(figures, d.files);
    const auto window_legend = zirt::LegendItems(d, 1, 1);
    // Below the window's legend, which shows the colours too.
    const auto drawn = [](const QImage& image, QColor colour, int from_row) {
      for (int y = from_row; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QColor c = image.pixelColor(x, y);
          if (std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40 &&
              std::abs(c.blue() - colour.blue()) < 40)
            return true;
        }
      return false;
    };
    const auto named = [](const std::vector<zirt::LegendItem>& legend, const QString& file) {
      for (const zirt::LegendItem& item : legend)
        if (item.text.endsWith(file)) return item.colour;
      return QColor();
    };
    for (int k = 0; k < 3; ++k) {
      const QColor colour(zirt::ToQRgb(form_->Palette[std::size_t(k)]));
      QVERIFY2(drawn(window, colour, 120), qPrintable(QString::number(k)));
      QVERIFY2(drawn(pdf, colour, 0), qPrintable(QString::number(k)));
      QCOMPARE(named(pdf_legend, d.files[std::size_t(k)]), colour);
      QCOMPARE(named(window_legend, d.files[std::size_t(k)]), colour);
    }
  }

  void EllipseMagnifiedToBeSeen() {
    const std::pair<double, double> cases[] = {{20, 1}, {12, 1},      {5, 5},
                                               {1, 20}, {0.01, 2000}, {0, 1}};
    for (auto [pixels, factor] : cases) QCOMPARE(zirt::EllipseMagnification(pixels), factor);
  }

  void OpensFromMenuAfterComputation() {
    QVERIFY(!form_->N16->isEnabled());
    LoadAndCompute(Zoom(true));
    QVERIFY(form_->N16->isEnabled());
    form_->N16->trigger();
    zirt::DiagnosticsWindow* window = form_->Diagnostics;
    QVERIFY(window != nullptr && window->isVisible() && !window->isModal());
    QCOMPARE(window->windowTitle(), QStringLiteral("Диагностика"));
    // The report's point beside the refined one, both near the true centre.
    const QTableWidget* estimates = window->Estimates;
    QVERIFY(estimates->item(0, 1)->text().startsWith(QStringLiteral("96")));
    QVERIFY(estimates->item(0, 2)->text().contains(QStringLiteral("±")));
    // Point 6 is flagged and tinted; point 1 is not.
    const QAbstractItemModel* points = window->Points->model();
    QCOMPARE(points->rowCount(), 10);
    QVERIFY(points->index(5, 3).data().toString().startsWith(QStringLiteral("да")));
    QVERIFY(points->index(5, 0).data(Qt::BackgroundRole).isValid());
    QVERIFY(!points->index(0, 0).data(Qt::BackgroundRole).isValid());
    QCOMPARE(window->Images->model()->index(2, 4).data().toString(), QStringLiteral("1"));
    // One step per pair of neighbours in zoom order, named by the images' numbers.
    const QAbstractItemModel* steps = window->Steps->model();
    QCOMPARE(steps->rowCount(), 3);
    QCOMPARE(steps->index(0, 0).data().toString(), QStringLiteral("1"));
    QCOMPARE(steps->index(2, 1).data().toString(), QStringLiteral("4"));
    QVERIFY(steps->index(0, 2).data().toString().startsWith(QStringLiteral("1")));

    // Clicking a row highlights it in the picture.
    window->Points->scrollTo(points->index(5, 0));
    QTest::mouseClick(window->Points->viewport(), Qt::LeftButton, {},
                      window->Points->visualRect(points->index(5, 0)).center());
    QCOMPARE(window->Overview->HighlightedPoint(), 5);
    QTest::mouseClick(window->Images->viewport(), Qt::LeftButton, {},
                      window->Images->visualRect(window->Images->model()->index(1, 0)).center());
    QCOMPARE(window->Overview->HighlightedImage(), 1);
    QCOMPARE(window->Overview->HighlightedPoint(), -1);

    // The wheel zooms, a double click shows everything again.
    QWheelEvent wheel(QPointF(50, 50), window->Overview->mapToGlobal(QPointF(50, 50)), {}, {0, 240},
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(window->Overview, &wheel);
    QVERIFY(window->Overview->Zoom() > 1.5);
    window->FitButton->click();
    QCOMPARE(window->Overview->Zoom(), 1.0);
  }

  // The shift table names the moved image, flags its row alone, and gives its shift as dx and
  // dy in their columns; the bound and the finding are below it.
  void ShiftTableNamesTheMovedImage() {
    auto images = Zoom(false);
    for (Position& p : images[2]) p.x += 3;
    LoadAndCompute(images);
    form_->N16->trigger();
    zirt::DiagnosticsWindow* window = form_->Diagnostics;
    const QAbstractItemModel* shifts = window->Shifts->model();
    QCOMPARE(shifts->rowCount(), 4);
    for (int k = 0; k < 4; ++k) {
      QCOMPARE(shifts->index(k, 7).data().toString(),
               k == 2 ? QStringLiteral("сдвинут") : QString());
      QCOMPARE(shifts->index(k, 0).data(Qt::BackgroundRole).isValid(), k == 2);
    }
    QCOMPARE(shifts->index(2, 1).data().toString(), QStringLiteral("img3.crd"));
    const double dx = shifts->index(2, 2).data().toString().toDouble();
    const double dy = shifts->index(2, 3).data().toString().toDouble();
    QVERIFY2(std::fabs(dx) > 2 && std::fabs(dy) < 1,
             qPrintable(QStringLiteral("%1 %2").arg(dx).arg(dy)));
    QVERIFY(shifts->index(2, 6).data().toString().toDouble() > window->Data().sequence.bound);
    QVERIFY2(window->ShiftNotes->text().contains(QStringLiteral("F(2, ")) &&
                 window->ShiftNotes->text().contains(QStringLiteral("снимок img3.crd сдвинут")),
             qPrintable(window->ShiftNotes->text()));
    // The image's colour beside its file in the image table too.
    QCOMPARE(window->Images->model()->index(2, 1).data(Qt::DecorationRole).value<QColor>(),
             QColor(zirt::ToQRgb(form_->Palette[2])));
  }

  void RefreshesOnNewComputation() {
    LoadAndCompute(Zoom(true));
    form_->N16->trigger();
    QCOMPARE(form_->Diagnostics->Data().result.outliers.size(), std::size_t{1});
    LoadAndCompute(Zoom(false));
    QCOMPARE(form_->Diagnostics->Data().result.outliers.size(), std::size_t{0});
    QVERIFY(form_->Diagnostics->Notes->isHidden());
  }

  // The refined and the robust point are saved as the report's is; a load takes the figures
  // away until the next computation.
  void SavesTheBetterPointsAndGoesStaleOnALoad() {
    LoadAndCompute(Zoom(true));
    form_->N16->trigger();
    zirt::DiagnosticsWindow* window = form_->Diagnostics;
    // Beside the main window, never over its buttons, and on the screen.
    // On the test's 1600 × 1000 screen the main window leaves no room beside it.
    const QRect room = window->screen()->availableGeometry(), frame = window->frameGeometry();
    // Offscreen windows are placed a few pixels off where they were moved before shown.
    const QRect near = room.adjusted(0, 0, 0, 8);
    QVERIFY(frame.top() >= near.top() && frame.bottom() <= near.bottom());
    QVERIFY(frame.left() >= room.left());
    for (QWidget* button : {form_->Button1, form_->Button2, form_->Button3})
      QVERIFY(!window->frameGeometry().intersects(
          QRect(button->mapToGlobal(QPoint(0, 0)), button->size())));
    const zirt::PointEstimate refined = *window->Data().result.refined;
    const zirt::PointEstimate robust = *window->Data().result.robust;
    QVERIFY(refined.x != robust.x);
    // The editor belongs to the diagnostics window, which stays above the main window.
    QWidget* editor_owner = nullptr;
    const auto close_editor = [&editor_owner] {
      QTimer::singleShot(0, [&editor_owner] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
          editor_owner = modal->parentWidget();
          modal->close();
        }
      });
    };
    platform_->ScriptSaveFile(folder_.filePath(QStringLiteral("r.cam")));
    close_editor();
    window->SaveRefinedButton->click();
    QCOMPARE(editor_owner, static_cast<QWidget*>(window));
    QCOMPARE(CameraLines(QStringLiteral("rP.cam")).at(6),
             QString::fromStdString(zirt::FormatFixed4(refined.x)) +
                 QStringLiteral(" ; Координата X главной точки"));
    QVERIFY(form_->State().ResultSaved);
    platform_->ScriptSaveFile(folder_.filePath(QStringLiteral("s.cam")));
    close_editor();
    QTest::keyClick(window->Points, Qt::Key_C, Qt::AltModifier);  // С on the Russian layout
    QCOMPARE(CameraLines(QStringLiteral("sP.cam")).at(7),
             QString::fromStdString(zirt::FormatFixed4(robust.y)) +
                 QStringLiteral(" ; Координата Y главной точки"));

    Load(Zoom(false));
    QVERIFY(window->Stale());
    QCOMPARE(window->Points->model()->rowCount(), 0);
    QCOMPARE(window->Notes->text(), QStringLiteral("Устарело — нажмите Счёт"));
    for (QPushButton* b :
         {window->ExportButton, window->SaveRefinedButton, window->SaveRobustButton})
      QVERIFY(!b->isEnabled());
    form_->Button1->click();
    QVERIFY(!window->Stale());
    QVERIFY(window->ExportButton->isEnabled());
    QCOMPARE(window->Points->model()->rowCount(), 10);
    QCOMPARE(platform_->UnscriptedCalls(), 0);
  }

  void ExportsPngAndSvg() {
    LoadAndCompute(Zoom(true));
    form_->N16->trigger();
    zirt::DiagnosticsWindow* window = form_->Diagnostics;
    const QString png = folder_.filePath(QStringLiteral("overview.png"));
    const QString svg = folder_.filePath(QStringLiteral("overview.svg"));
    platform_->ScriptSaveFile(png);
    platform_->ScriptSaveFile(svg);
    window->ExportButton->click();
    window->ExportButton->click();
    QCOMPARE(platform_->SaveDialogs().size(), std::size_t{2});
    QImage image(png);
    QCOMPARE(image.size(), window->Overview->size());
    QSvgRenderer renderer(svg);
    QVERIFY(renderer.isValid());
    QVERIFY(platform_->Messages().empty());

    // Over an existing file only when the user agrees.
    const qint64 written = QFileInfo(svg).size();
    platform_->ScriptSaveFile(svg);
    platform_->ScriptAnswer(zirt::Answer::kNo);
    window->ExportButton->click();
    QCOMPARE(platform_->Messages().size(), std::size_t{1});
    QCOMPARE(QFileInfo(svg).size(), written);
    platform_->ClearRecords();

    // A folder that is not there: the error is shown and nothing claims success.
    platform_->ScriptSaveFile(folder_.filePath(QStringLiteral("none/overview.svg")));
    window->ExportButton->click();
    QCOMPARE(platform_->Messages().size(), std::size_t{1});
    QCOMPARE(platform_->Messages()[0].request.text, QStringLiteral("Не удалось записать рисунок!"));
  }

 private:
  zirt::SeparatorGuard separator_{'.'};
  QTemporaryDir folder_;
  std::unique_ptr<ScriptedPlatform> platform_;
  std::unique_ptr<TMPForm> form_;
};

QTEST_MAIN(DiagnosticsWindowTest)
#include "diagnostics_window_test.moc"
