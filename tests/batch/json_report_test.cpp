#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "batch/batch_run.h"
#include "batch/json_report.h"
#include "calib/track_survey.h"
#include "data/coordinate_file.h"
#include "diagnostics/diagnostics.h"
#include "export/calibration_export.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code;
  std::string out, err;
  QJsonObject json;
};

Outcome Batch(std::vector<std::string> args) {
  std::ostringstream out, err;
  args.insert(args.begin(), "--json");
  Outcome r{RunBatch(args, out, err), out.str(), err.str(), {}};
  QJsonParseError error;
  const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
  EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
  r.json = doc.object();
  return r;
}

std::string Example(const char* name) {
  return std::string(ZIRT_EXAMPLES) + "/" + name;
}

TEST(BatchJson, ZoomExamplesGiveEveryMember) {
  SeparatorGuard point('.');
  const std::vector<std::string> files = {Example("zoom1.crd"), Example("zoom2.crd"),
                                          Example("zoom3.crd"), Example("zoom4.crd")};
  const Outcome r = Batch(files);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.err, "");
  const QJsonObject& j = r.json;
  EXPECT_EQ(j["files"].toArray().size(), 4);
  EXPECT_EQ(j["files"][0].toString().toStdString(), files[0]);
  std::ifstream report(Example("zoom-report.txt"));
  QJsonArray expected;
  for (std::string line; std::getline(report, line);) expected.append(QString::fromStdString(line));
  EXPECT_EQ(j["report"].toArray(), expected);
  EXPECT_TRUE(j["error"].isNull());
  EXPECT_NEAR(j["principal_point"]["x"].toDouble(), 499.8725, 1e-4);
  for (const char* name : {"refined", "robust"}) {
    const QJsonObject e = j[name].toObject();
    EXPECT_NEAR(e["x"].toDouble(), 499.87, 0.5) << name;
    EXPECT_NEAR(e["y"].toDouble(), 380.07, 0.5) << name;
    EXPECT_EQ(e["dof"].toInt(), 48 - 2 - 12);
    EXPECT_GT(e["sigma_x"].toDouble(), 0);
    EXPECT_LT(std::fabs(e["correlation"].toDouble()), 1);
    EXPECT_GT(e["ellipse95"]["major_px"].toDouble(), e["ellipse95"]["minor_px"].toDouble());
    EXPECT_GT(e["rms_px"].toDouble(), 0);
  }
  EXPECT_TRUE(j["outliers"].toArray().isEmpty());
  EXPECT_EQ(j["images"].toArray().size(), 4);
  EXPECT_EQ(j["images"][3]["file"].toString().toStdString(), files[3]);
  EXPECT_EQ(j["points"].toArray().size(), 12);
  EXPECT_EQ(j["points"][11]["point"].toInt(), 12);
  EXPECT_FALSE(j["points"][11]["flagged"].toBool());
  for (int k = 0; k < 4; ++k) {
    EXPECT_FALSE(j["images"][k]["shift_flagged"].toBool()) << k;
    EXPECT_EQ(j["images"][k]["shift_px"].toArray().size(), 2);
    EXPECT_GT(j["images"][k]["shift_sigma_px"][1].toDouble(), 0);
  }
  EXPECT_TRUE(j["sequence_test"]["defined"].toBool());
  EXPECT_TRUE(j.contains("consistent"));
  EXPECT_TRUE(j["consistent"].toBool());
  // Given in zoom order: each step from one file to the next, about the one centre.
  ASSERT_EQ(j["steps"].toArray().size(), 3);
  for (int k = 0; k < 3; ++k) {
    const QJsonObject step = j["steps"][k].toObject();
    EXPECT_EQ(step["from"].toInt(), k + 1);
    EXPECT_EQ(step["to"].toInt(), k + 2);
    EXPECT_GT(step["scale"].toDouble(), 1);
    EXPECT_NEAR(step["x"].toDouble(), 499.87, 3 + 5 * step["sigma_x"].toDouble()) << k;
    EXPECT_NEAR(step["y"].toDouble(), 380.07, 3 + 5 * step["sigma_y"].toDouble()) << k;
  }
}

// Points that do not meet in one point (one image's lines shuffled, as a wrong numbering does)
// still give the report, with a warning on standard error, by the fast path and by --json.
TEST(BatchJson, MeasurementsOffOneCommonPointAreWarnedOf) {
  SeparatorGuard point('.');
  std::ifstream in(Example("zoom2.crd"));
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::rotate(lines.begin(), lines.begin() + 5, lines.end());
  const std::string shuffled = (fs::temp_directory_path() / "zirt_shuffled_zoom2.crd").string();
  std::ofstream(shuffled) << [&] {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
  }();
  const std::vector<std::string> files = {Example("zoom1.crd"), shuffled, Example("zoom3.crd"),
                                          Example("zoom4.crd")};
  const Outcome json = Batch(files);
  EXPECT_EQ(json.code, 0);
  EXPECT_FALSE(json.json["consistent"].toBool());
  std::ostringstream out, err;
  EXPECT_EQ(RunBatch(files, out, err), 0);
  EXPECT_NE(out.str().find("x0"), std::string::npos);
  EXPECT_NE(err.str().find("do not meet in one point"), std::string::npos) << err.str();
  EXPECT_EQ(err.str(), json.err);
  fs::remove(shuffled);
}

