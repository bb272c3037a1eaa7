#include "platform/qt_platform.h"

#include "platform/file_dialog_columns.h"
#include "platform/help_viewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSpacerItem>
#include <algorithm>

namespace zirt {

QString ToQtFilter(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    const QString& description = parts[i];
    QString pattern = parts[i + 1];
    pattern.replace(QLatin1Char(';'), QLatin1Char(' '));
    // Descriptions often carry their pattern already ("Coordinate Files (*.crd)"); Qt takes
    // the last parenthesised group as the pattern, so it must not be doubled.
    const QString suffix = QStringLiteral("(") + pattern + QStringLiteral(")");
    if (description.trimmed().endsWith(suffix))
      entries << description.trimmed();
    else
      entries << description + QStringLiteral(" ") + suffix;
  }
  return entries.join(QStringLiteral(";;"));
}

QString ToQtSuffix(const QString& default_extension) {
  QString suffix = default_extension;
  if (suffix.startsWith(QLatin1Char('*'))) suffix.remove(0, 1);
  if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
  if (suffix.contains(QLatin1Char('*')) || suffix.contains(QLatin1Char('?'))) return {};
  return suffix;
}

namespace {

// Qt's own dialog looks and behaves the same on every desktop, which the tests rely on.
void Prepare(QFileDialog& dialog, const FileDialogRequest& request) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new FileDialogColumns(&dialog));
  dialog.setNameFilter(ToQtFilter(request.filter));
  dialog.setDefaultSuffix(ToQtSuffix(request.default_extension));
  if (!request.initial_folder.isEmpty()) dialog.setDirectory(request.initial_folder);
}

// The program reads the current folder after a dialog to seed the next one, as desktop
// dialogs that move it expect.
void MoveCurrentFolderTo(const QString& chosen_file) {
  QDir::setCurrent(QFileInfo(chosen_file).absolutePath());
}

}  // namespace

QStringList QtPlatform::OpenFiles(QWidget* owner, const FileDialogRequest& request) {
  QFileDialog dialog(owner);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(request.multi_select ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (!files.isEmpty()) MoveCurrentFolderTo(files.front());
  return files;
}

std::optional<QString> QtPlatform::SaveFile(QWidget* owner, const FileDialogRequest& request) {
  QFileDialog dialog(owner);
  Prepare(dialog, request);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // Callers either ask their own question or replace files by design.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return std::nullopt;
  MoveCurrentFolderTo(files.front());
  return files.front();
}

std::optional<QString> QtPlatform::PickFolder(QWidget* owner, const QString& caption,
                                              const QString& initial_folder) {
  QFileDialog dialog(owner, caption, initial_folder);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new FileDialogColumns(&dialog));
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().front();
}

Answer QtPlatform::ShowMessage(QWidget* owner, const MessageRequest& request) {
  QMessageBox box(owner);
  box.setWindowTitle(request.caption);
  box.setText(request.text);
  switch (request.icon) {
    case Icon::kNone:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case Icon::kError:
      box.setIcon(QMessageBox::Critical);
      break;
    case Icon::kWarning:
      box.setIcon(QMessageBox::Warning);
      break;
    case Icon::kInformation:
      box.setIcon(QMessageBox::Information);
      break;
    case Icon::kQuestion:
      box.setIcon(QMessageBox::Question);
      break;
  }
  QPushButton* yes = nullptr;
  QPushButton* load = nullptr;
  if (request.buttons == Buttons::kYesNo) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
  } else if (request.buttons == Buttons::kYesNoCancel) {
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
  } else if (request.buttons == Buttons::kReplaceLoadCancel) {
    yes = box.addButton(QCoreApplication::translate("QtPlatform", "Да"), QMessageBox::YesRole);
    load = box.addButton(QCoreApplication::translate("QtPlatform", "Загрузить имеющиеся"),
                         QMessageBox::AcceptRole);
    box.setEscapeButton(box.addButton(QCoreApplication::translate("QtPlatform", "Отмена"),
                                      QMessageBox::RejectRole));
    box.setDefaultButton(yes);
  } else {
    box.setStandardButtons(QMessageBox::Ok);
    // Named, so that Enter closes the box also once the details button has taken the focus.
    box.setDefaultButton(QMessageBox::Ok);
  }
  if (!request.detail.isEmpty()) {
    box.setDetailedText(request.detail);
    // The details button, once pressed, keeps the focus; as an auto-default button it would
    // take Enter to fold the details again instead of the box's default closing it.
    for (QAbstractButton* button : box.buttons())
      if (auto* push = qobject_cast<QPushButton*>(button);
          push != nullptr && box.buttonRole(button) == QMessageBox::ActionRole)
        push->setAutoDefault(false);
  }
  if (!request.informative.isEmpty()) {
    box.setInformativeText(request.informative);
    // Each line of what to do reads on one line where the screen has room: Qt's box would
    // wrap it to the width of the short message above. Set last: every text the box is
    // given lays it out anew.
    int widest = 0;
    const QFontMetrics metrics(box.font());
    for (const QString& line : request.informative.split(QLatin1Char('\n')))
      widest = std::max(widest, metrics.horizontalAdvance(line));
    widest += 4 * metrics.averageCharWidth();  // The label's margins and rounding.
    if (const QScreen* screen = box.screen())
      widest = std::min(widest, screen->availableGeometry().width() / 2);
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
      grid->addItem(new QSpacerItem(widest, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                    grid->rowCount(), 0, 1, grid->columnCount());
  }
  const int pressed = box.exec();
  if (request.buttons == Buttons::kOk) return Answer::kOk;
  if (request.buttons == Buttons::kReplaceLoadCancel)
    return box.clickedButton() == yes    ? Answer::kYes
           : box.clickedButton() == load ? Answer::kLoad
                                         : Answer::kNo;
  if (pressed == QMessageBox::Yes) return Answer::kYes;
  // With a Cancel button, only No itself drops the data; Escape and closing keep it.
  if (request.buttons == Buttons::kYesNoCancel)
    return pressed == QMessageBox::No ? Answer::kNo : Answer::kCancel;
  // Closing the question any other way than with Yes is not consent.
  return Answer::kNo;
}

void QtPlatform::ShowHelp(QWidget* owner, const QString& help_file, int /*command*/, int /*data*/) {
  // Every command opens the help on its contents, the only page there is.
  const QString html = ResolveHelpFile(help_file, HelpFolders());
  if (html.isEmpty()) {
    QMessageBox box(owner);
    box.setWindowTitle(QCoreApplication::translate("QtPlatform", "Справка ZIRT"));
    box.setIcon(QMessageBox::Warning);
    box.setText(QCoreApplication::translate("QtPlatform", "Справка не найдена: ") + help_file);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return;
  }
  if (help_viewer_ == nullptr) help_viewer_ = new HelpViewer(owner);
  help_viewer_->Open(html);
  help_viewer_->show();
  help_viewer_->raise();
  help_viewer_->activateWindow();
}

QString QtPlatform::CurrentFolder() {
  return QDir::currentPath();
}

bool QtPlatform::FileExists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isFile();
}

}  // namespace zirt
