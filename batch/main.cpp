// zirt-batch entry: the regional settings, then the batch run.
#include <iostream>

#include "batch/batch_run.h"
#include "platform/regional_settings.h"

int main(int argc, char** argv) {
  zirt::ApplyRegionalSettings();
  std::ios::sync_with_stdio(false);
  const int code =
      zirt::RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  std::cout.flush();
  return code;
}
