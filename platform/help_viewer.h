// The program's help viewer: our HTML help, found beside the help file name the program asks
// for, in a window with a contents list.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QListWidget;
class QTextBrowser;

namespace zirt {

// The HTML help for a help file name such as "ZIRTHelp\ZIRT_01.HLP" (either separator): the
// same name with the ending ".html", looked up in each folder in turn; empty when none has it.
QString ResolveHelpFile(const QString& help_file, const QStringList& folders);

// The folders help is looked up in: the current folder, the program's folder, and the
// shared data folder of an installed program.
QStringList HelpFolders();

class HelpViewer : public QDialog {
  Q_OBJECT

 public:
  explicit HelpViewer(QWidget* parent = nullptr);

  // Shows the page with its contents list at the top.
  void Open(const QString& html_path);

  QListWidget* Contents() const { return contents_; }
  QTextBrowser* Browser() const { return browser_; }

 private:
  QListWidget* contents_;
  QTextBrowser* browser_;
  QStringList anchors_;
};

}  // namespace zirt
