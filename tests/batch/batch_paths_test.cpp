// zirt-batch's load and computation on every core against the window's: the same report, byte
// for byte, and the same failure, on good and bad inputs under both decimal separators.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sstream>

#include "batch/batch_run.h"
#include "batch/fast_batch.h"
#include "calib/track_survey.h"
#include "data/compute_hints.h"
#include "data/coordinate_file.h"
#include "data/text_file.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

struct Recorder : CalibrationView {
  void ClearReport() override { out.clear(); }
  void AppendReport(const std::string& line) override { out += line + "\n"; }
  void LineFitted(const VT_Point&) override {}
  std::string out;
};

// The window's load and computation, written as zirt-batch writes its report and failure.
std::pair<std::string, std::string> WindowRun(const std::vector<std::string>& paths, bool step) {
  Calibration calibration;
  calibration.StepMode = step;
  try {
    calibration.TakeImages(LoadCoordinateFiles(paths));
  } catch (const ECoordinateFileError& e) {
    std::string err = "Ошибка загрузки файла координат!\n" + e.Message() + "\n";
    for (const std::string& hint : e.Hints()) err += hint + "\n";
    return {"", err};
  } catch (const Exception& e) {
    return {"", "Ошибка загрузки файла координат!\n" + e.Message() + "\n"};
  }
  Recorder report;
  try {
    switch (calibration.Compute(report)) {
      case ComputeOutcome::kDone:
        return {report.out, ""};
      case ComputeOutcome::kNoImages:
        return {report.out, std::string(kNoImagesMessage) + "\n"};
      case ComputeOutcome::kOneImage:
        return {report.out, std::string(kOneImageMessage) + "\n"};
    }
  } catch (const EUndeterminedPoint& e) {
    return {report.out, DisplayText(e.Message()) + "\n"};
  } catch (const Exception& e) {
    // The window's box names the point or files under the error, from the point it fitted.
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(ShortName(path));
    std::string err = DisplayText(e.Message()) + "\n";
    for (const std::string& line :
         ComputeFailureHint(calibration.Images, names, calibration.FittingPoint).lines)
      err += line + "\n";
    return {report.out, err};
  }
  return {};
}

// Tracks through (2000, 1500) seen at `images` zooms, with a vertical track at each index of
// `vertical`.
std::vector<std::string> Zoom(int images, int tracks, std::vector<int> vertical = {}) {
  std::vector<std::string> files(images);
  for (int k = 0; k < images; ++k) {
    const double s = 1 + 0.05 * k;
    for (int i = 0; i < tracks; ++i) {
      const bool upright = std::find(vertical.begin(), vertical.end(), i) != vertical.end();
      char line[64];
      std::snprintf(line, sizeof line, "%.3f;%.3f\r\n", upright ? 700.0 : 2000 + (i % 97 - 48) * s,
                    1500 + (i % 89 - 44) * s + 0.001 * (i % 7));
      files[k] += line;
    }
  }
  return files;
}

// Every fifth line of each file, from the file's own offset on, made a point not seen: each
// track lives in part of the sequence.
std::vector<std::string> NotSeenIn(std::vector<std::string> files) {
  for (std::size_t k = 0; k < files.size(); ++k) {
    std::string gapped;
    std::size_t line = 0;
    for (std::size_t at = 0, end; (end = files[k].find("\r\n", at)) != std::string::npos;
         at = end + 2, ++line)
      gapped += (line % 5 == k % 5 ? std::string("- ; -") : files[k].substr(at, end - at)) + "\r\n";
    files[k] = gapped;
  }
  return files;
}

struct Case {
  std::string name;
  std::vector<std::string> files;  // Texts; "<missing>" and "<folder>" name no plain file.
  bool plain;                      // Whether the load goes both cores' way.
};

