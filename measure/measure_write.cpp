#include "measure/measure_write.h"

#include <ostream>

#include "data/text_file.h"
#include "measure/measure_run.h"
#include "measure/stop_signals.h"

namespace zirt {

int WriteCoordinateFiles(const std::vector<std::string>& files,
                         const std::vector<std::vector<ImagePoint>>& points, bool overwrite,
                         std::ostream& err) {
  StagedFiles staged;  // Removes the temporaries on every way out before the commit.
  const auto stopped = [&](int signal) {
    staged.Discard();
    err << "zirt-measure: stopped by " << StopSignalName(signal) << "; nothing written\n";
    return 128 + signal;
  };
  try {
    for (std::size_t k = 0; k < files.size(); ++k) {
      if (const int signal = TakeStopSignal()) return stopped(signal);
      // A file that appeared while the images were measured is kept all the same.
      if (!overwrite && NameExists(files[k]))
        throw EFileError(files[k] + " exists; give --overwrite to replace it");
      staged.Stage(files[k], EncodeLines(CoordinateLines(points[k])));
    }
    if (const int signal = TakeStopSignal()) return stopped(signal);
    // The signals stay held through the renames; one that comes meanwhile finds every file
    // written, which is what the run was asked for.
    staged.Commit();
  } catch (const EFileError& e) {
    staged.Discard();
    err << "zirt-measure: " << e.Described() << "\nzirt-measure: nothing written\n";
    return kMeasureFailed;
  }
  if (const int signal = TakeStopSignal())
    err << "zirt-measure: " << StopSignalName(signal) << " came after every file was written\n";
  return kMeasureOk;
}

}  // namespace zirt
