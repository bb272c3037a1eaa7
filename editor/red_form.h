// The data editor: one file of the tool set in a string grid, with row commands, checks of
// every value on saving, and a question before unsaved changes are dropped.
#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "editor/grid.h"
#include "platform/platform.h"

class QAction;
class QCloseEvent;
class QFrame;
class QMenu;
class QMenuBar;
class QToolBar;
class QToolButton;

namespace zirt {
class GridModel;
class StringGridView;
}  // namespace zirt

class TRedForm : public QDialog {
  Q_OBJECT

 public:
  // What the save command came to.
  enum class SaveResult { kWritten, kRejected, kCancelled };

  explicit TRedForm(zirt::Platform& platform, QWidget* owner = nullptr);
  ~TRedForm() override;

  // Sets the window up for the data kind (1 to 10) and fills the grid from the file; an
  // empty name starts a new file. On failure reports it, closes the window and returns
  // false; the caller then does not show it.
  bool LoadFile(const QString& file_name, int kind);

  int Kind() const { return kind_; }
  const QString& FileName() const { return file_name_; }
  // The grid may hold changes that no save has written.
  bool Modified() const { return modified_; }
  const zirt::Grid& Cells() const;
  // Screen pixels per design pixel.
  double Scale() const { return scale_; }

  // Command handlers. The menu items and buttons run them through RunGuarded, which shows
  // what escapes them.
  void N6Click();           // Exit.
  void ToolButton3Click();  // Insert a row above the selected one.
  void ToolButton1Click();  // Delete the selected row.
  void ToolButton5Click();  // Append a row.
  void ToolButton8Click();  // Clear all rows.
  void N3Click();           // Save onto the file opened; a new file asks for its name.
  void N16Click();          // Save under a name asked for.
  void ToolButton10Click();
  void StringGrid1KeyDown(QObject* sender, int key, Qt::KeyboardModifiers shift);
  // Lets the window close unless unsaved data would be lost against the user's answer.
  void FormClose(QCloseEvent* event);

  // The save command: checks every value, asks for the file name unless `in_place` and the
  // window has a file, and writes the file. Raises EFileError when it cannot be created.
  SaveResult SaveCommand(bool in_place = false);

  // Controls, named as in the window's design.
  QMenuBar* MainMenu1 = nullptr;
  QMenu* N1 = nullptr;  // Файл
  QAction* N3 = nullptr;
  QAction* N16 = nullptr;  // Сохранить как…
  QAction* N15 = nullptr;
  QAction* N6 = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* ControlBar1 = nullptr;
  QToolBar* ToolBar2 = nullptr;
  QToolBar* ToolBar3 = nullptr;
  QToolButton* ToolButton10 = nullptr;
  QToolButton* ToolButton3 = nullptr;
  QToolButton* ToolButton5 = nullptr;
  QToolButton* ToolButton1 = nullptr;
  QToolButton* ToolButton8 = nullptr;
  zirt::StringGridView* StringGrid1 = nullptr;

 public slots:
  // Closing from outside goes through FormClose as well.
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenu();
  void ConnectCommands();
  int Scaled(int design) const;
  // Runs a row command on the grid and keeps the selection on a data row.
  void ChangeRows(const std::function<void(zirt::Grid&, int)>& command);
  void ApplySetup(int kind);
  // Pixels the caption column needs to show its widest caption whole.
  int CaptionColumnWidth() const;
  // Every change of the data flag goes here, so the caption's "*" follows it.
  void SetModified(bool modified);
  // False when the user would rather not write letters Windows-1251 lacks as '?'.
  bool AcceptCodePage();

  zirt::Platform& platform_;
  zirt::GridModel* model_ = nullptr;
  double scale_ = 1.0;
  int kind_ = 0;
  QString file_name_;
  QString caption_;  // The data kind's caption, without the "*" of unsaved changes.
  bool modified_ = false;
};
