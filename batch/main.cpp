// zirt-batch entry: the regional settings, then the batch run.
#include <clocale>
#include <iostream>

#include "batch/batch_run.h"
#include "platform/regional_settings.h"

#ifdef ZIRT_WITH_PDF
#include <QGuiApplication>
#include <algorithm>
#include <memory>

#include "data/posix_file.h"
#include "report/pdf_report.h"

namespace {

void WritePdf(const std::string& path, const std::vector<std::string>& report,
              const std::string& failure, const zirt::Analysis& analysis,
              const std::string& command) {
  zirt::WritePdfReport(path, {report, failure, &analysis, command});
}

}  // namespace
#endif

int main(int argc, char** argv) {
  zirt::ApplyRegionalSettings();
  // The system's reasons for file errors in the user's language.
  std::setlocale(LC_MESSAGES, "");
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
#ifdef ZIRT_WITH_PDF
  // Fonts need a GUI application; only --pdf pays for one, and on no screen at all.
  std::unique_ptr<QGuiApplication> gui;
  if (std::find(args.begin(), args.end(), "--pdf") != args.end()) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes on the platform (no runtime folder and the like) are not the program's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::cerr << text.toStdString() << "\n";
    });
    gui = std::make_unique<QGuiApplication>(argc, argv);
    zirt::SetPdfReportWriter(&WritePdf);
  }
#endif
  const int code = zirt::RunBatch(args, std::cout, std::cerr);
  std::cout.flush();
  return code;
}
