// zirt-measure entry: the stop signals held before any thread exists, Qt for the image
// formats and the regional settings, then the run.
#include <QCoreApplication>
#include <iostream>

#include "measure/measure_run.h"
#include "measure/stop_signals.h"
#include "platform/regional_settings.h"

int main(int argc, char** argv) {
  zirt::HoldStopSignals();
  QCoreApplication app(argc, argv);  // Finds the image format plugins.
  zirt::ApplyRegionalSettings();
  const int code =
      zirt::RunMeasure(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  std::cout.flush();
  return code;
}
