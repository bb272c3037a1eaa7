// The picture's drawing primitives: where crosses and lines land, what is clipped, and the
// stored preview picture.
#include <QtTest>
#include <climits>

#include "app/artwork.h"
#include "app/jpeg_image.h"
#include "app/main/image_view.h"
#include "calib/calibration.h"

using zirt::Color;
using zirt::ViewBitmap;

namespace {

constexpr Color kRed = 0x0000FF;
constexpr Color kSilver = 0xC0C0C0;

ViewBitmap SilverBitmap(int width = 688, int height = 520) {
  ViewBitmap bitmap(QSize(width, height));
  bitmap.Fill(kSilver);
  return bitmap;
}

int CountPixels(const ViewBitmap& bitmap, Color colour) {
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) count += bitmap.Pixel(x, y) == colour;
  return count;
}

}  // namespace

class ImageViewTest : public QObject {
  Q_OBJECT

 private slots:
  void coloursAreStoredBlueGreenRed() {
    QCOMPARE(zirt::ToQRgb(0x0000FF), qRgb(255, 0, 0));
    QCOMPARE(zirt::ToQRgb(0xF0CAA6), qRgb(0xA6, 0xCA, 0xF0));
    for (Color colour : zirt::kPalette) QCOMPARE(zirt::FromQRgb(zirt::ToQRgb(colour)), colour);
  }

  void picturesShownSmallerKeepTheirOnePixelMarks() {
    ViewBitmap bitmap = SilverBitmap(301, 201);
    bitmap.DrawSegment(kRed, 0, 101, 301, 101);
    bitmap.DrawSegment(zirt::kLineColour, 151, 0, 151, 201);
    const QRgb silver = zirt::ToQRgb(kSilver);
    const QImage half = zirt::ReduceKeepingMarks(bitmap.Image(), QSize(150, 100), silver);
    for (int x = 0; x < 150; ++x) QVERIFY(half.pixel(x, 50) != silver);
    for (int y = 0; y < 100; ++y) QCOMPARE(half.pixel(75, y), zirt::ToQRgb(zirt::kLineColour));
    QCOMPARE(half.pixel(10, 10), silver);
    // Wider than the bitmap but lower: columns repeat, rows still keep the mark.
    const QImage wide = zirt::ReduceKeepingMarks(bitmap.Image(), QSize(602, 67), silver);
    for (int x = 0; x < 602; ++x) QVERIFY(wide.pixel(x, 33) != silver);

    // The widget shows it so whatever its size.
    zirt::StretchedImage view;
    view.SetSource(&bitmap.Image());
    view.SetMarksBackground(silver);
    view.resize(100, 67);
    const QImage shown = view.grab().toImage().scaled(100, 67);
    for (int x = 0; x < 100; ++x) QVERIFY(shown.pixel(x, 33) != silver);
  }

  void crossLeavesOutTheEndsOfItsBars() {
    ViewBitmap bitmap = SilverBitmap();
    bitmap.DrawCross(kRed, 10, 100, 200);
    for (int x = 90; x <= 109; ++x) QCOMPARE(bitmap.Pixel(x, 200), kRed);
    for (int y = 190; y <= 209; ++y) QCOMPARE(bitmap.Pixel(100, y), kRed);
    QCOMPARE(bitmap.Pixel(89, 200), kSilver);
    QCOMPARE(bitmap.Pixel(110, 200), kSilver);
    QCOMPARE(bitmap.Pixel(100, 189), kSilver);
    QCOMPARE(bitmap.Pixel(100, 210), kSilver);
    QCOMPARE(CountPixels(bitmap, kRed), 39);  // Two bars of 20 sharing the centre.
  }

  void crossAtTheCornerIsClipped() {
    ViewBitmap bitmap = SilverBitmap();
    bitmap.DrawCross(kRed, 10, 0, 0);
    for (int i = 0; i <= 9; ++i) {
      QCOMPARE(bitmap.Pixel(i, 0), kRed);
      QCOMPARE(bitmap.Pixel(0, i), kRed);
    }
    QCOMPARE(bitmap.Pixel(10, 0), kSilver);
    QCOMPARE(bitmap.Pixel(0, 10), kSilver);
    QCOMPARE(CountPixels(bitmap, kRed), 19);
  }