std::vector<Case> Cases() {
  using namespace std::string_literals;
  const std::string a = "420.0;290\r\n270;340\r\n", b = "520;341\r\n221;440\r\n",
                    c = "620;390\r\n170;540\r\n";
  return {
      {"worked example", {a, b, c}, true},
      {"number forms",
       {" 1.5 ;  -2.25 \n+3;4.\n.5;-.0\n0001.000;1e2\n12345678901234567890.5;9007199254740993\n",
        "7;8\n9;10\n11;12\n13;14\n1.7976931348623157e308;15\n", "2;1\n5;3\n8;-9\n1;1\n-0;16\n"},
       true},
      {"line ends", {"420;290\r\n270;340", "520;341\n221;440\r", "620;390\r170;540\n"}, true},
      {"a NUL in the middle", {a, "520;341\r\n22\0\0\0"s, c}, false},
      {"zero bytes at the end", {a, b, c + "\0\0"s}, false},
      // Nothing to intersect: no point moves, tracks parallel or on one line; a point that does
      // not move, such as one at the centre, is left out and named.
      {"the same file twice", {Zoom(1, 20)[0], Zoom(1, 20)[0]}, true},
      {"pure translation",
       {"10;20\n30;45\n-5;7\n", "13;21\n33;46\n-2;8\n", "16;22\n36;47\n1;9\n"},
       true},
      {"all on one line", {"10;20\n30;40\n", "11;21\n33;43\n", "12;22\n36;46\n"}, true},
      {"a point at the centre",
       {"2000;1500\n" + Zoom(1, 30)[0], "2000;1500\n" + Zoom(3, 30)[2]},
       true},
      {"still points in two ranges",
       {a + "7;7\n" + b + "8;8\n", b + "7;7\n" + c + "8;8\n", c + "7;7\n" + a + "8;8\n"},
       true},
      {"zoom", Zoom(4, 300), true},
      {"vertical tracks in two ranges", Zoom(3, 3000, {2101, 2900}), true},
      {"vertical first track", Zoom(2, 50, {0}), true},
      {"short image", {a, b, "620;390\r\n"}, true},
      {"longer later image", {a, b + "1;1\r\n", c}, true},
      {"empty first image", {"", b, c}, true},
      {"one track", {"1;2\n", "2;3\n", "3;5\n"}, true},
      {"parallel lines", {"0;0\n0;1\n0;2\n", "1;1\n1;2\n1;3\n", "2;2\n2;3\n2;4\n"}, true},
      {"overflowing sums", {"1e200;1\n2;2\n", "3e200;2\n4;4\n"}, true},
      // Tracks over their own images, one seen once and one still where it is seen; with a
      // short image they go the window's way.
      {"points not seen",
       {a + "- ; -\r\n9;9\r\n", "520;341\r\n- ; -\r\n5;5\r\n9;9\r\n",
        "620;390\r\n170;540\r\n -;- \r\n9;9"},
       true},
      {"points not seen, parallel where seen",
       {"- ; -\n0;0\n", "1;1\n2;2\n", "2;2\n- ; -\n"},
       true},
      {"points not seen in a zoom", NotSeenIn(Zoom(4, 300)), true},
      {"points not seen and a short image", {a + "- ; -\r\n", b + "1;1\r\n", "620;390\r\n"}, false},
      {"a dash beside a number", {a, b, "620;390\r\n-;5\r\n"}, false},
      {"one file", {a}, false},
      {"empty line", {a, "520;341\r\n\r\n221;440\r\n", c}, false},
      {"second semicolon", {a, b, "620;390;1\r\n"}, false},
      {"other separator and a tab", {a, "520,5;341\r\n", "620;390\t\r\n"}, false},
      {"exponent beyond a double", {a, b, "1e400;2\r\n"}, false},
      {"two bad files, the first counts", {a, "x;1\r\n", "1;y\r\n"}, false},
      {"bytes of the code page", {a, "520;341\r\n221;\xC0\xE1\r\n", c}, false},
      {"missing file", {a, "<missing>", "1;y\r\n"}, false},
      {"folder", {a, b, "<folder>"}, false},
  };
}

TEST(BatchPaths, SameReportsAndFailuresAsTheWindow) {
  QTemporaryDir dir;
  QDir().mkdir(dir.filePath("folder.crd"));
  for (const char separator : {'.', ','}) {
    SeparatorGuard guard(separator);
    for (const Case& test : Cases()) {
      std::vector<std::string> paths;
      for (std::size_t k = 0; k < test.files.size(); ++k) {
        std::string text = test.files[k];
        if (text == "<folder>") {
          paths.push_back(dir.filePath("folder.crd").toStdString());
          continue;
        }
        const QString path = dir.filePath(QString("%1.crd").arg(k));
        paths.push_back(path.toStdString());
        if (text == "<missing>") {
          QFile::remove(path);
          continue;
        }
        for (char& ch : text)
          if (ch == '.') ch = separator;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.data(), static_cast<qint64>(text.size()));
      }
      PlainImages plain;
      EXPECT_EQ(LoadPlainImages(paths, plain), test.plain) << test.name;
      for (const bool step : {false, true}) {
        std::vector<std::string> args = paths;
        if (step) args.insert(args.begin(), "--step");
        std::ostringstream out, err;
        const int code = RunBatch(args, out, err);
        const auto [window_out, window_err] = WindowRun(paths, step);
        const std::string what = test.name + (step ? ", step by step, " : ", ") + separator;
        EXPECT_EQ(out.str(), window_out) << what;
        // The consistency warning is the batch's own, after a report that computed.
        std::string batch_err = err.str();
        if (const auto warning = batch_err.find("zirt-batch: warning: ");
            warning != std::string::npos) {
          EXPECT_EQ(code, kBatchOk) << what;
          batch_err.erase(warning, batch_err.find('\n', warning) + 1 - warning);
        }
        EXPECT_EQ(batch_err, window_err) << what;
        EXPECT_EQ(code, window_err.empty() ? kBatchOk : kBatchFailed) << what;
      }
    }
  }
}

}  // namespace
}  // namespace zirt
