// What the windows need from the desktop: file dialogs, message boxes, the help viewer and
// the process's folder. Windows reach it only through this interface, so tests can answer.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace zirt {

// Settings of an open or save dialog. Filters are "Description|*.ext|Description|*.*".
struct FileDialogRequest {
  QString filter;
  QString default_extension;  // As the layouts give it: "*.crd".
  QString initial_folder;
  QString file_name;  // Proposed name, save dialogs only.
  bool multi_select = false;
};

// kYesNoCancel: Escape and the window's close button mean Cancel.
// kReplaceLoadCancel: "Да", "Загрузить имеющиеся", "Отмена" for files that exist already,
// answered kYes, kLoad and kNo.
enum class Buttons { kOk, kYesNo, kYesNoCancel, kReplaceLoadCancel };
enum class Icon { kNone, kError, kWarning, kInformation, kQuestion };
enum class Answer { kOk, kYes, kNo, kCancel, kLoad };

struct MessageRequest {
  QString text;
  QString caption;
  Buttons buttons = Buttons::kOk;
  Icon icon = Icon::kNone;
  QString informative;  // Shown under the text, smaller: where and what to do; empty for none.
  QString detail;       // Shown on request under the text; empty for none.
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Full paths in the order chosen; empty when cancelled. On success the process's current
  // folder becomes the folder of the chosen files, as the desktop's own dialogs do.
  virtual QStringList OpenFiles(QWidget* owner, const FileDialogRequest& request) = 0;

  // The chosen full path, or nothing when cancelled; moves the current folder the same way.
  virtual std::optional<QString> SaveFile(QWidget* owner, const FileDialogRequest& request) = 0;

  // An existing folder chosen in a folder dialog opened at `initial_folder`; nothing when
  // cancelled. The current folder stays.
  virtual std::optional<QString> PickFolder(QWidget* owner, const QString& caption,
                                            const QString& initial_folder) = 0;

  // A modal box owned by `owner` (none when null); returns the button pressed.
  virtual Answer ShowMessage(QWidget* owner, const MessageRequest& request) = 0;

  // Opens a help file on a viewer command; failures are reported by the viewer itself.
  virtual void ShowHelp(QWidget* owner, const QString& help_file, int command, int data) = 0;

  virtual QString CurrentFolder() = 0;
  virtual bool FileExists(const QString& path) = 0;
};

}  // namespace zirt
