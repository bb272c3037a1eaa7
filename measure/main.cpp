// zirt-measure entry: the stop signals held before any thread exists, Qt for the image
// formats and the regional settings (and for fonts when a board is drawn), then the run.
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <iostream>
#include <memory>

#include "measure/measure_run.h"
#include "measure/stop_signals.h"
#include "platform/regional_settings.h"

int main(int argc, char** argv) {
  zirt::HoldStopSignals();
  const std::vector<std::string> args(argv + 1, argv + argc);
  // A board drawn to print needs fonts, which a graphical application holds; no display is
  // needed for drawing into a PDF.
  const bool draws = std::find(args.begin(), args.end(), "--make-board") != args.end();
  if (draws && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a desktop session Qt warns of its runtime folder, which a PDF does not use.
  if (draws && qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
    qputenv("QT_LOGGING_RULES", "default.warning=false");
  std::unique_ptr<QCoreApplication> app;  // Finds the image format plugins.
  if (draws)
    app = std::make_unique<QGuiApplication>(argc, argv);
  else
    app = std::make_unique<QCoreApplication>(argc, argv);
  zirt::ApplyRegionalSettings();
  const int code = zirt::RunMeasure(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
