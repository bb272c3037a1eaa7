#include "batch/into_file.h"

#include <ostream>

#include "batch/batch_run.h"
#include "data/posix_file.h"

namespace zirt {

int WriteIntoFile(const Analysis& analysis, const std::string& estimate, const std::string& picked,
                  const ExportOptions& options, bool overwrite, std::ostream& err) {
  const std::optional<ExportedPoint> point =
      PointToExport(analysis.State(), analysis.Diagnosis(), estimate);
  if (!point) {
    err << kExportFailedMessage << "\nДиагностика не находит точки " << estimate << ".\n";
    return kBatchFailed;
  }
  try {
    const PreparedExport prepared = PrepareExport(picked, *point, options);
    if (!overwrite && NameExists(prepared.output)) {
      err << "zirt-batch: " << prepared.output << " exists; give --overwrite to replace it\n";
      return kBatchFailed;
    }
    WriteExport(prepared);
    err << prepared.output << "\n";
    return kBatchOk;
  } catch (const EFileError& e) {
    err << kExportFailedMessage << "\n" << e.Described() << "\n";
  } catch (const ERefusedCalibration& e) {
    err << kExportFailedMessage << "\n" << picked << ": " << e.Message() << "\n";
  }
  return kBatchFailed;
}

}  // namespace zirt
