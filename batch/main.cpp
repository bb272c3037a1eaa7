// zirt-batch entry: the regional settings, then the batch run.
#include <clocale>
#include <iostream>

#include "batch/batch_run.h"
#include "platform/regional_settings.h"

int main(int argc, char** argv) {
  zirt::ApplyRegionalSettings();
  // The system's reasons for file errors in the user's language.
  std::setlocale(LC_MESSAGES, "");
  std::ios::sync_with_stdio(false);
  const int code =
      zirt::RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
  std::cout.flush();
  return code;
}