  void crossesOffThePictureDrawNothing() {
    ViewBitmap bitmap = SilverBitmap();
    bitmap.DrawCross(kRed, 10, 1000, 100);  // Image x 1501 on a picture 688 wide.
    bitmap.DrawCross(kRed, 10, 100, -11);
    bitmap.DrawCross(kRed, 10, INT_MAX, INT_MAX);  // Bar ends beyond the int range.
    bitmap.DrawCross(kRed, 10, INT_MIN, 5);
    bitmap.DrawCross(kRed, 0, 50, 50);  // Bars from a point to itself.
    QCOMPARE(CountPixels(bitmap, kSilver), bitmap.Width() * bitmap.Height());
  }

  void crossJustOutsideShowsOneArm() {
    ViewBitmap bitmap = SilverBitmap(100, 100);
    bitmap.DrawCross(kRed, 10, 105, 50);  // Left arm reaches x 95 … 99.
    QCOMPARE(CountPixels(bitmap, kRed), 5);
    QCOMPARE(bitmap.Pixel(95, 50), kRed);
  }

  void fittedLineRunsFromImageXZeroToThousand() {
    ViewBitmap bitmap = SilverBitmap();
    bitmap.DrawLine(0x000000, zirt::VT_Point(0.5, 11));  // From (0, 7) to (666, 340).
    QCOMPARE(bitmap.Pixel(0, 7), Color{0});
    QCOMPARE(bitmap.Pixel(2, 8), Color{0});
    QCOMPARE(bitmap.Pixel(664, 339), Color{0});
    QCOMPARE(bitmap.Pixel(666, 340), kSilver);
    // One pixel per column, columns 0 … 665.
    QCOMPARE(CountPixels(bitmap, 0), 666);
    for (int y = 0; y < bitmap.Height(); ++y) QCOMPARE(bitmap.Pixel(666, y), kSilver);
  }

  void segmentsPaintTheirStartAndNotTheirEnd_data() {
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::newRow("right") << 17 << 0;
    QTest::newRow("left") << -17 << 0;
    QTest::newRow("down") << 0 << 23;
    QTest::newRow("up") << 0 << -23;
    QTest::newRow("shallow down-right") << 40 << 9;
    QTest::newRow("shallow up-left") << -40 << -9;
    QTest::newRow("steep down-left") << -7 << 31;
    QTest::newRow("steep up-right") << 7 << -31;
    QTest::newRow("diagonal") << 12 << -12;
  }
  void segmentsPaintTheirStartAndNotTheirEnd() {
    QFETCH(int, dx);
    QFETCH(int, dy);
    ViewBitmap bitmap = SilverBitmap(200, 200);
    bitmap.DrawSegment(kRed, 100, 100, 100 + dx, 100 + dy);
    QCOMPARE(bitmap.Pixel(100, 100), kRed);
    QCOMPARE(bitmap.Pixel(100 + dx, 100 + dy), kSilver);
    QCOMPARE(CountPixels(bitmap, kRed), std::max(std::abs(dx), std::abs(dy)));
  }

  void farAwayEndsAreClippedWithoutWalkingToThem() {
    ViewBitmap bitmap = SilverBitmap(50, 40);
    QElapsedTimer clock;
    clock.start();
    // A nearly vertical fit maps to ends billions of pixels apart.
    bitmap.DrawSegment(kRed, 0, -2000000000, 10, 2000000000);
    QVERIFY(clock.elapsed() < 1000);
    QCOMPARE(CountPixels(bitmap, kRed), bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y) QCOMPARE(bitmap.Pixel(5, y), kRed);
  }

  void fillCoversEveryPixel() {
    ViewBitmap bitmap = SilverBitmap(31, 17);
    bitmap.DrawCross(kRed, 5, 10, 10);
    bitmap.Fill(kSilver);
    QCOMPARE(CountPixels(bitmap, kSilver), 31 * 17);
  }

  void previewPictureIsStoredAsJpeg() {
    const QImage preview = zirt::LoadPreviewPicture();
    QCOMPARE(preview.size(), QSize(1018, 717));
    QCOMPARE(preview.format(), QImage::Format_RGB32);
  }

  void brokenJpegGivesNoPicture() {
    QVERIFY(zirt::DecodeJpeg(QByteArray()).isNull());
    QVERIFY(zirt::DecodeJpeg(QByteArray("not a picture at all", 20)).isNull());
    QFile file(QStringLiteral(":/zirt/preview.jpg"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray header = file.read(600);
    header[2] = 0;  // No longer a JPEG marker.
    QVERIFY(zirt::DecodeJpeg(header).isNull());
  }
};

QTEST_MAIN(ImageViewTest)
#include "image_view_test.moc"