// The zoom example with a quarter of its measurements not seen: every figure is still had,
// over each track's own images, near the complete data's.
TEST(BatchJson, PointsNotSeenKeepEveryFigure) {
  SeparatorGuard point('.');
  const fs::path dir = fs::path(testing::TempDir()) / "zirt-json-gaps";
  fs::create_directories(dir);
  std::vector<std::string> files;
  for (int k = 1; k <= 4; ++k) {
    std::ifstream in(Example(("zoom" + std::to_string(k) + ".crd").c_str()));
    std::string text;
    int line = 0;
    for (std::string l; std::getline(in, l); ++line)
      text += (line % 4 == k - 1 ? std::string("- ; -\r") : l) + "\n";
    files.push_back((dir / ("gap" + std::to_string(k) + ".crd")).string());
    std::ofstream(files.back(), std::ios::binary) << text;
  }
  const Outcome r = Batch(files);
  EXPECT_EQ(r.code, 0) << r.err;
  const QJsonObject& j = r.json;
  EXPECT_NEAR(j["principal_point"]["x"].toDouble(), 499.87, 1);
  EXPECT_NEAR(j["refined"]["y"].toDouble(), 380.07, 1);
  EXPECT_EQ(j["refined"]["measurements"].toInt(), 36);
  EXPECT_EQ(j["refined"]["dof"].toInt(), 36 - 2 - 12);
  EXPECT_TRUE(j["sequence_test"]["defined"].toBool());
  ASSERT_EQ(j["steps"].toArray().size(), 3);
  EXPECT_NEAR(j["steps"][2]["x"].toDouble(), 499.87, 3 + 5 * j["steps"][2]["sigma_x"].toDouble());
  fs::remove_all(dir);
}

// A folder of each test's own, so that the tests may run side by side.
class BatchJsonFiles : public testing::Test {
 protected:
  void SetUp() override {
    dir_ =
        fs::path(testing::TempDir()) /
        ("zirt-json-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream((dir_ / name).string(), std::ios::binary) << text;
    return (dir_ / name).string();
  }

  const std::vector<std::string> worked_ = {Example("worked-1.crd"), Example("worked-2.crd"),
                                            Example("worked-3.crd")};
  fs::path dir_;
};

// One track fixes no point: refused, and the diagnostics have none either.
TEST_F(BatchJsonFiles, OneTrackIsRefusedWithNoEstimates) {
  const Outcome r = Batch({Write("v1.crd", "5 ; 1\r\n"), Write("v2.crd", "5 ; 2\r\n")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, std::string(kNoCommonPointMessage) + "\n");
  EXPECT_EQ(r.json["error"].toString().toStdString(), kNoCommonPointMessage);
  EXPECT_TRUE(r.json["report"].toArray().isEmpty());
  EXPECT_TRUE(r.json["principal_point"].isNull());
  EXPECT_TRUE(r.json["refined"].isNull() && r.json["robust"].isNull());
}

// Under a comma the report has commas, the numbers keep their point.
TEST_F(BatchJsonFiles, UnderACommaOnlyTheReportHasCommas) {
  SeparatorGuard comma(',');
  std::vector<std::string> step = worked_;
  step.insert(step.begin(), "--step");
  const Outcome r = Batch(step);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.json["report"].toArray().size(), 14);
  EXPECT_EQ(r.json["report"][9].toString().toStdString(), "x0(пикс.) = 320,1440");
  EXPECT_NE(r.out.find("\"x\": 320.14"), std::string::npos);
  EXPECT_EQ(r.json["refined"]["dof"].toInt(), 6 - 2 - 2);
}

TEST_F(BatchJsonFiles, UnwritableCameraFileFailsTheRunNotTheObject) {
  const Outcome r = Batch({"--camera", (dir_ / "none" / "x.cam").string(), worked_[0], worked_[1]});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "Ошибка записи cam-файла!");
  EXPECT_TRUE(r.json["error"].isNull());
  EXPECT_FALSE(r.json["principal_point"].isNull());
}

// Names that are not UTF-8 become U+FFFD; nothing loaded, nothing estimated.
TEST(BatchJson, NamesNotUtf8BecomeReplacementCharacters) {
  Analysis none;
  none.Take({{"a\xff.crd"}, {}});
  std::ostringstream out;
  WriteBatchJson(out, {}, "x", none);
  const QJsonObject j = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  EXPECT_EQ(j["files"][0].toString(), QString::fromUtf8("a\uFFFD.crd"));
  EXPECT_TRUE(j["images"].toArray().isEmpty() && j["refined"].isNull());
}

