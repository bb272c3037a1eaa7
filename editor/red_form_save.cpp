// The data editor's save commands, and the question that offers a save before unsaved data is
// lost on closing; the window's controls and row commands are in red_form.cpp.
#include "editor/red_form.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "data/text_file.h"
#include "editor/grid_file.h"
#include "editor/grid_view.h"
#include "platform/exception_display.h"

namespace {

QString kUnsavedQuestion() {
  return QCoreApplication::translate("RedForm", "Данные не сохранены. Сохранить?");
}
QString kUnsavedCaption() {
  return QCoreApplication::translate("RedForm", "Предупреждение");
}

}  // namespace

void TRedForm::N3Click() {
  SaveCommand(true);
}

void TRedForm::N16Click() {
  SaveCommand(false);
}

void TRedForm::ToolButton10Click() {
  N3Click();
}

bool TRedForm::AcceptCodePage() {
  const std::string row = zirt::RowOutsideCodePage(Cells());
  if (row.empty()) return true;
  zirt::MessageRequest question;
  question.text =
      QCoreApplication::translate("RedForm",
                                  "В %1 есть знаки, которых нет в кодировке Windows-1251: они "
                                  "будут записаны как «?». Сохранить?")
          .arg(QString::fromStdString(row));
  question.caption = kUnsavedCaption();
  question.buttons = zirt::Buttons::kYesNo;
  return platform_.ShowMessage(this, question) == zirt::Answer::kYes;
}

TRedForm::SaveResult TRedForm::SaveCommand(bool in_place) {
  StringGrid1->CommitEdit();
  const zirt::BuiltLines built = zirt::BuildLines(kind_, Cells());
  if (!built.accepted) {
    zirt::MessageRequest request;
    request.text = QString::fromStdString(built.rejection);
    request.caption = QString::fromLatin1(zirt::kApplicationTitle);
    request.buttons = zirt::Buttons::kOk;
    request.icon = zirt::Icon::kNone;
    platform_.ShowMessage(this, request);
    return SaveResult::kRejected;
  }
  if (!AcceptCodePage()) return SaveResult::kCancelled;
  if (in_place && !file_name_.isEmpty()) {
    zirt::WriteLines(file_name_.toStdString(), built.lines);
    SetModified(false);
    return SaveResult::kWritten;
  }
  const zirt::LayoutInfo& info = zirt::InfoOf(kind_);
  zirt::FileDialogRequest request;
  request.filter = QString::fromUtf8(info.filter);
  request.default_extension = QString::fromUtf8(info.default_extension);
  request.initial_folder = platform_.CurrentFolder();
  request.file_name = file_name_;
  const std::optional<QString> path = platform_.SaveFile(this, request);
  if (!path) return SaveResult::kCancelled;
  zirt::WriteLines(path->toStdString(), built.lines);
  // Only a written file makes the grid's data safe; anything else keeps the question.
  SetModified(false);
  return SaveResult::kWritten;
}

void TRedForm::FormClose(QCloseEvent* event) {
  StringGrid1->CommitEdit();
  if (!modified_) {
    event->accept();
    return;
  }
  zirt::MessageRequest question;
  question.text = kUnsavedQuestion();
  question.caption = kUnsavedCaption();
  question.buttons = zirt::Buttons::kYesNoCancel;
  question.icon = zirt::Icon::kNone;
  switch (platform_.ShowMessage(nullptr, question)) {
    case zirt::Answer::kYes:
      break;
    case zirt::Answer::kNo:
      event->accept();
      return;
    default:  // Cancel or Escape: back to the data.
      event->ignore();
      return;
  }
  bool written = false;
  zirt::RunGuarded(platform_, this, [&] { written = SaveCommand(true) == SaveResult::kWritten; });
  // A refused value, a cancelled dialog or a file that could not be created leaves the
  // window open with the user's data.
  if (written)
    event->accept();
  else
    event->ignore();
}
