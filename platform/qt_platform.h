// The desktop implementation of Platform: Qt's own widgets for dialogs and message boxes.
#pragma once

#include <QPointer>
#include <QString>

#include "platform/platform.h"

namespace zirt {

class HelpViewer;

// "Desc|*.ext|Desc2|*.*" as Qt writes filters: "Desc (*.ext);;Desc2 (*.*)".
QString ToQtFilter(const QString& filter);

// "*.crd" or ".crd" as a suffix without the dot: "crd"; empty for "*.*" or nothing.
QString ToQtSuffix(const QString& default_extension);

class QtPlatform : public Platform {
 public:
  QStringList OpenFiles(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<QString> SaveFile(QWidget* owner, const FileDialogRequest& request) override;
  std::optional<QString> PickFolder(QWidget* owner, const QString& caption,
                                    const QString& initial_folder) override;
  Answer ShowMessage(QWidget* owner, const MessageRequest& request) override;
  void ShowHelp(QWidget* owner, const QString& help_file, int command, int data) override;
  QString CurrentFolder() override;
  bool FileExists(const QString& path) override;

 private:
  // One help window for the program's life, shown again on every request.
  QPointer<HelpViewer> help_viewer_;
};

}  // namespace zirt