// A mistyped coordinate in the third image of the zoom set.
TEST_F(BatchJsonFiles, MistypedCoordinateIsFlaggedAndEachEstimateExported) {
  std::vector<std::string> files;
  for (const char* name : {"zoom1.crd", "zoom2.crd", "zoom3.crd", "zoom4.crd"}) {
    std::ifstream in(Example(name), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    if (std::string(name) == "zoom3.crd") text.replace(text.find("\r\n") + 2, 1, "4");
    files.push_back(Write(name, text));
  }
  SeparatorGuard point('.');
  const Outcome r = Batch(files);
  ASSERT_EQ(r.json["outliers"].toArray().size(), 1) << r.out;
  EXPECT_EQ(r.json["outliers"][0]["image"].toInt(), 3);
  EXPECT_EQ(r.json["outliers"][0]["point"].toInt(), 2);
  EXPECT_GT(r.json["outliers"][0]["residual_px"].toDouble(), 50);
  EXPECT_TRUE(r.json["points"][1]["flagged"].toBool());
  EXPECT_FALSE(r.json["outlier_search_stopped"].toBool());

  // Refined and robust each where they belong: the refined point keeps the gross error.
  Calibration loaded;
  loaded.TakeImages(LoadCoordinateFiles(files));
  const Diagnostics d = Diagnose(loaded.Images);
  ASSERT_TRUE(d.refined && d.robust);
  ASSERT_GT(std::hypot(d.refined->x - d.robust->x, d.refined->y - d.robust->y), 0.1);
  for (const auto& [name, e] : {std::pair{"refined", *d.refined}, std::pair{"robust", *d.robust}}) {
    const QJsonObject o = r.json[name].toObject();
    EXPECT_DOUBLE_EQ(o["x"].toDouble(), e.x) << name;
    EXPECT_DOUBLE_EQ(o["sigma_y"].toDouble(), e.sigma_y) << name;
    EXPECT_EQ(o["dof"].toInt(), e.dof) << name;
    // --point writes the estimate asked for into other tools' files, with its own σ.
    const std::optional<ExportedPoint> p = PointToExport(loaded, d, name);
    ASSERT_TRUE(p) << name;
    EXPECT_EQ(std::tuple(p->x, p->y, p->sigma_x, p->sigma_y),
              std::tuple(e.x, e.y, e.sigma_x, e.sigma_y))
        << name;
  }
  ASSERT_NE(d.refined->sigma_x, d.refined->sigma_y);
  // The report's point has no σ: the refined one's is given beside the refined point.
  const std::optional<ExportedPoint> report = PointToExport(loaded, d, "report");
  EXPECT_TRUE(std::isnan(report->sigma_x) && std::isnan(report->sigma_y));
  EXPECT_EQ(report->sigma_note.rfind("the refined estimate from the same measurements is x0 = ", 0),
            0u)
      << report->sigma_note;

  // A search out of work while a gross error still stands out says so.
  std::ostringstream out;
  Analysis out_of_work(0);
  out_of_work.Load(files);
  WriteBatchJson(out, {}, "", out_of_work);
  const QJsonObject cut = QJsonDocument::fromJson(QByteArray::fromStdString(out.str())).object();
  EXPECT_TRUE(cut["outlier_search_stopped"].toBool()) << out.str();
}

// Two images of two points: no degrees of freedom, so no uncertainty and no ellipse.
TEST_F(BatchJsonFiles, TwoImagesOfTwoPointsHaveNoUncertainty) {
  const Outcome r = Batch({worked_[0], worked_[1]});
  EXPECT_EQ(r.json["refined"]["dof"].toInt(), 0);
  EXPECT_TRUE(r.json["refined"]["ellipse95"].isNull());
  EXPECT_TRUE(r.json["refined"]["sigma_x"].isNull());
}

// The camera moved before the third image: every point of it 1.2 px right, 0.4 px up.
TEST_F(BatchJsonFiles, CameraMovedBeforeAnImageIsFlagged) {
  std::vector<std::string> files;
  for (const char* name : {"zoom1.crd", "zoom2.crd", "zoom3.crd", "zoom4.crd"}) {
    std::ifstream in(Example(name));
    std::string text;
    for (std::string line; std::getline(in, line);) {
      double x = 0, y = 0;
      std::sscanf(line.c_str(), "%lf ; %lf", &x, &y);
      if (std::string(name) == "zoom3.crd") x += 1.2, y -= 0.4;
      char buffer[80];
      std::snprintf(buffer, sizeof buffer, "%.4f ; %.4f\r\n", x, y);
      text += buffer;
    }
    files.push_back(Write(name, text));
  }
  SeparatorGuard point('.');
  const Outcome r = Batch(files);
  EXPECT_TRUE(r.json["images"][2]["shift_flagged"].toBool()) << r.out;
  EXPECT_NEAR(r.json["images"][2]["shift_px"][0].toDouble(), 1.2, 0.3);
  EXPECT_EQ(r.json["sequence_test"]["findings"][0].toString().toStdString().rfind(
                "снимок zoom3.crd сдвинут на (1.", 0),
            0u)
      << r.out;
}

}  // namespace
}  // namespace zirt
