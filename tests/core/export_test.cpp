#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "export/calibration_export.h"
#include "export/edit_text.h"

namespace zirt {
namespace {

std::string Data(const std::string& name) {
  std::ifstream in(std::string(ZIRT_TEST_DATA) + "/export/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

const ExportedPoint kPoint{512.3456789012345, 384.0625, 0.1234, 0.0567, "refined", ""};
const std::string kComment =
    "ZIRT: principal point x0 = 512.345678901234, y0 = 384.0625 px (refined estimate), "
    "sigma x0 = 0.123, sigma y0 = 0.0567 px";
const std::string kHalf = "; written as cx = x0 + 0.5, cy = y0 + 0.5 for COLMAP's pixel centres";

struct Case {
  const char* file;
  std::optional<std::string> colmap_camera;
  std::string kalibr_camera;
  CalibrationFormat format;
  std::vector<std::pair<std::string, std::string>> values;  // each old text is unique
  std::string anchor;                                       // the line the comment goes before
  std::string comment;       // the whole comment line without its break
  bool shares_line = false;  // the comment goes just before the anchor, on its line
};

// Each tool's file: the values at the format's places change, one comment line comes in, and
// every other byte stays.
TEST(CalibrationExport, EachFormatChangesOnlyThePoint) {
  const std::vector<Case> cases = {
      {"opencv_calibration.yml",
       {},
       "cam0",
       CalibrationFormat::kOpenCvYaml,
       {{"4.9823170329281451e+02", "5.1234567890123446e+02"},
        {"3.8121617212553213e+02", "3.8406250000000000e+02"}},
       "camera_matrix:",
       "# " + kComment},
      {"opencv_sample.xml",
       {},
       "cam0",
       CalibrationFormat::kOpenCvXml,
       {{" 320. ", " 512.345678901234 "}, {" 240. ", " 384.0625 "}},
       "<cameraMatrix ",
       "<!-- " + kComment + " -->"},
      // The matrix on a line with other elements: the comment goes just before it.
      {"opencv_shared_line.xml",
       {},
       "cam0",
       CalibrationFormat::kOpenCvXml,
       {{" 320. ", " 512.345678901234 "}, {" 240. ", " 384.0625 "}},
       "<cameraMatrix ",
       "<!-- " + kComment + " -->",
       true},
      {"ros_camera_info.yaml",
       {},
       "cam0",
       CalibrationFormat::kRosCameraInfo,
       {{"498.2317", "512.345678901234"},
        {"381.21617", "384.06250"},
        {"497.7023", "512.345678901234"},
        {"380.93814", "384.06250"}},
       "camera_matrix:",
       "# " + kComment},
      {"colmap_cameras.txt",
       "1",
       "cam0",
       CalibrationFormat::kColmapCameras,
       {{"498.73170329281451", "512.84567890123446"}, {"381.71617212553213", "384.56250000000000"}},
       "1 SIMPLE_RADIAL",
       "# " + kComment + kHalf},
      {"colmap_cameras.txt",
       "2",
       "cam0",
       CalibrationFormat::kColmapCameras,
       {{"498.7391", "512.845678901234"}, {"381.7188", "384.5625"}},
       "2 PINHOLE",
       "# " + kComment + kHalf},
      {"colmap_cameras.txt",
       "3",
       "cam0",
       CalibrationFormat::kColmapCameras,
       {{"498.7 ", "512.845678901234 "}, {"381.7 ", "384.5625 "}},
       "3 OPENCV",
       "# " + kComment + kHalf},
      {"colmap_cameras.txt",
       "4",
       "cam0",
       CalibrationFormat::kColmapCameras,
       {{" 499 ", " 512.845678901234 "}, {" 381 ", " 384.5625 "}},
       "4 FULL_OPENCV",
       "# " + kComment + kHalf},
      {"kalibr_camchain.yaml",
       {},
       "cam0",
       CalibrationFormat::kKalibr,
       {{"367.215", "512.345678901234"}, {"248.375", "384.0625"}},
       "  intrinsics: [458",
       "  # " + kComment},
      {"kalibr_camchain.yaml",
       {},
       "cam1",
       CalibrationFormat::kKalibr,
       {{"373.85", "512.345678901234"}, {"253.749", "384.0625"}},
       "  intrinsics: [0.8",
       "  # " + kComment},
  };
  for (const bool crlf : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.file) + " " + c.colmap_camera.value_or("") + c.kalibr_camera +
                   (crlf ? " CRLF" : ""));
      std::string original = Data(c.file);
      ASSERT_FALSE(original.empty());
      const std::string br = crlf ? "\r\n" : "\n";
      if (crlf) {
        std::string converted;
        for (char ch : original) converted += ch == '\n' ? br : std::string(1, ch);
        original = converted;
      }
      std::string expected = original;
      for (const auto& [old_text, new_text] : c.values) {
        const std::size_t at = expected.find(old_text);
        ASSERT_NE(at, std::string::npos) << old_text;
        ASSERT_EQ(expected.find(old_text, at + 1), std::string::npos) << old_text;
        expected.replace(at, old_text.size(), new_text);
      }
      if (c.shares_line) {
        const std::size_t at = expected.find(c.anchor);
        ASSERT_NE(at, std::string::npos) << c.anchor;
        expected.insert(at, c.comment);
      } else {
        const std::size_t line = expected.find(br + c.anchor);
        ASSERT_NE(line, std::string::npos) << c.anchor;
        expected.insert(line + br.size(), c.comment + br);
      }
      const ExportEdit edit = PutPointInto(original, kPoint, {c.colmap_camera, c.kalibr_camera});
      EXPECT_EQ(edit.format, c.format);
      EXPECT_EQ(edit.bytes, expected);
      // A second export into the result replaces our comment instead of adding one.
      EXPECT_EQ(PutPointInto(edit.bytes, kPoint, {c.colmap_camera, c.kalibr_camera}).bytes,
                expected);
    }
  }
}

// cx and cy of every COLMAP model at its own places: in the file they are 320 and 240, and no
// other parameter is.
TEST(CalibrationExport, ColmapPutsTheCentreWhereEachModelHasIt) {
  const std::string text = Data("colmap_all_models.txt");
  std::istringstream lines(text);
  int cameras = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] == '#') continue;
    ++cameras;
    std::string expected = line;
    expected.replace(expected.find(" 320 "), 5, " 512.845678901234 ");
    expected.replace(expected.find(" 240"), 4, " 384.5625");
    const std::string id = line.substr(0, line.find(' '));
    const std::string bytes = PutPointInto(text, kPoint, {id, "cam0"}).bytes;
    EXPECT_NE(bytes.find("\n" + expected + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(cameras, 16);
}

// The window offers these for the choice the command line makes with --colmap-camera and
// --kalibr-camera.
TEST(CalibrationExport, CamerasOfFilesThatHoldSeveral) {
  using Names = std::vector<std::string>;
  EXPECT_EQ(CamerasIn(Data("colmap_cameras.txt")), (Names{"1", "2", "3", "4"}));
  EXPECT_EQ(CamerasIn(Data("kalibr_camchain.yaml")), (Names{"cam0", "cam1"}));
  for (const char* one : {"opencv_calibration.yml", "opencv_sample.xml", "ros_camera_info.yaml"})
    EXPECT_EQ(CamerasIn(Data(one)), Names{}) << one;
}

TEST(CalibrationExport, RefusalsNameTheReason) {
  const std::string ros = Data("ros_camera_info.yaml");
  const std::string colmap = Data("colmap_cameras.txt");
  const std::string kalibr = Data("kalibr_camchain.yaml");
  const std::string opencv = Data("opencv_calibration.yml");
  const auto replaced = [](std::string text, const std::string& a, const std::string& b) {
    text.replace(text.find(a), a.size(), b);
    return text;
  };
  struct Refusal {
    std::string text;
    ExportOptions options;
    std::string reason;
  };
  const std::vector<Refusal> refusals = {
      {"just some text\n", {}, "Вид файла не распознан"},
      {"", {}, "Вид файла не распознан"},
      {"<?xml version=\"1.0\"?>\n<root/>\n", {}, "нет элемента <opencv_storage>"},
      {replaced(opencv, "dt: d\n   data: [ 1.2", "dt: i\n   data: [ 1.2"), {}, "dt: i"},
      {replaced(opencv, "rows: 3", "rows: 2"), {}, "не 3 × 3 (rows: 2"},
      {replaced(opencv, "4.9823170329281451e+02", "abc"), {}, "camera_matrix.data[2]: «abc»"},
      {replaced(ros, "  381.21617,", ""), {}, "camera_matrix.data 8 чисел вместо 9"},
      {replaced(ros, "projection_matrix:\n  rows: 3\n  cols: 4",
                "projection_matrix:\n  rows: 3\n  cols: 3"),
       {},
       "projection_matrix не 3 × 4"},
      {ros.substr(0, ros.find("projection_matrix")), {}, "нет поля projection_matrix"},
      {colmap, {}, "несколько камер (1, 2, 3, 4)"},
      {colmap, {"7", "cam0"}, "нет камеры 7; есть: 1, 2, 3, 4"},
      {replaced(colmap, "2 PINHOLE", "2 PINHOLE_X"), {"2", "cam0"}, "«PINHOLE_X» не известна"},
      {replaced(colmap, " 381.7188", ""), {"2", "cam0"}, "3 параметров вместо 4"},
      {"# Camera list with one line of data per camera:\n#   CAMERA_ID, MODEL\n",
       {},
       "нет ни одной камеры"},
      {kalibr, {{}, "cam2"}, "нет камеры cam2; есть: cam0, cam1"},
      {replaced(kalibr, "camera_model: omni", "camera_model: fisheye"),
       {{}, "cam1"},
       "«fisheye» не известна"},
      {replaced(kalibr, "373.85, 253.749", "373.85"), {{}, "cam1"}, "4 чисел вместо 5"},
  };
  // A comment inside a flow sequence is no part of the item after it (here cx).
  const auto commented = [](std::string text) {
    const std::size_t first = text.find(',', text.find("  data: [1205.79136"));
    return text.insert(text.find(',', first + 1) + 1, " # cx next\n  ");
  };
  EXPECT_EQ(PutPointInto(commented(ros), kPoint, {}).bytes,
            commented(PutPointInto(ros, kPoint, {}).bytes));
  for (const Refusal& r : refusals) {
    try {
      PutPointInto(r.text, kPoint, r.options);
      ADD_FAILURE() << "accepted: " << r.reason;
    } catch (const ERefusedCalibration& e) {
      EXPECT_NE(e.Message().find(r.reason), std::string::npos) << e.Message();
    }
  }
}

TEST(CalibrationExport, NumbersKeepTheSourceStyleAndFifteenDigits) {
  using exporting::FormatLike;
  EXPECT_EQ(FormatLike(512.25, "3.4200000000000000e+02"), "5.1225000000000000e+02");
  EXPECT_EQ(FormatLike(512.25, "3.42E+02"), "5.12250000000000E+02");
  EXPECT_EQ(FormatLike(0.000123456789012345678, "1.5"), "0.000123456789012346");
  EXPECT_EQ(FormatLike(512, "0."), "512.0");
  EXPECT_EQ(FormatLike(512, "1536"), "512");
  EXPECT_EQ(FormatLike(-12.5, "10.000"), "-12.500");
  EXPECT_EQ(FormatLike(1.0 / 3, "0.33333333333333333333"), "0.33333333333333331483");
  // A source with more digits than any double keeps thirty, never an overrun buffer.
  EXPECT_EQ(FormatLike(384.0625, "3.8" + std::string(60, '4') + "e+02"),
            "3.840625000000000000000000000000e+02");
  EXPECT_EQ(FormatLike(1e300, "0." + std::string(40, '5')).size(), 301u + 31u);
}

TEST(CalibrationExport, ResultGoesBesideWithPBeforeTheExtension) {
  EXPECT_EQ(CalibrationOutputName("/a/ost.yaml"), "/a/ostP.yaml");
  EXPECT_EQ(CalibrationOutputName("cameras.txt"), "camerasP.txt");
  EXPECT_EQ(CalibrationOutputName("/a.b/calib"), "/a.b/calibP");
  EXPECT_EQ(CalibrationOutputName("/a/.hidden"), "/a/.hiddenP");
  EXPECT_EQ(CalibrationOutputName("x.tar.yaml"), "x.tarP.yaml");
  EXPECT_EQ(CalibrationOutputName("D:\\a.b\\ost"), "D:\\a.b\\ostP");
}

}  // namespace
}  // namespace zirt
